#include "store_format.h"

#include <cstdio>

namespace softtoken {

namespace {

constexpr std::size_t MAX_LINES = 1u << 20;

[[noreturn]] void damaged(const std::string& what, std::size_t line)
{
    throw StoreError("damaged store file: " + what + " (line " + std::to_string(line + 1) + ")");
}

void checkHeader(const std::vector<std::string_view>& lines, std::string_view magic)
{
    if (lines.empty()) {
        damaged("empty file", 0);
    }
    auto [word, rest] = splitWord(lines[0]);
    if (word != magic) {
        damaged("not a \"" + std::string(magic) + "\" file", 0);
    }
    if (rest != std::to_string(STORE_FORMAT_VERSION)) {
        damaged("unsupported format version \"" + std::string(rest) + "\"", 0);
    }
}

std::uint64_t number(std::string_view text, std::uint64_t max, std::size_t line)
{
    try {
        return parseNumber(std::string(text), max);
    } catch (const StoreError& e) {
        damaged(e.what(), line);
    }
}

bool printable(std::string_view text)
{
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            return false;
        }
    }
    return true;
}

std::string fieldText(std::string_view text, std::size_t max, std::size_t line, const char* what)
{
    if (text.size() > max || !printable(text)) {
        damaged(std::string("bad ") + what, line);
    }
    return std::string(text);
}

std::string hexField(std::string_view text, std::size_t maxBytes, std::size_t line, const char* what)
{
    if (text == "-") {
        return {};
    }
    if (text.size() > 2 * maxBytes) {
        damaged(std::string(what) + " too long", line);
    }
    try {
        return fromHex(text);
    } catch (const StoreError&) {
        damaged(std::string("bad hex in ") + what, line);
    }
}

std::string hexOrDash(std::string_view bytes)
{
    return bytes.empty() ? std::string("-") : toHex(bytes);
}

void formatObjects(const Object& folder, IdPath& path, std::string& out)
{
    for (const auto& child : folder.children) {
        path.push_back(child.id);
        if (child.isFolder) {
            out += "folder " + formatIdPath(path) + " attributes " + hexOrDash(child.attributes) + "\n";
            formatObjects(child, path, out);
        } else {
            out += "file " + formatIdPath(path) + " attributes " + hexOrDash(child.attributes) +
                   " size " + std::to_string(child.data.size()) + " data " + hexOrDash(child.data) +
                   "\n";
        }
        path.pop_back();
    }
}

// Words of an object line: KIND PATH attributes HEX [size N data HEX].
void parseObjectLine(Token& token, std::uint64_t& used, std::string_view kind, std::string_view rest,
                     std::size_t line)
{
    std::vector<std::string_view> words;
    while (!rest.empty()) {
        auto [word, after] = splitWord(rest);
        words.push_back(word);
        rest = after;
        if (words.size() > 8) {
            damaged("too many fields", line);
        }
    }
    bool isFolder = kind == "folder";
    if (words.size() != (isFolder ? 3u : 7u) || words[1] != "attributes" ||
        (!isFolder && (words[3] != "size" || words[5] != "data"))) {
        damaged("bad " + std::string(kind) + " line", line);
    }
    IdPath path;
    try {
        path = parseIdPath(std::string(words[0]));
    } catch (const StoreError& e) {
        damaged(e.what(), line);
    }
    if (path.empty()) {
        damaged("object without an ID", line);
    }
    Object object;
    object.id = path.back();
    object.isFolder = isFolder;
    object.attributes = hexField(words[2], MAX_ATTRIBUTE_BYTES, line, "attributes");
    if (!isFolder) {
        auto size = number(words[4], MAX_FILE_SIZE, line);
        object.data = hexField(words[6], MAX_FILE_SIZE, line, "data");
        if (object.data.size() != size) {
            damaged("file size does not match its data", line);
        }
    }
    path.pop_back();
    Object* parent = findObject(token.root, path);
    if (parent == nullptr || !parent->isFolder) {
        damaged("object before its folder", line);
    }
    if (findChild(*parent, object.id) != nullptr) {
        damaged("duplicate object ID", line);
    }
    used += objectCost(object.data.size());
    if (used > token.memory) {
        damaged("objects take more than the token's memory", line);
    }
    parent->children.push_back(std::move(object));
}

} // namespace

std::vector<std::string_view> splitLines(std::string_view bytes, std::size_t maxLines)
{
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string_view::npos) {
            end = bytes.size();
        }
        std::string_view line = bytes.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.find('\0') != std::string_view::npos) {
            damaged("NUL byte", lines.size());
        }
        if (lines.size() >= maxLines) {
            damaged("too many lines", lines.size());
        }
        lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

std::pair<std::string_view, std::string_view> splitWord(std::string_view line)
{
    std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) {
        return {line, {}};
    }
    return {line.substr(0, blank), line.substr(blank + 1)};
}

std::string toHex(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex(bytes.size() * 2, '0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        hex[2 * i] = digits[b >> 4];
        hex[2 * i + 1] = digits[b & 15];
    }
    return hex;
}

