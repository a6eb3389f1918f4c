#include "perf_store.h"

#include "cmdfile/command_file.h"
#include "store_access.h"
#include "store_model.h"

#include <cstdio>
#include <filesystem>

namespace {

// Room for 200 boards of three files (about 300 KB) with plenty to spare.
constexpr std::uint32_t PERF_TOKEN_MEMORY = 4u * 1024u * 1024u;

softtoken::Token perfToken(unsigned slot, const PerfStoreShape& shape)
{
    softtoken::Token token;
    token.id = slot + 1;
    token.memory = PERF_TOKEN_MEMORY;
    for (unsigned b = 0; b < shape.boards; ++b) {
        softtoken::Object board{perfBoardId(slot, b), true, {}, {}, {}};
        for (unsigned f = 0; f < shape.filesPerBoard; ++f) {
            std::string data(PERF_FILE_SIZES[f % 3], '\0');
            for (std::size_t i = 0; i < data.size(); ++i) {
                data[i] = static_cast<char>((i * 7 + f + b) & 0xFF);
            }
            board.children.push_back(softtoken::Object{
                static_cast<std::uint16_t>(PERF_FIRST_FILE_ID + f), false, {}, data, {}});
        }
        token.root.children.push_back(board);
    }
    return token;
}

} // namespace

std::string perfReaderName(unsigned slot)
{
    return "KeyToken " + std::to_string(slot);
}

std::uint16_t perfBoardId(unsigned slot, unsigned index)
{
    return static_cast<std::uint16_t>(slot * 1000 + index + 1);
}

std::uint32_t perfChunkReads(std::uint32_t size)
{
    return (size + 255) / 256;
}

void writePerfStore(const std::string& dir, const PerfStoreShape& shape)
{
    std::filesystem::remove_all(dir);
    softtoken::ReaderList list;
    for (unsigned slot = 0; slot < shape.tokens; ++slot) {
        std::string key = std::to_string(list.nextKey++);
        softtoken::saveToken(dir, key, perfToken(slot, shape));
        list.readers.push_back({perfReaderName(slot), key});
    }
    softtoken::saveReaders(dir, list);
}

bool writePerfCommandFile(const std::string& path, std::uint32_t fromBoard, std::uint32_t toBoard)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    FillerGenerator generator;
    generator.seed(12345);
    bool written = writeCommandFile(file, fromBoard, toBoard, generator);
    return std::fclose(file) == 0 && written;
}
