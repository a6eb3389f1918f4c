// What a store holds, read straight from its files with the emulator's own
// parser: a torn or half-written file fails to load. Lets the sweeps compare
// stores before and after a run, board by board.
#ifndef TESTS_RELIABILITY_STORE_STATE_H
#define TESTS_RELIABILITY_STORE_STATE_H

#include <cstdint>
#include <string>
#include <vector>

#include "store_model.h"

constexpr std::uint16_t DATA_FILE = 0x1001;

struct StoreState {
    std::vector<std::string> readerNames;    // slot order
    std::vector<softtoken::Token> tokens;    // one per reader, same order
};

// Throws softtoken::StoreError when any file of the store does not parse.
StoreState loadStore(const std::string& dir);

// The data files of the board on every token, in slot order.
std::vector<std::string> dataFiles(const StoreState& state, std::uint16_t board);
bool holdsData(const StoreState& state, std::uint16_t board, const std::string& bytes);
// How many tokens hold a folder for the board.
int boardCount(const StoreState& state, std::uint16_t board);

// The whole store as text, leaving out what a flow may change: every
// folder of `changed`, and the data file of `emptied` together with its
// folder when nothing else is left in it. Two stores that agree here differ
// at most in the flow's own boards.
std::string restOfStore(const StoreState& state, std::uint16_t changed, std::uint16_t emptied);

#endif
