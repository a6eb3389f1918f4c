// The store's files as text: parsing and formatting. Parsers take the bytes
// of one file, check every field and bound every size, and throw StoreError
// for anything they do not accept, so a damaged or hand-edited store gives a
// clean failure. Formatting then parsing gives back the same model.
#ifndef SOFTTOKEN_STORE_FORMAT_H
#define SOFTTOKEN_STORE_FORMAT_H

#include "store_model.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace softtoken {

inline constexpr int STORE_FORMAT_VERSION = 1;
// The largest store file any parser reads; larger ones are damaged.
inline constexpr std::size_t MAX_STORE_FILE = 2 * MAX_MEMORY + 1024 * 1024;

ReaderList parseReadersFile(std::string_view bytes);
std::string formatReadersFile(const ReaderList& list);

Token parseTokenFile(std::string_view bytes);
std::string formatTokenFile(const Token& token);

std::string toHex(std::string_view bytes);
std::string fromHex(std::string_view hex); // throws StoreError

// Splits into lines at '\n' (a '\r' before it is dropped). Throws when a
// line holds a NUL or when there are more than `maxLines`.
std::vector<std::string_view> splitLines(std::string_view bytes, std::size_t maxLines);
// First word of a line and the rest after one blank.
std::pair<std::string_view, std::string_view> splitWord(std::string_view line);

} // namespace softtoken

#endif
