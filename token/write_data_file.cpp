#include "token/board_ops.h"
#include "token/discovery.h"
#include "token/guards.h"
#include "token/messages.h"
#include "token/operation_steps.h"
#include "token/rt_error.h"
#include "token/tokenapi.h"

bool writeDataFile(const TokenPath& path, const std::uint8_t* data, std::uint16_t length,
                   std::uint16_t slot)
{
    readerGuard reader(openToken(OPERATION_ACCESS_LEVEL, slot));
    // The new file always has exactly `length` bytes, so an old one of any
    // size goes first. A missing file is no error.
    if (selectPath(reader.handle, path)) {
        if (rtDeleteCurrentFileObject(reader.handle) == 0) {
            throwTokenError(MSG_DELETE_FAILED, CODE_DELETE_FAILED);
        }
    }
    selectParent(reader.handle, path);
    if (rtCreateFile(reader.handle, lastId(path), length, ACCESS_ATTRIBUTES,
                     ACCESS_ATTRIBUTE_COUNT) == 0) {
        throwTokenError(MSG_CREATE_FAILED, CODE_CREATE_FAILED);
    }
    if (!selectPath(reader.handle, path)) {
        throwTokenError(MSG_CREATE_FAILED, CODE_CREATE_FAILED);
    }
    // A write reported as partial is a failure: the caller may delete the
    // source of these bytes once this returns.
    std::uint32_t written = 0;
    if (rtUpdateFile(reader.handle, 0, data, length, &written) == 0 || written != length) {
        throwTokenError(MSG_WRITE_FAILED, CODE_IO_FAILED);
    }
    return true;
}