std::string fromHex(std::string_view hex)
{
    auto value = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    if (hex.size() % 2 != 0) {
        throw StoreError("odd number of hex digits");
    }
    std::string bytes(hex.size() / 2, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        int high = value(hex[2 * i]);
        int low = value(hex[2 * i + 1]);
        if (high < 0 || low < 0) {
            throw StoreError("bad hex digit");
        }
        bytes[i] = static_cast<char>(high * 16 + low);
    }
    return bytes;
}

ReaderList parseReadersFile(std::string_view bytes)
{
    if (bytes.size() > MAX_STORE_FILE) {
        damaged("file too large", 0);
    }
    auto lines = splitLines(bytes, MAX_READERS + 8);
    checkHeader(lines, "softtoken-readers");
    ReaderList list;
    bool sawNext = false;
    bool sawEnd = false;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (sawEnd) {
            damaged("text after \"end\"", i);
        }
        auto [word, rest] = splitWord(lines[i]);
        if (word == "next-key") {
            list.nextKey = static_cast<std::uint32_t>(number(rest, 0xFFFFFFFFu, i));
            sawNext = true;
        } else if (word == "reader") {
            auto [key, name] = splitWord(rest);
            ReaderEntry entry;
            entry.name = fieldText(name, MAX_READER_NAME, i, "reader name");
            if (entry.name.empty()) {
                damaged("reader without a name", i);
            }
            if (key != "-") {
                entry.tokenKey = std::to_string(number(key, 0xFFFFFFFFu, i));
                if (entry.tokenKey != key) {
                    damaged("bad token key", i);
                }
            }
            if (findReader(list, entry.name) != nullptr) {
                damaged("duplicate reader name", i);
            }
            if (!entry.tokenKey.empty()) {
                for (const auto& other : list.readers) {
                    if (other.tokenKey == entry.tokenKey) {
                        damaged("two readers share one token", i);
                    }
                }
            }
            list.readers.push_back(std::move(entry));
        } else if (word == "end" && rest.empty()) {
            sawEnd = true;
        } else {
            damaged("unknown line \"" + std::string(word) + "\"", i);
        }
    }
    if (!sawNext || !sawEnd) {
        damaged("incomplete file", lines.size());
    }
    for (const auto& reader : list.readers) {
        if (!reader.tokenKey.empty() && std::stoull(reader.tokenKey) >= list.nextKey) {
            damaged("token key not below next-key", 1);
        }
    }
    return list;
}

std::string formatReadersFile(const ReaderList& list)
{
    std::string out = "softtoken-readers " + std::to_string(STORE_FORMAT_VERSION) + "\n";
    out += "next-key " + std::to_string(list.nextKey) + "\n";
    for (const auto& reader : list.readers) {
        out += "reader " + (reader.tokenKey.empty() ? std::string("-") : reader.tokenKey) + " " +
               reader.name + "\n";
    }
    out += "end\n";
    return out;
}

Token parseTokenFile(std::string_view bytes)
{
    if (bytes.size() > MAX_STORE_FILE) {
        damaged("file too large", 0);
    }
    auto lines = splitLines(bytes, MAX_LINES);
    checkHeader(lines, "softtoken-token");
    Token token;
    // The header fields come first, each once, before any object.
    const char* fields[] = {"id", "memory", "pin1", "pin2"};
    if (lines.size() < 6) {
        damaged("incomplete file", lines.size());
    }
    for (std::size_t f = 0; f < 4; ++f) {
        std::size_t i = f + 1;
        auto [word, rest] = splitWord(lines[i]);
        if (word != fields[f]) {
            damaged("expected \"" + std::string(fields[f]) + "\"", i);
        }
        switch (f) {
        case 0: token.id = static_cast<std::uint32_t>(number(rest, 0xFFFFFFFFu, i)); break;
        case 1: token.memory = static_cast<std::uint32_t>(number(rest, MAX_MEMORY, i)); break;
        case 2: token.pin1 = fieldText(rest, MAX_PIN_LENGTH, i, "PIN"); break;
        default: token.pin2 = fieldText(rest, MAX_PIN_LENGTH, i, "PIN"); break;
        }
    }
    bool sawEnd = false;
    std::uint64_t used = 0;
    for (std::size_t i = 5; i < lines.size(); ++i) {
        if (sawEnd) {
            damaged("text after \"end\"", i);
        }
        auto [word, rest] = splitWord(lines[i]);
        if (word == "folder" || word == "file") {
            parseObjectLine(token, used, word, rest, i);
        } else if (word == "end" && rest.empty()) {
            sawEnd = true;
        } else {
            damaged("unknown line \"" + std::string(word.substr(0, 32)) + "\"", i);
        }
    }
    if (!sawEnd) {
        damaged("incomplete file", lines.size());
    }
    return token;
}

std::string formatTokenFile(const Token& token)
{
    char id[16];
    std::snprintf(id, sizeof id, "0x%08X", static_cast<unsigned>(token.id));
    std::string out = "softtoken-token " + std::to_string(STORE_FORMAT_VERSION) + "\n";
    out += std::string("id ") + id + "\n";
    out += "memory " + std::to_string(token.memory) + "\n";
    out += "pin1 " + token.pin1 + "\n";
    out += "pin2 " + token.pin2 + "\n";
    IdPath path;
    formatObjects(token.root, path, out);
    out += "end\n";
    return out;
}

} // namespace softtoken
