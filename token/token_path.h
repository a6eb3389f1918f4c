#ifndef TOKEN_TOKEN_PATH_H
#define TOKEN_TOKEN_PATH_H

#include <cstdint>

// Names one object on a token by the IDs on the way down from the master
// folder: depth 0 is the master folder, 1 a board folder (ids[0] = board
// number), 2 a file in a board folder (ids[1] = file ID). The IDs follow
// the depth directly, so `ids` can be handed to the library as an array.
struct TokenPath {
    std::uint16_t depth = 0;
    std::uint16_t ids[2] = {0, 0};
};

#endif
