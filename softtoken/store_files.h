// File-system primitives of the store: whole-file reads, durable
// replacement, cheap change detection, the cross-process lock, the default
// store folder and ending the process at once. POSIX versions live in
// store_files_posix.cpp.
#ifndef SOFTTOKEN_STORE_FILES_H
#define SOFTTOKEN_STORE_FILES_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace softtoken {

// What stat tells about a file; a changed file has a changed signature
// (a replacement by rename always has a new inode).
struct FileSignature {
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t mtimeNanoseconds = 0;
    std::uint64_t inode = 0;
    std::uint64_t device = 0;
    bool operator==(const FileSignature&) const = default;
};

FileSignature fileSignature(const std::string& path);

// The file's bytes, or nullopt when it does not exist. Throws StoreError on
// a read error or when the file is larger than maxBytes.
std::optional<std::string> readWholeFile(const std::string& path, std::size_t maxBytes);

// Replaces the file so that a crash at any instant leaves either the old or
// the new content: temporary file, fsync, rename over, fsync the folder.
void writeFileDurably(const std::string& path, const std::string& bytes);
// Removes the file (if present) and makes the removal durable.
void removeFileDurably(const std::string& path);
// Appends one piece of text in one write (open, append, close), so that it
// survives the process being killed right after. Errors are ignored.
void appendToFile(const std::string& path, const std::string& text);
// Creates the folder and its missing parents.
void makeFolders(const std::string& path);
bool folderExists(const std::string& path);

// An exclusive lock on a lock file that holds across processes and ends
// with the owner (or its process).
class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Polls for up to timeoutMilliseconds; false when another holder kept it.
    bool acquire(const std::string& path, int timeoutMilliseconds);
    void release();
    bool held() const { return fd_ != -1; }

private:
    std::intptr_t fd_ = -1; // a descriptor, or a Windows HANDLE
};

inline constexpr int LOCK_TIMEOUT_MS = 5000;

// $XDG_DATA_HOME/softtoken, else $HOME/.local/share/softtoken (on Windows
// %LOCALAPPDATA%\softtoken).
std::string defaultStoreFolder();
// SOFTTOKEN_DIR when set and not empty, else the default.
std::string storeFolderFromEnvironment();

// Ends the process at once, with no clean-up, as a pulled token would.
[[noreturn]] void killThisProcess();

} // namespace softtoken

#endif
