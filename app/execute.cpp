// Command-file execution: decodes the command file, then creates, moves or
// deletes a board's data file on the tokens. Every step is logged; a code 9
// (object on no token) turns into the fallback of the step that met it,
// every other token failure ends the run with the fatal line.
#include <algorithm>
#include <cstdint>

#include "app/modes.h"
#include "app/remove_board.h"
#include "cmdfile/command_file.h"
#include "log/log.h"
#include "token/board_ops.h"
#include "token/discovery.h"
#include "token/messages.h"
#include "token/rt_error.h"

namespace {

// The code of "no token holds this object".
constexpr std::int16_t NOT_FOUND = 9;

constexpr const char* HEADER = "************Moving or Creating Board*********\n";
constexpr const char* CLOSING_ROW = "********************************************\n";

void setPath(TokenPath& path, std::uint16_t depth, std::uint16_t board, std::uint16_t file = 0)
{
    path.depth = depth;
    path.ids[0] = board;
    if (depth >= 2) {
        path.ids[1] = file;
    }
}

// Finds the token holding the board in objects.path (depth 1); when none
// does, creates the board on slot 0. Returns the slot the board is on.
std::uint16_t findOrCreateBoard(WorkingObjects& objects)
{
    TokenPath& path = objects.path;
    const int board = path.ids[0];
    try {
        const std::uint16_t slot = findSlot(path);
        logPrintf(1, "\tBoard %i found on slot %i\n", board, static_cast<int>(slot));
        return slot;
    } catch (const rtError& error) {
        if (error.code != NOT_FOUND) {
            throw;
        }
    }
    logPrintf(1, "\tBoard not found, creating board %i on slot 0\n", board);
    createFolder(path, 0);
    return 0;
}

int createBoardDataFile(WorkingObjects& objects, std::uint16_t toBoard)
{
    TokenPath& path = objects.path;
    setPath(path, 1, toBoard);
    logPrintf(1, "Searching for board %i\n", static_cast<int>(path.ids[0]));
    const std::uint16_t slot = findOrCreateBoard(objects);

    logPrintf(1, "\tCreating file 0x%04x on slot %i\n", static_cast<unsigned>(objects.dataFileId),
              static_cast<int>(slot));
    setPath(path, 2, toBoard, objects.dataFileId);
    std::fill_n(objects.dataBuffer.begin(), objects.newDataFileSize, std::uint8_t{0});
    writeDataFile(path, objects.dataBuffer.data(), objects.newDataFileSize, slot);
    return 0;
}

int moveBoardDataFile(WorkingObjects& objects, std::uint16_t fromBoard, std::uint16_t toBoard)
{
    TokenPath& path = objects.path;
    const int fileId = objects.dataFileId;

    setPath(path, 1, fromBoard);
    logPrintf(1, "Searching for board %i\n", static_cast<int>(path.ids[0]));
    std::uint16_t slot = 0;
    try {
        slot = findSlot(path);
        logPrintf(1, "\tBoard %i found on slot %i\n", static_cast<int>(path.ids[0]),
                  static_cast<int>(slot));
    } catch (const rtError& error) {
        if (error.code != NOT_FOUND) {
            throw;
        }
        logPrintf(1, "\tBoard %i not found, terminating\n", static_cast<int>(path.ids[0]));
        return 1;
    }

    setPath(path, 2, fromBoard, objects.dataFileId);
    logPrintf(1, "\tReading file 0x%4x from board %i\n", static_cast<unsigned>(fileId),
              static_cast<int>(path.ids[0]));
    std::uint16_t length = 0;
    try {
        length = static_cast<std::uint16_t>(
            readDataFile(path, objects.dataBuffer.data(), READ_CAPACITY, slot));
    } catch (const rtError& error) {
        if (error.code != NOT_FOUND) {
            throw;
        }
        logPrintf(1, "\tFile %i not found, terminating\n", fileId);
        return 1;
    }
    logPrintf(1, "\t%i bytes read\n", static_cast<int>(length));

    setPath(path, 1, toBoard);
    logPrintf(1, "Searching for board %i\n", static_cast<int>(path.ids[0]));
    slot = findOrCreateBoard(objects);

    setPath(path, 2, toBoard, objects.dataFileId);
    logPrintf(1, "\tWriting %i bytes to file 0x%04x on board %i\n", static_cast<int>(length),
              static_cast<unsigned>(fileId), static_cast<int>(path.ids[0]));
    writeDataFile(path, objects.dataBuffer.data(), length, slot);

    // Only now that the target holds the data may the source lose it; a
    // source file gone missing meanwhile is a fatal failure, not a fallback.
    path.ids[0] = fromBoard;
    logPrintf(1, "Deleting file 0x%04x on board %i\n", static_cast<unsigned>(fileId),
              static_cast<int>(path.ids[0]));
    slot = findSlot(path);
    deleteObject(path, slot);

    removeBoardIfEmpty(objects, slot);
    return 0;
}

int deleteBoardDataFile(WorkingObjects& objects, std::uint16_t fromBoard)
{
    TokenPath& path = objects.path;
    const int fileId = objects.dataFileId;

    setPath(path, 2, fromBoard, objects.dataFileId);
    logPrintf(1, "Deleting file 0x%04x on board %i\n", static_cast<unsigned>(fileId),
              static_cast<int>(path.ids[0]));
    bool fileDeleted = false;
    try {
        const std::uint16_t slot = findSlot(path);
        logPrintf(1, "\tFile %i found on slot %i\n", fileId, static_cast<int>(slot));
        deleteObject(path, slot);
        fileDeleted = true;
    } catch (const rtError& error) {
        if (error.code != NOT_FOUND) {
            throw;
        }
        // No token holds the data file: the board folder may still be there.
    }

    path.depth = 1;
    const std::uint16_t slot = findSlot(path);
    removeBoardIfEmpty(objects, slot);
    // The search took a token that failed to answer for one without the
    // file, yet the board still lists it: the file was not deleted, and the
    // run must not end as if it had been.
    if (!fileDeleted && std::find(objects.childIds.begin(), objects.childIds.end(),
                                  objects.dataFileId) != objects.childIds.end()) {
        throwTokenError(MSG_DELETE_FAILED, CODE_DELETE_FAILED);
    }
    return 0;
}

// Everything after the decoding: the token check, the operation and the
// closing row. Failures pass out as exceptions.
int carryOut(WorkingObjects& objects, const BoardPair& pair)
{
    objects.tokenList = listTokens();
    if (objects.tokenList.empty()) {
        logLine("Tokens not found!!!\n", 1);
        return 1;
    }

    const auto fromBoard = static_cast<std::uint16_t>(pair.fromBoard);
    const auto toBoard = static_cast<std::uint16_t>(pair.toBoard);
    int result = 1;
    if (fromBoard == 0 && toBoard == 0) {
        return 1;
    } else if (fromBoard == 0) {
        result = createBoardDataFile(objects, toBoard);
    } else if (toBoard == 0) {
        result = deleteBoardDataFile(objects, fromBoard);
    } else if (fromBoard == toBoard) {
        // Writing the data back and then deleting the source would lose it.
        logPrintf(1, "Board %i is both source and target, terminating\n",
                  static_cast<int>(fromBoard));
        return 1;
    } else {
        result = moveBoardDataFile(objects, fromBoard, toBoard);
    }
    if (result != 0) {
        return result;
    }
    logLine(CLOSING_ROW, 1);
    return 0;
}

} // namespace

int executeCommandFile(WorkingObjects& objects, const char* commandFilePath)
{
    logLine(HEADER, 1);
    objects.commandFileName = commandFilePath;
    const std::optional<BoardPair> pair = readCommandFile(objects.commandFileName);
    if (!pair) {
        return 1;
    }
    try {
        return carryOut(objects, *pair);
    } catch (const rtError& error) {
        logPrintf(1, "!!!FATAL ERROR!!!: %s\n", error.message.c_str());
    } catch (...) {
        logPrintf(1, "!!!UNKNOWN ERROR!!!\n");
    }
    return 1;
}
