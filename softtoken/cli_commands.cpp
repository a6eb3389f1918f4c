#include "cli_commands.h"

#include "faults_format.h"
#include "store_access.h"
#include "store_files.h"
#include "store_format.h"
#include "store_model.h"

#include <chrono>
#include <cstdio>
#include <istream>
#include <iterator>
#include <ostream>

namespace softtoken {

namespace {

[[noreturn]] void usage(const std::string& what)
{
    throw StoreError(what, USAGE_ERROR);
}

// Options after the positional arguments: "--name VALUE" or a bare flag.
struct Options {
    Arguments positional;
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<std::string> flags;

    const std::string* value(const std::string& name) const
    {
        for (const auto& [n, v] : values) {
            if (n == name) {
                return &v;
            }
        }
        return nullptr;
    }
    bool flag(const std::string& name) const
    {
        for (const auto& f : flags) {
            if (f == name) {
                return true;
            }
        }
        return false;
    }
};

Options parseOptions(const Arguments& args, std::size_t from, std::size_t positionalMin,
                     std::size_t positionalMax, const std::vector<std::string>& valueOptions,
                     const std::vector<std::string>& flagOptions)
{
    Options options;
    for (std::size_t i = from; i < args.size(); ++i) {
        const auto& arg = args[i];
        bool isValue = false;
        for (const auto& name : valueOptions) {
            isValue = isValue || arg == name;
        }
        bool isFlag = false;
        for (const auto& name : flagOptions) {
            isFlag = isFlag || arg == name;
        }
        if (isValue) {
            if (i + 1 >= args.size()) {
                usage(arg + " needs a value");
            }
            if (options.value(arg) != nullptr) {
                usage(arg + " given twice");
            }
            options.values.push_back({arg, args[++i]});
        } else if (isFlag) {
            options.flags.push_back(arg);
        } else if (arg.size() > 1 && arg.rfind("--", 0) == 0) {
            usage("unknown option " + arg);
        } else {
            options.positional.push_back(arg);
        }
    }
    if (options.positional.size() < positionalMin) {
        usage("missing argument");
    }
    if (options.positional.size() > positionalMax) {
        usage("too many arguments");
    }
    return options;
}

std::uint64_t numberOption(const std::string& text, std::uint64_t max, const char* what)
{
    try {
        return parseNumber(text, max);
    } catch (const StoreError&) {
        usage(std::string("bad ") + what + " \"" + text + "\"");
    }
}

IdPath pathArgument(const std::string& text)
{
    try {
        return parseIdPath(text);
    } catch (const StoreError& e) {
        usage(std::string("bad path: ") + e.what());
    }
}

bool printableText(const std::string& text)
{
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            return false;
        }
    }
    return true;
}

const ReaderEntry& readerWithToken(const ReaderList& list, const std::string& name)
{
    const ReaderEntry* reader = findReader(list, name);
    if (reader == nullptr) {
        throw StoreError("no reader named \"" + name + "\"");
    }
    if (reader->tokenKey.empty()) {
        throw StoreError("reader \"" + name + "\" holds no token");
    }
    return *reader;
}

FileLock lockOrFail(const std::string& path, const std::string& what)
{
    FileLock lock;
    if (!lock.acquire(path, LOCK_TIMEOUT_MS)) {
        throw StoreError(what + " is locked by another process");
    }
    return lock;
}

// Loads a token for reading.
Token tokenOfReader(const std::string& dir, const std::string& name)
{
    return loadToken(dir, readerWithToken(loadReaders(dir), name).tokenKey);
}

// Changes a token under its lock and saves it; nothing is saved when
// `change` throws.
template <class Change>
void changeToken(const std::string& dir, const std::string& name, Change change)
{
    std::string key = readerWithToken(loadReaders(dir), name).tokenKey;
    FileLock lock = lockOrFail(tokenLockPath(dir, key), "the token in \"" + name + "\"");
    Token token = loadToken(dir, key);
    change(token);
    saveToken(dir, key, token);
}

Object& folderAt(Token& token, const IdPath& path)
{
    Object* folder = findObject(token.root, path);
    if (folder == nullptr) {
        throw StoreError("no folder " + (path.empty() ? std::string("/") : formatIdPath(path)));
    }
    if (!folder->isFolder) {
        throw StoreError(formatIdPath(path) + " is a file, not a folder");
    }
    return *folder;
}

