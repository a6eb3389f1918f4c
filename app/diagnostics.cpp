// Diagnostics report: every token present with its boards, their sensors
// and sizes, and its free memory, written to the log. A failure is logged
// and the report goes on with the next file, board or token; the report
// only reads and always ends with 0.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "app/modes.h"
#include "log/log.h"
#include "token/board_ops.h"
#include "token/discovery.h"
#include "token/rt_error.h"

namespace {

constexpr const char* HEADER = "***************Diagnostics*******************\n";
constexpr const char* CLOSING_ROW = "*********************************************\n";

// IDs in the master folder that are no boards.
constexpr std::uint16_t NO_BOARD = 0;
constexpr std::uint16_t RESERVED_ID = 0xFFFF;

void reportSensor(WorkingObjects& objects, std::uint16_t slot, std::size_t sensorIndex)
{
    TokenPath& path = objects.path;
    const std::uint16_t sensor = objects.childIds[sensorIndex];
    logPrintf(1, "\t\tSensor %i: 0x%04x\n", static_cast<int>(sensorIndex),
              static_cast<unsigned>(sensor));
    path.depth = 2;
    path.ids[1] = sensor;
    try {
        const std::uint32_t size =
            readDataFile(path, objects.dataBuffer.data(), READ_CAPACITY, slot);
        logPrintf(1, "\t\tFile size %i\n", static_cast<int>(size));
    } catch (const rtError& error) {
        logPrintf(1, "!!!Cann't read data file!!!: %s\n", error.message.c_str());
    }
}

void reportBoard(WorkingObjects& objects, std::uint16_t slot, std::size_t boardIndex,
                 std::uint16_t board)
{
    TokenPath& path = objects.path;
    logPrintf(1, "\tBoard %i: %5i\n", static_cast<int>(boardIndex), static_cast<int>(board));
    path.depth = 1;
    path.ids[0] = board;
    try {
        objects.childIds = listChildren(path, slot);
        logPrintf(1, "\tNumber of sensors: %i\n", static_cast<int>(objects.childIds.size()));
        std::sort(objects.childIds.begin(), objects.childIds.end());
        for (std::size_t sensorIndex = 0; sensorIndex < objects.childIds.size(); ++sensorIndex) {
            reportSensor(objects, slot, sensorIndex);
        }
    } catch (const rtError& error) {
        logPrintf(1, "!!!Cann't read sensors dir!!!: %s\n", error.message.c_str());
    }
}

void reportSlot(WorkingObjects& objects, std::uint16_t slot)
{
    logPrintf(1, "Slot %i: %s\n", static_cast<int>(slot), objects.tokenList[slot].c_str());
    objects.path.depth = 0;
    try {
        const std::vector<std::uint16_t> boards = listChildren(objects.path, slot);
        // One less than the number of children, whatever they are: an empty
        // master folder shows -1.
        const std::uint32_t boardCount = static_cast<std::uint32_t>(boards.size()) - 1u;
        logPrintf(1, "Number of boards: %i\n", static_cast<int>(boardCount));
        logPrintf(1, "%i bytes free\n", static_cast<int>(getFreeMemory(slot)));
        for (std::size_t boardIndex = 0; boardIndex < boards.size(); ++boardIndex) {
            const std::uint16_t board = boards[boardIndex];
            if (board == RESERVED_ID || board == NO_BOARD) {
                continue;
            }
            reportBoard(objects, slot, boardIndex, board);
        }
    } catch (const rtError& error) {
        logPrintf(1, "!!!Cann't read boards dir!!!: %s\n", error.message.c_str());
    }
}

} // namespace

int runDiagnostics(WorkingObjects& objects)
{
    logLine(HEADER, 1);
    try {
        objects.tokenList = listTokens();
        if (objects.tokenList.empty()) {
            logPrintf(1, "Tokens not found!!!\n");
        }
        for (std::size_t slot = 0; slot < objects.tokenList.size(); ++slot) {
            reportSlot(objects, static_cast<std::uint16_t>(slot));
        }
    } catch (...) {
        logPrintf(1, "!!!UNKNOWN ERROR!!!\n");
    }
    logLine(CLOSING_ROW, 1);
    return 0;
}
