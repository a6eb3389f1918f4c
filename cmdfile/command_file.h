// The 48-character body of a command file: eight groups carrying the four
// digits of fromBoard and of toBoard, thousands first, interleaved.
#ifndef CMDFILE_COMMAND_FILE_H
#define CMDFILE_COMMAND_FILE_H

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "cmdfile/filler_generator.h"

struct BoardPair {
    std::uint32_t fromBoard = 0;
    std::uint32_t toBoard = 0;
};

// Writes the body to an open stream. Returns false when a write failed.
bool writeCommandFile(std::FILE* stream, std::uint32_t fromBoard, std::uint32_t toBoard,
                      FillerGenerator& generator);

// Opens and decodes the file at `path`. On failure logs "File not found!!!"
// or "Bad file format!!!" and returns nothing; on success logs
// "fromBoard=%i, toBoard=%i\n" and returns the pair.
std::optional<BoardPair> readCommandFile(const std::string& path);

#endif
