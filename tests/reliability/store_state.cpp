#include "store_state.h"

#include <algorithm>

#include "store_access.h"
#include "store_format.h"

StoreState loadStore(const std::string& dir)
{
    StoreState state;
    const softtoken::ReaderList readers = softtoken::loadReaders(dir);
    for (const auto& reader : readers.readers) {
        state.readerNames.push_back(reader.name);
        state.tokens.push_back(reader.tokenKey.empty() ? softtoken::Token{}
                                                       : softtoken::loadToken(dir, reader.tokenKey));
    }
    return state;
}

std::vector<std::string> dataFiles(const StoreState& state, std::uint16_t board)
{
    std::vector<std::string> files;
    for (const auto& token : state.tokens) {
        const softtoken::Object* file = softtoken::findObject(token.root, {board, DATA_FILE});
        if (file != nullptr && !file->isFolder) {
            files.push_back(file->data);
        }
    }
    return files;
}

bool holdsData(const StoreState& state, std::uint16_t board, const std::string& bytes)
{
    const auto files = dataFiles(state, board);
    return std::find(files.begin(), files.end(), bytes) != files.end();
}

int boardCount(const StoreState& state, std::uint16_t board)
{
    int count = 0;
    for (const auto& token : state.tokens) {
        const softtoken::Object* folder = softtoken::findChild(token.root, board);
        count += folder != nullptr && folder->isFolder ? 1 : 0;
    }
    return count;
}

std::string restOfStore(const StoreState& state, std::uint16_t changed, std::uint16_t emptied)
{
    std::string text;
    for (std::size_t slot = 0; slot < state.tokens.size(); ++slot) {
        softtoken::Token token = state.tokens[slot];
        auto& boards = token.root.children;
        if (changed != 0) {
            std::erase_if(boards, [&](const softtoken::Object& o) { return o.id == changed; });
        }
        if (emptied != 0) {
            for (auto& board : boards) {
                if (board.id == emptied) {
                    std::erase_if(board.children,
                                  [](const softtoken::Object& o) { return o.id == DATA_FILE; });
                }
            }
            std::erase_if(boards, [&](const softtoken::Object& o) {
                return o.id == emptied && o.children.empty();
            });
        }
        text += state.readerNames[slot] + "\n" + softtoken::formatTokenFile(token);
    }
    return text;
}
