#include "store_files.h"

#include "store_model.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace softtoken {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path)
{
    throw StoreError(what + " " + path + ": " + std::strerror(errno));
}

std::string folderOf(const std::string& path)
{
    auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

void writeAll(int fd, const std::string& bytes, const std::string& path)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail("cannot write", path);
        }
        done += static_cast<std::size_t>(n);
    }
}

void syncFolder(const std::string& folder)
{
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        fail("cannot open folder", folder);
    }
    int rc = ::fsync(fd);
    ::close(fd);
    if (rc != 0) {
        fail("cannot sync folder", folder);
    }
}

} // namespace

FileSignature fileSignature(const std::string& path)
{
    struct stat st {};
    FileSignature sig;
    if (::stat(path.c_str(), &st) != 0) {
        return sig;
    }
    sig.exists = true;
    sig.size = static_cast<std::uint64_t>(st.st_size);
    sig.mtimeNanoseconds = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    sig.inode = static_cast<std::uint64_t>(st.st_ino);
    sig.device = static_cast<std::uint64_t>(st.st_dev);
    return sig;
}

std::optional<std::string> readWholeFile(const std::string& path, std::size_t maxBytes)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        fail("cannot open", path);
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            int saved = errno;
            ::close(fd);
            errno = saved;
            fail("cannot read", path);
        }
        if (n == 0) {
            break;
        }
        if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) {
            ::close(fd);
            throw StoreError("file too large: " + path);
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

void writeFileDurably(const std::string& path, const std::string& bytes)
{
    std::string temporary = path + ".tmp" + std::to_string(::getpid());
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        fail("cannot create", temporary);
    }
    try {
        writeAll(fd, bytes, temporary);
        if (::fsync(fd) != 0) {
            fail("cannot sync", temporary);
        }
    } catch (...) {
        ::close(fd);
        ::unlink(temporary.c_str());
        throw;
    }
    if (::close(fd) != 0) {
        ::unlink(temporary.c_str());
        fail("cannot close", temporary);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        int saved = errno;
        ::unlink(temporary.c_str());
        errno = saved;
        fail("cannot replace", path);
    }
    syncFolder(folderOf(path));
}

void removeFileDurably(const std::string& path)
{
    if (::unlink(path.c_str()) != 0) {
        if (errno == ENOENT) {
            return;
        }
        fail("cannot remove", path);
    }
    syncFolder(folderOf(path));
}

void appendToFile(const std::string& path, const std::string& text)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    try {
        writeAll(fd, text, path);
    } catch (const StoreError&) {
    }
    ::close(fd);
}

bool folderExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void makeFolders(const std::string& path)
{
    if (path.empty() || folderExists(path)) {
        return;
    }
    std::string parent = folderOf(path);
    if (parent != path && parent != "." && parent != "/") {
        makeFolders(parent);
    }
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
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
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fd_ = static_cast<std::intptr_t>(fd);
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::close(fd);
    return false;
}

void FileLock::release()
{
    if (fd_ != -1) {
        int fd = static_cast<int>(fd_);
        ::flock(fd, LOCK_UN);
        ::close(fd);
        fd_ = -1;
    }
}

std::string defaultStoreFolder()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return std::string(xdg) + "/softtoken";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        return std::string(home) + "/.local/share/softtoken";
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
    ::kill(::getpid(), SIGKILL);
    ::_exit(137);
}

} // namespace softtoken
