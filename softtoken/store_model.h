// The emulated store in memory: readers in slot order, and per token its ID,
// capacity, PINs and a tree of folders and files named by 16-bit IDs.
#ifndef SOFTTOKEN_STORE_MODEL_H
#define SOFTTOKEN_STORE_MODEL_H

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace softtoken {

// The one exception of the emulator: a damaged store, a missing object, a
// refused change. The library turns it into a failure result; the CLI
// prints its text and exits 1.
// `code` is what the library's rtGetLastError reports for it.
class StoreError : public std::runtime_error {
public:
    explicit StoreError(const std::string& message, std::uint32_t errorCode = 9)
        : std::runtime_error(message), code(errorCode)
    {
    }
    std::uint32_t code;
};

inline constexpr std::uint32_t DEFAULT_MEMORY = 32768;
inline constexpr std::uint32_t MAX_MEMORY = 16u * 1024u * 1024u;
// Every object below the master folder costs this much besides its data.
inline constexpr std::uint32_t OBJECT_OVERHEAD = 32;
inline constexpr std::uint32_t MAX_FILE_SIZE = 0xFFFF;
inline constexpr std::size_t MAX_ATTRIBUTE_BYTES = 6 * 64;
inline constexpr std::size_t MAX_PIN_LENGTH = 64;
inline constexpr std::size_t MAX_DEPTH = 32;
inline constexpr std::size_t MAX_READER_NAME = 255;
inline constexpr std::size_t MAX_READERS = 256;
inline constexpr const char* DEFAULT_PIN1 = "uKDwarsoLGx";
inline constexpr const char* DEFAULT_PIN2 = "Qwmzhvoa";

struct Object {
    std::uint16_t id = 0;
    bool isFolder = false;
    std::string attributes;       // raw bytes as given at creation
    std::string data;             // file contents; empty for folders
    std::vector<Object> children; // in creation order
};

struct Token {
    std::uint32_t id = 0;
    std::uint32_t memory = DEFAULT_MEMORY;
    std::string pin1 = DEFAULT_PIN1;
    std::string pin2 = DEFAULT_PIN2;
    Object root{0, true, {}, {}, {}}; // the master folder
};

struct ReaderEntry {
    std::string name;
    std::string tokenKey; // names the token's files; empty: no token
};

struct ReaderList {
    std::uint32_t nextKey = 1; // key numbers are never reused
    std::vector<ReaderEntry> readers;
};

using IdPath = std::vector<std::uint16_t>;

// The object at `path` below `root`, or nullptr.
const Object* findObject(const Object& root, const IdPath& path);
Object* findObject(Object& root, const IdPath& path);
const Object* findChild(const Object& folder, std::uint16_t id);

// Bytes the objects below the master folder take: OBJECT_OVERHEAD each,
// plus each file's size.
std::uint64_t usedMemory(const Token& token);
std::uint32_t freeMemory(const Token& token);
std::uint32_t objectCost(std::size_t dataSize);

// "7/0x1001" -> {7, 0x1001}; "" or "/" -> {} (the master folder).
IdPath parseIdPath(const std::string& text);
std::string formatIdPath(const IdPath& path); // "0x0007/0x1001"
std::string formatId(std::uint16_t id);       // "0x%04X"
// Decimal or 0x-hex number no larger than `max`.
std::uint64_t parseNumber(const std::string& text, std::uint64_t max);

const ReaderEntry* findReader(const ReaderList& list, const std::string& name);

} // namespace softtoken

#endif
