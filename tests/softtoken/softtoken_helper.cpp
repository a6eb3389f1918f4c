// A small program of the emulator's tests that uses the library as a tool
// would, in another process:
//   hold READER MS MARKER     lock the token, create MARKER, keep the lock MS ms
//   update READER PATH TEXT   lock, log in, select PATH, write TEXT at 0
//   loop READER PATH MARKER   rewrite PATH again and again with one repeated
//                             letter, creating MARKER after the first write
//   leak READER               keep an enumeration, a locked reader and an FCP
//   sequence READER           one whole token operation, released properly
// Exit 0 on success, 3 when a library call fails.
#include "tokenapi.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

const char* const PIN = "Qwmzhvoa";

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "%s failed\n", what);
    std::exit(3);
}

std::vector<uint16_t> parsePath(const std::string& text)
{
    std::vector<uint16_t> ids;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t slash = text.find('/', pos);
        std::string part = text.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
        ids.push_back(static_cast<uint16_t>(std::strtoul(part.c_str(), nullptr, 0)));
        if (slash == std::string::npos) {
            break;
        }
        pos = slash + 1;
    }
    return ids;
}

RT_HANDLE openLocked(const char* reader)
{
    RT_HANDLE h = rtOpenReaderA(reader);
    if (h == 0) fail("rtOpenReaderA");
    if (!rtLock(h)) fail("rtLock");
    rtLogout(h);
    if (!rtLoginA(h, 2, PIN)) fail("rtLoginA");
    return h;
}

void writeAt(RT_HANDLE h, const std::vector<uint16_t>& path, const std::string& text)
{
    if (!rtSelectByPath(h, path.data(), static_cast<uint32_t>(path.size()), 1, 0)) fail("rtSelectByPath");
    uint32_t written = 0;
    if (!rtUpdateFile(h, 0, text.data(), static_cast<uint32_t>(text.size()), &written)) fail("rtUpdateFile");
}

void touch(const char* path)
{
    if (FILE* f = std::fopen(path, "w")) {
        std::fclose(f);
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "hold") {
        RT_HANDLE h = rtOpenReaderA(args[1].c_str());
        if (h == 0) fail("rtOpenReaderA");
        if (!rtLock(h)) fail("rtLock");
        touch(args[3].c_str());
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(args[2].c_str())));
        rtUnlock(h);
        rtCloseReader(h);
        return 0;
    }
    if (args.size() == 4 && args[0] == "update") {
        RT_HANDLE h = openLocked(args[1].c_str());
        writeAt(h, parsePath(args[2]), args[3]);
        rtLogout(h);
        rtUnlock(h);
        rtCloseReader(h);
        return 0;
    }
    if (args.size() == 4 && args[0] == "loop") {
        RT_HANDLE h = rtOpenReaderA(args[1].c_str());
        if (h == 0 || !rtLoginA(h, 2, PIN)) fail("open");
        auto path = parsePath(args[2]);
        if (!rtSelectByPath(h, path.data(), static_cast<uint32_t>(path.size()), 1, 0)) fail("rtSelectByPath");
        RT_HANDLE fcp = rtFCP_CreateFCP();
        uint16_t length = 0;
        if (!rtSelectByPath(h, path.data(), static_cast<uint32_t>(path.size()), 1, fcp) ||
            !rtFCP_GetFileLength(fcp, &length))
            fail("length");
        // Letters 'A' to 'N' only: the tests' original content is 'O', so a
        // kill after the first write must never find it, however many
        // rounds ran.
        for (unsigned round = 0; round < 100000; ++round) {
            writeAt(h, path, std::string(length, static_cast<char>('A' + round % 14)));
            if (round == 0) {
                touch(args[3].c_str());
            }
        }
        return 0;
    }
    if (args.size() == 2 && args[0] == "leak") {
        RT_HANDLE e = rtEnumReadersA("KeyToken");
        RT_HANDLE h = rtOpenReaderA(args[1].c_str());
        RT_HANDLE f = rtFCP_CreateFCP();
        if (e == 0 || h == 0 || f == 0 || !rtLock(h)) fail("leak");
        // A released set next to the kept one: only the kept one leaks.
        RT_HANDLE e2 = rtEnumReadersA("KeyToken");
        RT_HANDLE h2 = rtOpenReaderA(args[1].c_str());
        RT_HANDLE f2 = rtFCP_CreateFCP();
        rtFCP_RemoveFCP(f2);
        rtCloseReader(h2);
        rtEnumReadersClose(e2);
        std::printf("%u %u %u\n", e, h, f);
        return 0;
    }
    if (args.size() == 2 && args[0] == "sequence") {
        RT_HANDLE e = rtEnumReadersA("KeyToken");
        if (e == 0 || rtGetReadersCount(e) < 1) fail("enumerate");
        char name[1024];
        uint32_t length = sizeof name;
        if (!rtGetReaderNameFromListA(e, 0, name, &length)) fail("name");
        RT_HANDLE h = openLocked(name);
        rtEnumReadersClose(e);
        uint16_t ids[] = {7};
        RT_HANDLE fcp = rtFCP_CreateFCP();
        rtSelectByPath(h, ids, 1, 1, fcp);
        rtFCP_RemoveFCP(fcp);
        rtLogout(h);
        rtUnlock(h);
        rtCloseReader(h);
        return 0;
    }
    std::fprintf(stderr, "usage: softtoken_helper hold|update|loop|leak|sequence ...\n");
    return 2;
}
