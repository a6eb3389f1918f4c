// The objects that the entry point creates once per run and hands to the
// mode that runs.
#ifndef APP_WORKING_OBJECTS_H
#define APP_WORKING_OBJECTS_H

#include <cstdint>
#include <string>
#include <vector>

#include "token/token_path.h"

// ID of a board's data file, size of a newly created (zero-filled) one.
inline constexpr std::uint16_t DATA_FILE_ID = 0x1001;
inline constexpr std::uint16_t DATA_FILE_SIZE = 340;
// Bytes offered to a read of a data file, and the buffer that takes them:
// wide enough for the longest file a token can hold (its length is 16-bit),
// so a file is always read, moved and reported whole.
inline constexpr std::uint32_t READ_CAPACITY = 0xFFFF;
inline constexpr std::size_t DATA_BUFFER_SIZE = 65536;

struct WorkingObjects {
    std::vector<std::string> tokenList;
    std::string commandFileName;
    std::vector<std::uint16_t> childIds;
    char accessCodeMask[18] = {};
    unsigned char maskedAccessCode[6] = {};
    TokenPath path;
    std::uint16_t dataFileId = DATA_FILE_ID;
    std::uint16_t newDataFileSize = DATA_FILE_SIZE;
    std::vector<std::uint8_t> dataBuffer = std::vector<std::uint8_t>(DATA_BUFFER_SIZE);
    char textBuffer[12] = {};
};

#endif
