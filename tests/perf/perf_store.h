// The stores the performance runs use: a number of "KeyToken" readers, each
// with a token whose master folder holds board folders of a few files. The
// store files are written directly through the emulator's store code, so a
// store of thousands of objects is ready in milliseconds.
#ifndef TESTS_PERF_PERF_STORE_H
#define TESTS_PERF_PERF_STORE_H

#include <cstdint>
#include <string>

struct PerfStoreShape {
    unsigned tokens = 8;
    unsigned boards = 100;        // board folders per token
    unsigned filesPerBoard = 3;   // files per board folder
};

// File k of every board (k from 0) has ID 0x1001 + k and size
// PERF_FILE_SIZES[k % 3]: 340 bytes read in 2 chunks of at most 256 bytes,
// 256 in 1 and 600 in 3, so every board of three files takes 6 chunk reads.
inline constexpr std::uint32_t PERF_FILE_SIZES[3] = {340, 256, 600};
inline constexpr std::uint16_t PERF_FIRST_FILE_ID = 0x1001;

// Reader names are "KeyToken 0", "KeyToken 1", ...; slot s holds the boards
// s * 1000 + 1 to s * 1000 + boards, in this order.
std::string perfReaderName(unsigned slot);
std::uint16_t perfBoardId(unsigned slot, unsigned index);
std::uint32_t perfChunkReads(std::uint32_t size); // reads of at most 256 bytes

// Replaces whatever store is in `dir` by one of this shape.
void writePerfStore(const std::string& dir, const PerfStoreShape& shape);

// Writes a command file carrying the pair, with a fixed filler seed.
// Returns false when the file cannot be written.
bool writePerfCommandFile(const std::string& path, std::uint32_t fromBoard, std::uint32_t toBoard);

#endif
