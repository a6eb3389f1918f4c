// Fuzzes the command-file reader on arbitrary file contents and the group
// decoder on arbitrary text: neither may crash, hang or read out of bounds,
// and whatever they accept must be in range.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <unistd.h>

#include "cmdfile/command_file.h"
#include "cmdfile/group_codec.h"

namespace {

const std::string& scratchFile()
{
    static const std::string path = "/tmp/fuzz-command-file-" + std::to_string(getpid()) + ".rtn";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Every six-character window and every shorter tail.
    for (std::size_t at = 0; at < bytes.size() && at < 64; ++at) {
        const auto digit = decodeGroup(bytes.substr(at, 6));
        if (digit && *digit > 9) {
            std::abort();
        }
    }

    std::FILE* file = std::fopen(scratchFile().c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    const auto pair = readCommandFile(scratchFile());
    if (pair && (pair->fromBoard > 9999 || pair->toBoard > 9999)) {
        std::abort();
    }
    // Only the first 48 characters count: what follows them changes nothing.
    if (size > 48) {
        file = std::fopen(scratchFile().c_str(), "wb");
        if (file != nullptr) {
            std::fwrite(data, 1, 48, file);
            std::fclose(file);
            const auto head = readCommandFile(scratchFile());
            if (head.has_value() != pair.has_value() ||
                (head && (head->fromBoard != pair->fromBoard || head->toBoard != pair->toBoard))) {
                std::abort();
            }
        }
    }
    return 0;
}
