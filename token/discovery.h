// Finding the tokens plugged in, and opening one for one operation.
#ifndef TOKEN_DISCOVERY_H
#define TOKEN_DISCOVERY_H

#include <cstdint>
#include <string>
#include <vector>

// Reader-name filter passed to every enumeration.
inline constexpr const char* READER_FILTER = "KeyToken";

// One display string per reader, in slot order: the reader name, followed by
// " 0x%08X " with the token ID when the reader can be opened.
std::vector<std::string> listTokens();

// Opens, locks, logs out and logs in to the token in `slot`; accessLevel is
// 1 or 2. The caller owns the returned reader handle (readerGuard).
std::uint32_t openToken(std::uint8_t accessLevel, std::uint16_t slot);

#endif
