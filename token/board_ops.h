// Folder and file operations on the token in one slot. Each one opens the
// token, does its work and closes it again; failures are rtError.
#ifndef TOKEN_BOARD_OPS_H
#define TOKEN_BOARD_OPS_H

#include <cstdint>
#include <vector>

#include "token/token_path.h"

// Largest number of bytes asked for in one read call.
inline constexpr std::uint32_t READ_CHUNK = 256;

// Access attributes of every folder and file created: three 6-byte entries.
inline constexpr std::uint32_t ACCESS_ATTRIBUTE_COUNT = 3;
extern const std::uint8_t ACCESS_ATTRIBUTES[18];

std::uint32_t readDataFile(const TokenPath& path, std::uint8_t* buffer, std::uint32_t capacity,
                           std::uint16_t slot);
bool writeDataFile(const TokenPath& path, const std::uint8_t* data, std::uint16_t length,
                   std::uint16_t slot);
bool createFolder(const TokenPath& path, std::uint16_t slot);
std::vector<std::uint16_t> listChildren(const TokenPath& path, std::uint16_t slot);
bool deleteObject(const TokenPath& path, std::uint16_t slot);
std::uint16_t probeSlot(const TokenPath& path, std::uint16_t slot);
std::uint16_t findSlot(const TokenPath& path);
std::uint32_t getFreeMemory(std::uint16_t slot);

// Writes the text and a line end on standard output and flushes it.
void printNotice(const char* text);

#endif
