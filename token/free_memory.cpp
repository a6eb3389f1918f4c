#include "token/board_ops.h"
#include "token/discovery.h"
#include "token/guards.h"
#include "token/messages.h"
#include "token/operation_steps.h"
#include "token/rt_error.h"
#include "token/tokenapi.h"

std::uint32_t getFreeMemory(std::uint16_t slot)
{
    readerGuard reader(openToken(OPERATION_ACCESS_LEVEL, slot));
    std::uint32_t freeBytes = 0;
    if (rtGetTokenFreeMemory(reader.handle, &freeBytes) == 0) {
        throwTokenError(MSG_FREE_MEMORY_FAILED, CODE_FREE_MEMORY_FAILED);
    }
    return freeBytes;
}
