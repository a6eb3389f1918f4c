#include "app/remove_board.h"

#include "log/log.h"
#include "token/board_ops.h"

void removeBoardIfEmpty(WorkingObjects& objects, std::uint16_t slot)
{
    TokenPath& path = objects.path;
    path.depth = 1;
    const int board = path.ids[0];
    logPrintf(1, "Checking of board %i\n", board);
    objects.childIds = listChildren(path, slot);
    if (!objects.childIds.empty()) {
        logPrintf(1, "Board %i is not empty\n", board);
        return;
    }
    logPrintf(1, "Deleting board %i\n", board);
    deleteObject(path, slot);
}