void commandAdd(const std::string& dir, const Arguments& args)
{
    auto options = parseOptions(args, 1, 1, 1, {"--id", "--memory", "--pin1", "--pin2"}, {"--empty"});
    const std::string& name = options.positional[0];
    if (name.empty() || name.size() > MAX_READER_NAME || !printableText(name)) {
        usage("bad reader name");
    }
    bool empty = options.flag("--empty");
    if (empty && !options.values.empty()) {
        usage("--empty takes no token options");
    }
    Token token;
    if (auto memory = options.value("--memory")) {
        token.memory = static_cast<std::uint32_t>(numberOption(*memory, MAX_MEMORY, "memory"));
    }
    for (auto [option, pin] : {std::pair{"--pin1", &token.pin1}, std::pair{"--pin2", &token.pin2}}) {
        if (auto value = options.value(option)) {
            if (value->size() > MAX_PIN_LENGTH || !printableText(*value)) {
                usage(std::string("bad ") + option);
            }
            *pin = *value;
        }
    }
    makeFolders(dir);
    FileLock lock = lockOrFail(storeLockPath(dir), "the store");
    ReaderList list = loadReaders(dir);
    if (findReader(list, name) != nullptr) {
        throw StoreError("a reader named \"" + name + "\" is plugged in already");
    }
    if (list.readers.size() >= MAX_READERS) {
        throw StoreError("too many readers");
    }
    ReaderEntry entry{name, {}};
    if (!empty) {
        if (list.nextKey == 0xFFFFFFFFu) {
            throw StoreError("no token keys left");
        }
        std::uint32_t key = list.nextKey++;
        entry.tokenKey = std::to_string(key);
        token.id = key;
        if (auto id = options.value("--id")) {
            token.id = static_cast<std::uint32_t>(numberOption(*id, 0xFFFFFFFFu, "token ID"));
        }
        // The token file comes first: a crash in between leaves an unused
        // file, never a reader without its token.
        saveToken(dir, entry.tokenKey, token);
    }
    list.readers.push_back(entry);
    saveReaders(dir, list);
}

void commandRemove(const std::string& dir, const Arguments& args)
{
    auto options = parseOptions(args, 1, 1, 1, {}, {});
    const std::string& name = options.positional[0];
    FileLock lock = lockOrFail(storeLockPath(dir), "the store");
    ReaderList list = loadReaders(dir);
    std::string key;
    bool found = false;
    for (auto it = list.readers.begin(); it != list.readers.end(); ++it) {
        if (it->name == name) {
            key = it->tokenKey;
            list.readers.erase(it);
            found = true;
            break;
        }
    }
    if (!found) {
        throw StoreError("no reader named \"" + name + "\"");
    }
    saveReaders(dir, list);
    if (!key.empty()) {
        removeFileDurably(tokenFilePath(dir, key));
        removeFileDurably(tokenLockPath(dir, key));
    }
}

void commandList(const std::string& dir, const Arguments& args, std::ostream& out)
{
    parseOptions(args, 1, 0, 0, {}, {});
    ReaderList list = loadReaders(dir);
    std::string text;
    for (std::size_t slot = 0; slot < list.readers.size(); ++slot) {
        const auto& reader = list.readers[slot];
        text += std::to_string(slot) + "\t" + reader.name;
        if (reader.tokenKey.empty()) {
            text += "\t-\t-\t-\n";
            continue;
        }
        Token token = loadToken(dir, reader.tokenKey);
        char id[16];
        std::snprintf(id, sizeof id, "0x%08X", static_cast<unsigned>(token.id));
        text += std::string("\t") + id + "\t" + std::to_string(token.memory) + "\t" +
                std::to_string(freeMemory(token)) + "\n";
    }
    out << text;
}

std::string describeObject(const Object& object)
{
    return formatId(object.id) + " " + (object.isFolder ? std::string("dir") : std::to_string(object.data.size()));
}

void commandLs(const std::string& dir, const Arguments& args, std::ostream& out)
{
    auto options = parseOptions(args, 1, 1, 2, {}, {});
    IdPath path = options.positional.size() > 1 ? pathArgument(options.positional[1]) : IdPath{};
    Token token = tokenOfReader(dir, options.positional[0]);
    std::string text;
    for (const auto& child : folderAt(token, path).children) {
        text += describeObject(child) + "\n";
    }
    out << text;
}

