// Fuzzes the emulator's parsers of its store files (readers, token,
// faults) on arbitrary bytes, as a damaged or hand-edited store would give
// them: each either rejects the bytes with StoreError or accepts them, and
// what it accepts must format into text that parses back to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "faults_format.h"
#include "store_format.h"
#include "store_model.h"

namespace {

template <typename Parse, typename Format>
void roundTrip(std::string_view bytes, Parse parse, Format format)
{
    std::string text;
    try {
        text = format(parse(bytes));
    } catch (const softtoken::StoreError&) {
        return;
    }
    try {
        if (format(parse(text)) != text) {
            std::abort();
        }
    } catch (const softtoken::StoreError&) {
        // Accepted bytes were written out as a file that is then refused.
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    roundTrip(bytes, softtoken::parseReadersFile, softtoken::formatReadersFile);
    roundTrip(bytes, softtoken::parseTokenFile, softtoken::formatTokenFile);
    roundTrip(bytes, softtoken::parseFaultsFile, softtoken::formatFaultsFile);
    try {
        softtoken::fromHex(bytes);
    } catch (const softtoken::StoreError&) {
    }
    return 0;
}
