#include "token/board_ops.h"
#include "token/discovery.h"
#include "token/guards.h"
#include "token/messages.h"
#include "token/operation_steps.h"
#include "token/rt_error.h"
#include "token/tokenapi.h"

namespace {

// Modes of rtSelectChildFileObject.
constexpr std::uint32_t FIRST_CHILD = 0;
constexpr std::uint32_t NEXT_CHILD = 2;

} // namespace

std::vector<std::uint16_t> listChildren(const TokenPath& path, std::uint16_t slot)
{
    std::vector<std::uint16_t> children;
    readerGuard reader(openToken(OPERATION_ACCESS_LEVEL, slot));
    bool selected = path.depth > 0 ? selectPath(reader.handle, path)
                                   : rtSelectMF(reader.handle, 0) != 0;
    if (!selected) {
        throwTokenError(MSG_NO_WORKING_FOLDER, CODE_NO_WORKING_FOLDER);
    }
    fcpGuard fcp;
    std::uint16_t id = 0;
    std::uint32_t isFolder = 0;
    bool more = rtSelectChildFileObject(reader.handle, 0, FIRST_CHILD, fcp.handle) != 0;
    while (more) {
        rtFCP_GetFileID(fcp.handle, &id);
        rtFCP_GetIsFolder(fcp.handle, &isFolder);
        children.push_back(id);
        // Selecting a folder child made it the current folder: step back up
        // before asking for its next sibling.
        if (isFolder != 0) {
            rtSelectUpperFolder(reader.handle, 0);
        }
        more = rtSelectChildFileObject(reader.handle, id, NEXT_CHILD, fcp.handle) != 0;
    }
    return children;
}