void treeLines(const Object& folder, std::size_t depth, std::string& text)
{
    for (const auto& child : folder.children) {
        text += std::string(2 * depth, ' ') + describeObject(child) + "\n";
        treeLines(child, depth + 1, text);
    }
}

void commandTree(const std::string& dir, const Arguments& args, std::ostream& out)
{
    auto options = parseOptions(args, 1, 1, 1, {}, {});
    Token token = tokenOfReader(dir, options.positional[0]);
    std::string text = "/\n";
    treeLines(token.root, 1, text);
    out << text;
}

void commandMkdir(const std::string& dir, const Arguments& args)
{
    auto options = parseOptions(args, 1, 2, 2, {}, {});
    IdPath path = pathArgument(options.positional[1]);
    if (path.empty()) {
        usage("mkdir needs a folder path");
    }
    changeToken(dir, options.positional[0], [&](Token& token) {
        IdPath parentPath(path.begin(), path.end() - 1);
        Object& parent = folderAt(token, parentPath);
        if (findChild(parent, path.back()) != nullptr) {
            throw StoreError(formatIdPath(path) + " exists already");
        }
        if (freeMemory(token) < objectCost(0)) {
            throw StoreError("not enough free memory on the token");
        }
        parent.children.push_back(Object{path.back(), true, {}, {}, {}});
    });
}

void commandWrite(const std::string& dir, const Arguments& args, std::istream& input)
{
    auto options = parseOptions(args, 1, 2, 2, {"--size"}, {});
    IdPath path = pathArgument(options.positional[1]);
    if (path.empty()) {
        usage("write needs a file path");
    }
    std::string data;
    if (auto size = options.value("--size")) {
        data.assign(static_cast<std::size_t>(numberOption(*size, MAX_FILE_SIZE, "size")), '\0');
    } else {
        char buffer[4096];
        while (input.read(buffer, sizeof buffer) || input.gcount() > 0) {
            data.append(buffer, static_cast<std::size_t>(input.gcount()));
            if (data.size() > MAX_FILE_SIZE) {
                throw StoreError("standard input holds more than " + std::to_string(MAX_FILE_SIZE) +
                                 " bytes, the largest file size");
            }
        }
    }
    changeToken(dir, options.positional[0], [&](Token& token) {
        IdPath parentPath(path.begin(), path.end() - 1);
        Object& parent = folderAt(token, parentPath);
        std::uint64_t available = freeMemory(token);
        Object* old = nullptr;
        for (auto& child : parent.children) {
            if (child.id == path.back()) {
                old = &child;
            }
        }
        if (old != nullptr && old->isFolder) {
            throw StoreError(formatIdPath(path) + " is a folder");
        }
        if (old != nullptr) {
            available += objectCost(old->data.size());
        }
        if (available < objectCost(data.size())) {
            throw StoreError("not enough free memory on the token");
        }
        if (old != nullptr) {
            old->data = data; // keeps its place among its siblings
        } else {
            parent.children.push_back(Object{path.back(), false, {}, data, {}});
        }
    });
}

void commandRead(const std::string& dir, const Arguments& args, std::ostream& out)
{
    auto options = parseOptions(args, 1, 2, 2, {}, {});
    IdPath path = pathArgument(options.positional[1]);
    Token token = tokenOfReader(dir, options.positional[0]);
    const Object* file = findObject(token.root, path);
    if (file == nullptr) {
        throw StoreError("no file " + formatIdPath(path));
    }
    if (file->isFolder) {
        throw StoreError((path.empty() ? std::string("/") : formatIdPath(path)) + " is a folder");
    }
    out.write(file->data.data(), static_cast<std::streamsize>(file->data.size()));
}

void commandRm(const std::string& dir, const Arguments& args)
{
    auto options = parseOptions(args, 1, 2, 2, {}, {});
    IdPath path = pathArgument(options.positional[1]);
    if (path.empty()) {
        usage("the master folder cannot be removed");
    }
    changeToken(dir, options.positional[0], [&](Token& token) {
        IdPath parentPath(path.begin(), path.end() - 1);
        Object& parent = folderAt(token, parentPath);
        for (auto it = parent.children.begin(); it != parent.children.end(); ++it) {
            if (it->id == path.back()) {
                if (!it->children.empty()) {
                    throw StoreError("folder " + formatIdPath(path) + " is not empty");
                }
                parent.children.erase(it);
                return;
            }
        }
        throw StoreError("no object " + formatIdPath(path));
    });
}

