// Runs one token-layer operation in a process of its own, so that a test
// sees its standard output and error and the library's trace, including
// the lines for handles still held when the process ends.
//
//   token_driver [--merge-stderr FILE] [--time-limit SECONDS] OPERATION ARGUMENTS...
//
// With --time-limit the driver ends itself with exit code 6 and the line
// "driver time limit" on standard error when the operation takes longer,
// so an operation that never ends fails its test instead of hanging it.
//
// PATH is "-" for the master folder, else IDs separated by "/" (decimal or
// 0x-hex). Results go to standard output after any notices; an rtError is
// reported as "rtError CODE MESSAGE" and ends the process with 3.
#include <fcntl.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "token/board_ops.h"
#include "token/discovery.h"
#include "token/guards.h"
#include "token/rt_error.h"
#include "token/token_path.h"

namespace {

TokenPath parsePath(const std::string& text)
{
    TokenPath path;
    if (text == "-") {
        return path;
    }
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('/', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (path.depth == 2) {
            throw std::runtime_error("path too deep: " + text);
        }
        path.ids[path.depth++] =
            static_cast<std::uint16_t>(std::stoul(text.substr(start, end - start), nullptr, 0));
        start = end + 1;
    }
    return path;
}

std::uint16_t parseSlot(const std::string& text)
{
    return static_cast<std::uint16_t>(std::stoul(text, nullptr, 0));
}

std::string hex(const std::uint8_t* bytes, std::size_t count)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

void run(const std::vector<std::string>& args)
{
    const std::string& op = args.at(0);
    if (op == "list") {
        for (const auto& entry : listTokens()) {
            std::printf("entry [%s]\n", entry.c_str());
        }
    } else if (op == "open") {
        readerGuard reader(openToken(static_cast<std::uint8_t>(std::stoul(args.at(1))),
                                     parseSlot(args.at(2))));
        std::printf("open %s\n", reader.handle != 0 ? "ok" : "zero");
    } else if (op == "read") {
        std::vector<std::uint8_t> buffer(std::stoul(args.at(3)) + 1, 0xEE);
        std::uint32_t count =
            readDataFile(parsePath(args.at(1)), buffer.data(),
                         static_cast<std::uint32_t>(std::stoul(args.at(3))), parseSlot(args.at(2)));
        // Bytes past the count must be untouched.
        bool clean = count < buffer.size();
        for (std::size_t i = count; clean && i < buffer.size(); ++i) {
            clean = buffer[i] == 0xEE;
        }
        std::printf("read %u %s %s\n", static_cast<unsigned>(count),
                    hex(buffer.data(), count).c_str(), clean ? "tail-clean" : "tail-dirty");
    } else if (op == "write") {
#ifdef _WIN32
        // The bytes to write come unchanged: no CR LF folding, no end at
        // Ctrl+Z.
        _setmode(_fileno(stdin), _O_BINARY);
#endif
        std::string input((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
        bool done = writeDataFile(parsePath(args.at(1)),
                                  reinterpret_cast<const std::uint8_t*>(input.data()),
                                  static_cast<std::uint16_t>(input.size()), parseSlot(args.at(2)));
        std::printf("write %d\n", done ? 1 : 0);
    } else if (op == "mkdir") {
        bool done = createFolder(parsePath(args.at(1)), parseSlot(args.at(2)));
        std::printf("mkdir %d\n", done ? 1 : 0);
    } else if (op == "children") {
        std::printf("children");
        for (std::uint16_t id : listChildren(parsePath(args.at(1)), parseSlot(args.at(2)))) {
            std::printf(" 0x%04X", static_cast<unsigned>(id));
        }
        std::printf("\n");
    } else if (op == "delete") {
        bool done = deleteObject(parsePath(args.at(1)), parseSlot(args.at(2)));
        std::printf("delete %d\n", done ? 1 : 0);
    } else if (op == "probe") {
        std::printf("probe %u\n", static_cast<unsigned>(probeSlot(parsePath(args.at(1)),
                                                                 parseSlot(args.at(2)))));
    } else if (op == "find") {
        std::printf("find %u\n", static_cast<unsigned>(findSlot(parsePath(args.at(1)))));
    } else if (op == "free") {
        std::printf("free %u\n", static_cast<unsigned>(getFreeMemory(parseSlot(args.at(1)))));
    } else if (op == "guards") {
        // One guard of each kind; the first two hold nothing.
        enumReadersGuard enumeration(0);
        readerGuard reader(0);
        fcpGuard fcp;
        std::printf("guards %s\n", fcp.handle != 0 ? "fcp" : "none");
    } else {
        throw std::runtime_error("unknown operation " + op);
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    while (args.size() >= 2 && args[0].rfind("--", 0) == 0) {
        if (args[0] == "--merge-stderr") {
            // Standard error appended to the trace file shows where each
            // console line falls among the library calls.
            int fd = open(args[1].c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            if (fd < 0 || dup2(fd, 2) < 0) {
                return 5;
            }
            close(fd);
        } else if (args[0] == "--time-limit") {
            std::chrono::seconds limit(std::stoul(args[1]));
            std::thread([limit] {
                std::this_thread::sleep_for(limit);
                std::fputs("driver time limit\n", stderr);
                std::_Exit(6);
            }).detach();
        } else {
            std::printf("driver failure: unknown option %s\n", args[0].c_str());
            return 4;
        }
        args.erase(args.begin(), args.begin() + 2);
    }
    try {
        run(args);
    } catch (const rtError& error) {
        std::printf("rtError %d %s\n", error.code, error.message.c_str());
        return 3;
    } catch (const std::exception& error) {
        std::printf("driver failure: %s\n", error.what());
        return 4;
    }
    return 0;
}
