#include "store_files.h"

#include "store_model.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace softtoken {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path)
{
    throw StoreError(what + " " + path + ": error " + std::to_string(GetLastError()));
}

struct HandleCloser {
    HANDLE handle;
    ~HandleCloser()
    {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
};

} // namespace

FileSignature fileSignature(const std::string& path)
{
    FileSignature sig;
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return sig;
    }
    HandleCloser closer{h};
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) {
        return sig;
    }
    sig.exists = true;
    sig.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    sig.mtimeNanoseconds = static_cast<std::int64_t>(
        ((static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
         info.ftLastWriteTime.dwLowDateTime) * 100);
    sig.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    sig.device = info.dwVolumeSerialNumber;
    return sig;
}

std::optional<std::string> readWholeFile(const std::string& path, std::size_t maxBytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return std::nullopt;
        }
        fail("cannot open", path);
    }
    HandleCloser closer{h};
    std::string bytes;
    char buffer[65536];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(h, buffer, sizeof buffer, &n, nullptr)) {
            fail("cannot read", path);
        }
        if (n == 0) {
            break;
        }
        if (bytes.size() + n > maxBytes) {
            throw StoreError("file too large: " + path);
        }
        bytes.append(buffer, n);
    }
    return bytes;
}

void writeFileDurably(const std::string& path, const std::string& bytes)
{
    std::string temporary = path + ".tmp" + std::to_string(GetCurrentProcessId());
    HANDLE h = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        fail("cannot create", temporary);
    }
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD n = 0;
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        ok = WriteFile(h, bytes.data() + done, chunk, &n, nullptr) != 0;
        done += n;
    }
    ok = ok && FlushFileBuffers(h) != 0;
    CloseHandle(h);
    // MOVEFILE_WRITE_THROUGH returns only when the rename is on disk.
    if (!ok || !MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary.c_str());
        fail("cannot replace", path);
    }
}

void removeFileDurably(const std::string& path)
{
    if (!DeleteFileA(path.c_str())) {
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            fail("cannot remove", path);
        }
    }
}

void appendToFile(const std::string& path, const std::string& text)
{
    HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD n = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
    CloseHandle(h);
}

bool folderExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void makeFolders(const std::string& path)
{
    if (path.empty() || folderExists(path)) {
        return;
    }
    auto slash = path.find_last_of("/\\");
    if (slash != std::string::npos && slash > 0 && path[slash - 1] != ':') {
        makeFolders(path.substr(0, slash));
    }
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        fail("cannot create folder", path);
    }
}

FileLock::~FileLock()
{
    release();
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_)
{
    other.fd_ = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        release();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool FileLock::acquire(const std::string& path, int timeoutMilliseconds)
{
    release();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    for (;;) {
        OVERLAPPED whole{};
        if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
            fd_ = reinterpret_cast<std::intptr_t>(h);
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    CloseHandle(h);
    return false;
}

void FileLock::release()
{
    if (fd_ != -1) {
        HANDLE h = reinterpret_cast<HANDLE>(fd_);
        OVERLAPPED whole{};
        UnlockFileEx(h, 0, 1, 0, &whole);
        CloseHandle(h);
        fd_ = -1;
    }
}

std::string defaultStoreFolder()
{
    const char* local = std::getenv("LOCALAPPDATA");
    if (local != nullptr && local[0] != '\0') {
        return std::string(local) + "\\softtoken";
    }
    return "softtoken-store";
}

std::string storeFolderFromEnvironment()
{
    const char* dir = std::getenv("SOFTTOKEN_DIR");
    if (dir != nullptr && dir[0] != '\0') {
        return dir;
    }
    return defaultStoreFolder();
}

void killThisProcess()
{
    TerminateProcess(GetCurrentProcess(), 137);
    std::_Exit(137);
}

} // namespace softtoken