void commandFail(const std::string& dir, const Arguments& args, std::ostream& out)
{
    auto options =
        parseOptions(args, 1, 0, 1, {"--reader", "--nth", "--count"}, {"--abort", "--clear", "--list"});
    bool clear = options.flag("--clear");
    bool list = options.flag("--list");
    if (clear || list) {
        if (clear == list || !options.positional.empty() || !options.values.empty() || options.flag("--abort")) {
            usage("--clear and --list stand alone");
        }
        if (list) {
            std::string text;
            for (const auto& fault : loadFaults(dir).faults) {
                text += describeFault(fault) + "\n";
            }
            out << text;
            return;
        }
    } else if (options.positional.empty()) {
        usage("fail needs a function name");
    }
    Fault fault;
    if (!clear) {
        fault.call = options.positional[0];
        if (!isLibraryFunction(fault.call)) {
            usage("no library function named \"" + fault.call + "\"");
        }
        if (auto nth = options.value("--nth")) {
            fault.nth = static_cast<std::uint32_t>(numberOption(*nth, 0xFFFFFFFFu, "--nth"));
            if (fault.nth == 0) {
                usage("--nth counts from 1");
            }
        }
        if (auto reader = options.value("--reader")) {
            if (reader->empty() || reader->size() > MAX_READER_NAME || !printableText(*reader)) {
                usage("bad reader name");
            }
            fault.reader = *reader;
        }
        fault.abort = options.flag("--abort");
        if (auto count = options.value("--count")) {
            if (!reportsCount(fault.call)) {
                usage("--count is for rtReadFile and rtUpdateFile");
            }
            if (fault.abort) {
                usage("--count and --abort exclude each other");
            }
            fault.count = static_cast<std::uint32_t>(numberOption(*count, 0xFFFFFFFFu, "--count"));
        }
    }
    makeFolders(dir);
    FileLock lock = lockOrFail(storeLockPath(dir), "the store");
    FaultList faults;
    try {
        faults = loadFaults(dir);
    } catch (const StoreError&) {
        if (!clear) {
            throw;
        }
        // A damaged faults file is replaced; serials go on from a value no
        // earlier fault can have had.
        faults.nextSerial = static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(
                std::chrono::system_clock::now().time_since_epoch()).count());
    }
    if (clear) {
        faults.faults.clear();
    } else {
        if (faults.faults.size() >= MAX_FAULTS) {
            throw StoreError("too many faults");
        }
        fault.serial = faults.nextSerial++;
        faults.faults.push_back(fault);
    }
    saveFaults(dir, faults);
}

} // namespace

std::string cliUsage()
{
    return "usage: softtoken [--dir DIR] COMMAND\n"
           "  add READER [--id ID] [--memory BYTES] [--empty] [--pin1 PIN] [--pin2 PIN]\n"
           "  remove READER\n"
           "  list\n"
           "  ls READER [PATH]\n"
           "  tree READER\n"
           "  mkdir READER PATH\n"
           "  write READER PATH [--size N]\n"
           "  read READER PATH\n"
           "  rm READER PATH\n"
           "  fail CALL [--reader READER] [--nth K] [--abort | --count N]\n"
           "  fail --clear | fail --list\n"
           "PATH: IDs separated by \"/\", decimal or 0x-hex (7/0x1001)\n";
}

void runCliCommand(const std::string& dir, const Arguments& args, std::istream& input, std::ostream& out)
{
    if (args.empty()) {
        usage("no command");
    }
    const std::string& command = args[0];
    if (command == "add") {
        commandAdd(dir, args);
    } else if (command == "remove") {
        commandRemove(dir, args);
    } else if (command == "list") {
        commandList(dir, args, out);
    } else if (command == "ls") {
        commandLs(dir, args, out);
    } else if (command == "tree") {
        commandTree(dir, args, out);
    } else if (command == "mkdir") {
        commandMkdir(dir, args);
    } else if (command == "write") {
        commandWrite(dir, args, input);
    } else if (command == "read") {
        commandRead(dir, args, out);
    } else if (command == "rm") {
        commandRm(dir, args);
    } else if (command == "fail") {
        commandFail(dir, args, out);
    } else {
        usage("unknown command \"" + command + "\"");
    }
}

} // namespace softtoken
