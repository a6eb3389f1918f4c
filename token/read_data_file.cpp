#include "token/board_ops.h"
#include "token/discovery.h"
#include "token/guards.h"
#include "token/messages.h"
#include "token/operation_steps.h"
#include "token/rt_error.h"
#include "token/tokenapi.h"

std::uint32_t readDataFile(const TokenPath& path, std::uint8_t* buffer, std::uint32_t capacity,
                           std::uint16_t slot)
{
    readerGuard reader(openToken(OPERATION_ACCESS_LEVEL, slot));
    fcpGuard fcp;
    if (!selectPath(reader.handle, path, fcp.handle)) {
        throwTokenError(MSG_NOT_FOUND, CODE_NOT_FOUND);
    }
    // The file's length comes only from the FCP. Without an FCP, or when the
    // library does not report the length, a non-empty file would read as 0
    // bytes, and a move would then write an empty target and delete the
    // source: so both are read failures. A missing file is still reported
    // as not found first.
    if (fcp.handle == 0) {
        throwTokenError(MSG_READ_FAILED, CODE_IO_FAILED);
    }
    std::uint16_t fileLength = 0;
    if (rtFCP_GetFileLength(fcp.handle, &fileLength) == 0) {
        throwTokenError(MSG_READ_FAILED, CODE_IO_FAILED);
    }
    std::uint32_t length = fileLength < capacity ? fileLength : capacity;

    // Each chunk goes straight to its place in the caller's buffer. A chunk
    // must report between 1 and the bytes asked for: no bytes would never
    // reach the end, more would run past the buffer, and either way the
    // caller would take a short or false copy for the file.
    std::uint32_t position = 0;
    while (position < length) {
        std::uint32_t chunk = length - position < READ_CHUNK ? length - position : READ_CHUNK;
        std::uint32_t got = 0;
        if (rtReadFile(reader.handle, position, buffer + position, chunk, &got) == 0 || got == 0 ||
            got > chunk) {
            throwTokenError(MSG_READ_FAILED, CODE_IO_FAILED);
        }
        position += got;
    }
    return position;
}
