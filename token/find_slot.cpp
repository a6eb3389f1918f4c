#include "token/board_ops.h"
#include "token/discovery.h"
#include "token/guards.h"
#include "token/messages.h"
#include "token/operation_steps.h"
#include "token/rt_error.h"

std::uint16_t probeSlot(const TokenPath& path, std::uint16_t slot)
{
    readerGuard reader(openToken(OPERATION_ACCESS_LEVEL, slot));
    if (!selectPath(reader.handle, path)) {
        throwTokenError(MSG_NOT_FOUND, CODE_NOT_FOUND);
    }
    return slot;
}

std::uint16_t findSlot(const TokenPath& path)
{
    // Slots are tried in order until one holds the object. "No such token"
    // means every reader has been tried; any other failure ends the search
    // at that slot.
    for (std::uint32_t slot = 0; slot <= 0xFFFF; ++slot) {
        try {
            return probeSlot(path, static_cast<std::uint16_t>(slot));
        } catch (const rtError& error) {
            if (error.code == CODE_NO_SUCH_TOKEN) {
                break;
            }
            if (error.code != CODE_NOT_FOUND) {
                throw;
            }
        }
    }
    throwTokenError(MSG_NOT_FOUND, CODE_NOT_FOUND);
}
