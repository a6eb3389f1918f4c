#include "token/board_ops.h"
#include "token/discovery.h"
#include "token/guards.h"
#include "token/messages.h"
#include "token/operation_steps.h"
#include "token/rt_error.h"
#include "token/tokenapi.h"

bool createFolder(const TokenPath& path, std::uint16_t slot)
{
    readerGuard reader(openToken(OPERATION_ACCESS_LEVEL, slot));
    if (selectPath(reader.handle, path)) {
        printNotice("Directory exist");
        return true;
    }
    selectParent(reader.handle, path);
    if (rtCreateFolder(reader.handle, lastId(path), ACCESS_ATTRIBUTES, ACCESS_ATTRIBUTE_COUNT) ==
        0) {
        throwTokenError(MSG_CREATE_FAILED, CODE_CREATE_FAILED);
    }
    printNotice("Created");
    return true;
}
