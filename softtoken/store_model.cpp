#include "store_model.h"

#include <cstdio>

namespace softtoken {

const Object* findChild(const Object& folder, std::uint16_t id)
{
    for (const auto& child : folder.children) {
        if (child.id == id) {
            return &child;
        }
    }
    return nullptr;
}

const Object* findObject(const Object& root, const IdPath& path)
{
    const Object* current = &root;
    for (auto id : path) {
        if (!current->isFolder) {
            return nullptr;
        }
        current = findChild(*current, id);
        if (current == nullptr) {
            return nullptr;
        }
    }
    return current;
}

Object* findObject(Object& root, const IdPath& path)
{
    return const_cast<Object*>(findObject(static_cast<const Object&>(root), path));
}

std::uint32_t objectCost(std::size_t dataSize)
{
    return OBJECT_OVERHEAD + static_cast<std::uint32_t>(dataSize);
}

namespace {
std::uint64_t usedBelow(const Object& folder)
{
    std::uint64_t used = 0;
    for (const auto& child : folder.children) {
        used += objectCost(child.data.size()) + usedBelow(child);
    }
    return used;
}
} // namespace

std::uint64_t usedMemory(const Token& token)
{
    return usedBelow(token.root);
}

std::uint32_t freeMemory(const Token& token)
{
    std::uint64_t used = usedMemory(token);
    return used >= token.memory ? 0 : static_cast<std::uint32_t>(token.memory - used);
}

std::uint64_t parseNumber(const std::string& text, std::uint64_t max)
{
    std::size_t start = 0;
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        start = 2;
        base = 16;
    }
    if (start >= text.size() || text.size() - start > 20) {
        throw StoreError("not a number: \"" + text + "\"");
    }
    std::uint64_t value = 0;
    for (std::size_t i = start; i < text.size(); ++i) {
        char c = text[i];
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            throw StoreError("not a number: \"" + text + "\"");
        }
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > max) {
            throw StoreError("number too large: \"" + text + "\"");
        }
    }
    return value;
}

IdPath parseIdPath(const std::string& text)
{
    IdPath path;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t slash = text.find('/', pos);
        std::string part = text.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
        if (!part.empty()) {
            path.push_back(static_cast<std::uint16_t>(parseNumber(part, 0xFFFF)));
            if (path.size() > MAX_DEPTH) {
                throw StoreError("path too deep: \"" + text + "\"");
            }
        } else if (pos != 0 && slash != std::string::npos) {
            throw StoreError("empty part in path: \"" + text + "\"");
        }
        if (slash == std::string::npos) {
            break;
        }
        pos = slash + 1;
    }
    return path;
}

std::string formatId(std::uint16_t id)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", id);
    return text;
}

std::string formatIdPath(const IdPath& path)
{
    std::string text;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (i != 0) {
            text += '/';
        }
        text += formatId(path[i]);
    }
    return text;
}

const ReaderEntry* findReader(const ReaderList& list, const std::string& name)
{
    for (const auto& reader : list.readers) {
        if (reader.name == name) {
            return &reader;
        }
    }
    return nullptr;
}

} // namespace softtoken
