// The library's per-process state: handle tables, the cached store files,
// fault counters and the last error. Every exported function takes the one
// mutex, so the tables are safe to use from several threads.
#ifndef SOFTTOKEN_API_STATE_H
#define SOFTTOKEN_API_STATE_H

#include "faults_format.h"
#include "store_files.h"
#include "store_model.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace softtoken {

// Codes that rtGetLastError reports after a failed call.
enum LastError : std::uint32_t {
    ERROR_NONE = 0,
    ERROR_BAD_HANDLE = 1,
    ERROR_BAD_ARGUMENT = 2,
    ERROR_NOT_FOUND = 3,
    ERROR_EXISTS = 4,
    ERROR_NO_MEMORY = 5,
    ERROR_NOT_LOGGED_IN = 6,
    ERROR_WRONG_PIN = 7,
    ERROR_LOCK_TIMEOUT = 8,
    ERROR_STORE = 9, // damaged store or an I/O failure
    ERROR_INJECTED = 10,
    ERROR_WRONG_KIND = 11, // a file where a folder is needed, or the reverse
    ERROR_OUT_OF_BOUNDS = 12,
    ERROR_NOT_EMPTY = 13,
    ERROR_NO_TOKEN = 14,
    ERROR_BUFFER_TOO_SMALL = 15,
    ERROR_NOT_LOCKED = 16,
};

struct EnumerationState {
    std::string dir;
    std::vector<std::string> names;
};

struct ReaderState {
    std::string dir;
    std::string name;
    std::string key;        // the token's key in the store
    FileLock lock;          // held between rtLock and rtUnlock
    std::uint8_t user = 0;  // user type logged in, 0: none
    IdPath folder;          // current folder
    IdPath object;          // current object (the folder itself or a file in it)
};

struct FcpState {
    bool filled = false;
    std::uint16_t length = 0;
    std::uint16_t id = 0;
    bool isFolder = false;
};

template <class T>
struct Cached {
    FileSignature signature;
    T value;
};

struct LibraryState {
    std::mutex mutex;
    std::uint32_t lastHandle = 0;
    std::unordered_map<std::uint32_t, EnumerationState> enumerations;
    std::unordered_map<std::uint32_t, ReaderState> readers;
    std::unordered_map<std::uint32_t, FcpState> fcps;
    std::uint32_t lastError = ERROR_NONE;

    std::unordered_map<std::string, Cached<ReaderList>> readersCache; // by store folder
    std::unordered_map<std::string, Cached<Token>> tokenCache;        // by token file
    std::unordered_map<std::string, Cached<FaultList>> faultsCache;   // by store folder
    std::unordered_map<std::string, std::uint32_t> faultCounts;       // by folder and serial
    // The out-count that a count fault makes the call in progress report.
    std::optional<std::uint32_t> reportedCount;
};

// The one state of this process; never destroyed, so calls made while the
// process exits still find it.
LibraryState& libraryState();

// A new handle: never 0, never one in use, not reused until the 32-bit
// counter wraps.
std::uint32_t newHandle(LibraryState& state);

// The store files, parsed once and revalidated by their signature.
const ReaderList& cachedReaders(LibraryState& state, const std::string& dir);
const Token& cachedToken(LibraryState& state, const std::string& dir, const std::string& key);
const FaultList& cachedFaults(LibraryState& state, const std::string& dir);
// Writes the token durably and keeps the new content as the cached one.
void storeToken(LibraryState& state, const std::string& dir, const std::string& key, const Token& token);

ReaderState& readerOf(LibraryState& state, std::uint32_t handle);
EnumerationState& enumerationOf(LibraryState& state, std::uint32_t handle);
FcpState& fcpOf(LibraryState& state, std::uint32_t handle);
// nullptr for handle 0; throws for any other unknown handle.
FcpState* optionalFcp(LibraryState& state, std::uint32_t handle);

// Whether some reader handle of this process holds the token's lock.
bool processHoldsLock(const LibraryState& state, const std::string& dir, const std::string& key);

} // namespace softtoken

#endif
