#include "cmdfile/command_file.h"

#include <cstddef>
#include <filesystem>
#include <system_error>

#include "cmdfile/group_codec.h"
#include "log/log.h"

namespace {

constexpr std::size_t GROUP_LENGTH = 6;
constexpr std::uint32_t FILLER_RANGE = 100;

// Draws the fillers for one digit, high first, then low, and encodes them.
// A group that would not read back as its own digit (its value is 0, its
// sine rounds to 1, or six decimals cannot tell it from its neighbour) is
// drawn again with fresh fillers in the same order, so every written file
// reads back as written. A group that reads back at once consumes exactly
// two draws.
std::string drawGroup(unsigned digit, FillerGenerator& generator)
{
    for (;;) {
        const unsigned hi = generator.next() % FILLER_RANGE;
        const unsigned lo = generator.next() % FILLER_RANGE;
        std::string group = encodeGroup(digit, hi, lo);
        if (decodeGroup(group) == digit) {
            return group;
        }
    }
}

// The stream stays open; the caller closes it.
struct ReadResult {
    bool ok = false;
    BoardPair pair;
};

ReadResult readBody(std::FILE* file)
{
    ReadResult result;
    std::uint32_t place = 1000;
    for (int i = 0; i < 4; ++i) {
        for (std::uint32_t* sum : {&result.pair.fromBoard, &result.pair.toBoard}) {
            char group[GROUP_LENGTH] = {};
            // A file shorter than the body has no defined group here: it is
            // malformed like a group that does not decode.
            if (std::fread(group, 1, GROUP_LENGTH, file) != GROUP_LENGTH) {
                return result;
            }
            const auto digit = decodeGroup(std::string_view(group, GROUP_LENGTH));
            if (!digit) {
                return result;
            }
            *sum += *digit * place;
        }
        place /= 10;
    }
    result.ok = true;
    return result;
}

} // namespace

bool writeCommandFile(std::FILE* stream, std::uint32_t fromBoard, std::uint32_t toBoard,
                      FillerGenerator& generator)
{
    bool written = true;
    for (std::uint32_t place = 1000; place > 0; place /= 10) {
        for (std::uint32_t board : {fromBoard, toBoard}) {
            const std::string group = drawGroup((board / place) % 10, generator);
            if (std::fprintf(stream, "%s", group.c_str()) < 0) {
                written = false;
            }
        }
    }
    // Some C libraries count the characters formatted even when the stream
    // refuses them; the stream's error flag tells.
    if (std::ferror(stream) != 0) {
        written = false;
    }
    return written;
}

std::optional<BoardPair> readCommandFile(const std::string& path)
{
    // A folder is no command file. Some systems open one for reading and
    // fail only at the first read, which would pass for a malformed file.
    std::error_code error;
    const bool isFolder = std::filesystem::is_directory(path, error);
    std::FILE* file = isFolder ? nullptr : std::fopen(path.c_str(), "r");
    if (file == nullptr) {
        logLine("File not found!!!", 1);
        return std::nullopt;
    }
    const ReadResult result = readBody(file);
    std::fclose(file);
    if (!result.ok) {
        logLine("Bad file format!!!", 1);
        return std::nullopt;
    }
    logPrintf(1, "fromBoard=%i, toBoard=%i\n", static_cast<int>(result.pair.fromBoard),
              static_cast<int>(result.pair.toBoard));
    return result.pair;
}
