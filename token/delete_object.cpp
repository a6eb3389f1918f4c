#include "token/board_ops.h"
#include "token/discovery.h"
#include "token/guards.h"
#include "token/messages.h"
#include "token/operation_steps.h"
#include "token/rt_error.h"
#include "token/tokenapi.h"

bool deleteObject(const TokenPath& path, std::uint16_t slot)
{
    readerGuard reader(openToken(OPERATION_ACCESS_LEVEL, slot));
    if (!selectPath(reader.handle, path)) {
        throwTokenError(MSG_NOT_FOUND, CODE_NOT_FOUND);
    }
    if (rtDeleteCurrentFileObject(reader.handle) == 0) {
        throwTokenError(MSG_DELETE_FAILED, CODE_DELETE_FAILED);
    }
    return true;
}
