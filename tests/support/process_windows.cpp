// Running a child process on Windows: CreateProcess with the standard
// streams redirected to inheritable file handles.
#include "process.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <stdexcept>

namespace {

// One argument quoted so that the C runtime's command-line parser gives it
// back unchanged: backslashes count only before a quote, where each must be
// doubled, and a quote itself is escaped with a backslash.
std::string quoteArgument(const std::string& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
        return arg;
    }
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

std::string commandLine(const std::vector<std::string>& argv)
{
    std::string line;
    for (const auto& arg : argv) {
        if (!line.empty()) {
            line += ' ';
        }
        line += quoteArgument(arg);
    }
    return line;
}

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// The environment block for CreateProcess: this process's variables with
// `extra` added or replacing them. Names are case-insensitive on Windows,
// and the block is sorted by name as the system expects.
std::string environmentBlock(const Environment& extra)
{
    std::map<std::string, std::string> merged; // upper-case name -> "Name=value"
    std::vector<std::string> hidden;           // "=C:=C:\..." entries, kept as they are
    char* strings = GetEnvironmentStringsA();
    if (strings != nullptr) {
        for (const char* entry = strings; *entry != '\0'; entry += std::strlen(entry) + 1) {
            std::string text = entry;
            auto eq = text.find('=', 1);
            if (text[0] == '=' || eq == std::string::npos) {
                hidden.push_back(text);
            } else {
                merged[upper(text.substr(0, eq))] = text;
            }
        }
        FreeEnvironmentStringsA(strings);
    }
    for (const auto& [name, value] : extra) {
        merged[upper(name)] = name + "=" + value;
    }
    std::string block;
    for (const auto& text : hidden) {
        block += text;
        block += '\0';
    }
    for (const auto& [key, text] : merged) {
        block += text;
        block += '\0';
    }
    block += '\0';
    return block;
}

std::string nativePath(const std::string& path)
{
    return std::filesystem::path(path).make_preferred().string();
}

// A file handle the child inherits as one of its standard streams.
HANDLE openInheritable(const std::string& path, bool forWriting)
{
    SECURITY_ATTRIBUTES inherit{};
    inherit.nLength = sizeof inherit;
    inherit.bInheritHandle = TRUE;
    HANDLE handle = CreateFileA(nativePath(path).c_str(), forWriting ? GENERIC_WRITE : GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                                forWriting ? CREATE_ALWAYS : OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot open " + path + " for a child's standard stream");
    }
    return handle;
}

struct StreamHandles {
    HANDLE in = INVALID_HANDLE_VALUE;
    HANDLE out = INVALID_HANDLE_VALUE;
    HANDLE err = INVALID_HANDLE_VALUE;

    StreamHandles() = default;
    StreamHandles(const StreamHandles&) = delete;
    StreamHandles& operator=(const StreamHandles&) = delete;
    ~StreamHandles()
    {
        for (HANDLE handle : {in, out, err}) {
            if (handle != INVALID_HANDLE_VALUE) {
                CloseHandle(handle);
            }
        }
    }
};

// One pass over a tree, deepest first; true when the path is gone.
bool removeOnce(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        WIN32_FIND_DATAW entry;
        HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = entry.cFileName;
                if (name != L"." && name != L"..") {
                    removeOnce(path + L"\\" + name);
                }
            } while (FindNextFileW(find, &entry));
            FindClose(find);
        }
        return RemoveDirectoryW(path.c_str()) != 0;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    }
    return DeleteFileW(path.c_str()) != 0;
}

} // namespace

// A child that has just exited may hold its files open a moment longer
// (under Wine its process ends after it has reported the exit): a file
// removed meanwhile goes only when it lets go, and its folder, not yet
// empty, stays. So the removal is tried again for up to two seconds. (The
// standard library's remove_all can spin for ever on such a file under
// Wine.)
void removeTree(const std::string& path)
{
    const std::wstring wide = std::filesystem::path(path).make_preferred().wstring();
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (removeOnce(wide) && GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) {
            return;
        }
        Sleep(20);
    }
}

ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& workDir,
                         const std::string& input, const Environment& env)
{
    // Standard streams go through files in a private folder: no pipe can
    // fill up and stall the child, whatever it writes.
    std::string io = makeTempDir("proc");
    writeFileBytes(io + "/in", input);

    DWORD exitCode = 0;
    {
        StreamHandles streams;
        streams.in = openInheritable(io + "/in", false);
        streams.out = openInheritable(io + "/out", true);
        streams.err = openInheritable(io + "/err", true);

        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = streams.in;
        startup.hStdOutput = streams.out;
        startup.hStdError = streams.err;

        // A program named with a folder is started from exactly there; a
        // bare name is looked up as the system does.
        const std::string& program = argv.at(0);
        bool hasFolder = program.find_first_of("/\\:") != std::string::npos;
        std::string application = nativePath(program);
        std::string line = commandLine(argv);
        std::string environment = environmentBlock(env);
        std::string folder = nativePath(workDir);

        PROCESS_INFORMATION process{};
        // Wine, when the machine is busy, now and then fails a start with an
        // internal error before the program has run at all; such a start
        // is tried again.
        bool started = false;
        DWORD error = 0;
        for (int attempt = 0; attempt < 5 && !started; ++attempt) {
            started = CreateProcessA(hasFolder ? application.c_str() : nullptr, line.data(),
                                     nullptr, nullptr, TRUE, CREATE_NO_WINDOW, environment.data(),
                                     folder.c_str(), &startup, &process) != 0;
            error = started ? 0 : GetLastError();
            if (error != ERROR_INTERNAL_ERROR) {
                break;
            }
            Sleep(200);
        }
        if (!started) {
            removeTree(io);
            throw std::runtime_error("cannot start " + program + ": error " +
                                     std::to_string(error));
        }
        CloseHandle(process.hThread);
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hProcess);
    }

    ProcessResult result;
    result.exitCode = static_cast<int>(exitCode);
    result.out = readFileBytes(io + "/out");
    result.err = readFileBytes(io + "/err");
    removeTree(io);
    return result;
}

std::string makeTempDir(const std::string& prefix)
{
    static std::atomic<unsigned> counter{0};
    std::random_device entropy;
    auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto name = prefix + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(counter++) + "-" + std::to_string(entropy() % 100000);
        std::error_code error;
        if (std::filesystem::create_directory(base / name, error)) {
            return (base / name).string();
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}
