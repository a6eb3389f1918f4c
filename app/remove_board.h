// The last step of a move or a delete: the source board folder goes when
// nothing is left in it.
#ifndef APP_REMOVE_BOARD_H
#define APP_REMOVE_BOARD_H

#include <cstdint>

#include "app/working_objects.h"

// The board is objects.path.ids[0]; `slot` is the token that holds it.
// Lists the board folder into objects.childIds and deletes the folder when
// the list is empty. Token failures pass out as rtError.
void removeBoardIfEmpty(WorkingObjects& objects, std::uint16_t slot);

#endif
