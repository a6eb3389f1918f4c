#include "token/operation_steps.h"

#include "token/messages.h"
#include "token/rt_error.h"
#include "token/tokenapi.h"

namespace {

// The constant "flags" argument of every selection by path.
constexpr std::uint32_t SELECT_FLAGS = 1;

} // namespace

bool selectPath(std::uint32_t reader, const TokenPath& path, std::uint32_t fcp)
{
    return rtSelectByPath(reader, path.ids, path.depth, SELECT_FLAGS, fcp) != 0;
}

void selectParent(std::uint32_t reader, const TokenPath& path)
{
    bool selected = false;
    if (path.depth <= 1) {
        selected = rtSelectMF(reader, 0) != 0;
    } else {
        selected = rtSelectByPath(reader, path.ids, path.depth - 1u, SELECT_FLAGS, 0) != 0;
    }
    if (!selected) {
        throwTokenError(MSG_NO_WORKING_FOLDER, CODE_NO_WORKING_FOLDER);
    }
}

std::uint16_t lastId(const TokenPath& path)
{
    return path.ids[path.depth - 1];
}
