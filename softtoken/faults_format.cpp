#include "faults_format.h"

#include "store_format.h"

namespace softtoken {

const std::vector<std::string>& libraryFunctionNames()
{
    static const std::vector<std::string> names = {
        "rtEnumReadersA",      "rtGetReadersCount",       "rtGetReaderNameFromListA",
        "rtEnumReadersClose",  "rtOpenReaderA",           "rtGetTokenID",
        "rtLock",              "rtLoginA",                "rtLogout",
        "rtUnlock",            "rtCloseReader",           "rtSelectMF",
        "rtSelectUpperFolder", "rtSelectByPath",          "rtSelectChildFileObject",
        "rtCreateFolder",      "rtCreateFile",            "rtDeleteCurrentFileObject",
        "rtReadFile",          "rtUpdateFile",            "rtGetTokenFreeMemory",
        "rtGetLastError",      "rtFCP_CreateFCP",         "rtFCP_RemoveFCP",
        "rtFCP_GetFileLength", "rtFCP_GetFileID",         "rtFCP_GetIsFolder",
    };
    return names;
}

bool isLibraryFunction(std::string_view name)
{
    for (const auto& known : libraryFunctionNames()) {
        if (known == name) {
            return true;
        }
    }
    return false;
}

bool reportsCount(std::string_view name)
{
    return name == "rtReadFile" || name == "rtUpdateFile";
}

namespace {
[[noreturn]] void damaged(const std::string& what, std::size_t line)
{
    throw StoreError("damaged faults file: " + what + " (line " + std::to_string(line + 1) + ")");
}
} // namespace

FaultList parseFaultsFile(std::string_view bytes)
{
    if (bytes.size() > 1024 * 1024) {
        damaged("file too large", 0);
    }
    auto lines = splitLines(bytes, MAX_FAULTS + 8);
    if (lines.empty() || lines[0] != "softtoken-faults " + std::to_string(STORE_FORMAT_VERSION)) {
        damaged("not a version " + std::to_string(STORE_FORMAT_VERSION) + " faults file", 0);
    }
    FaultList list;
    bool sawEnd = false;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (sawEnd) {
            damaged("text after \"end\"", i);
        }
        auto [word, rest] = splitWord(lines[i]);
        try {
            if (word == "next-serial") {
                list.nextSerial = parseNumber(std::string(rest), UINT64_MAX);
            } else if (word == "fault") {
                // fault SERIAL CALL every|nth K fail|abort|count N [reader NAME]
                Fault fault;
                auto [serial, r1] = splitWord(rest);
                fault.serial = parseNumber(std::string(serial), UINT64_MAX);
                auto [call, r2] = splitWord(r1);
                if (!isLibraryFunction(call)) {
                    damaged("unknown function", i);
                }
                fault.call = std::string(call);
                auto [when, r3] = splitWord(r2);
                if (when == "nth") {
                    auto [k, r4] = splitWord(r3);
                    fault.nth = static_cast<std::uint32_t>(parseNumber(std::string(k), 0xFFFFFFFFu));
                    if (fault.nth == 0) {
                        damaged("nth 0", i);
                    }
                    r3 = r4;
                } else if (when != "every") {
                    damaged("expected \"every\" or \"nth\"", i);
                }
                auto [action, r5] = splitWord(r3);
                if (action == "count") {
                    if (!reportsCount(fault.call)) {
                        damaged("count for a function without an out-count", i);
                    }
                    auto [n, r6] = splitWord(r5);
                    fault.count = static_cast<std::uint32_t>(parseNumber(std::string(n), 0xFFFFFFFFu));
                    r5 = r6;
                } else if (action != "fail" && action != "abort") {
                    damaged("expected \"fail\", \"abort\" or \"count\"", i);
                }
                fault.abort = action == "abort";
                if (!r5.empty()) {
                    auto [tag, name] = splitWord(r5);
                    if (tag != "reader" || name.empty() || name.size() > MAX_READER_NAME) {
                        damaged("bad reader", i);
                    }
                    fault.reader = std::string(name);
                }
                list.faults.push_back(std::move(fault));
            } else if (word == "end" && rest.empty()) {
                sawEnd = true;
            } else {
                damaged("unknown line", i);
            }
        } catch (const StoreError& e) {
            std::string what = e.what();
            if (what.rfind("damaged", 0) == 0) {
                throw;
            }
            damaged(what, i);
        }
    }
    if (!sawEnd) {
        damaged("incomplete file", lines.size());
    }
    // New faults take their serials from next-serial, so every serial in
    // the file must lie below it, wherever the next-serial line stands (or
    // when it is missing and the default applies): otherwise a fault added
    // later would share a serial, and so a call count, with an old one.
    for (const auto& fault : list.faults) {
        if (fault.serial >= list.nextSerial) {
            damaged("serial not below next-serial", 0);
        }
    }
    return list;
}

std::string describeFault(const Fault& fault)
{
    std::string text = fault.call;
    text += fault.nth == 0 ? " every" : " nth " + std::to_string(fault.nth);
    if (fault.count) {
        text += " count " + std::to_string(*fault.count);
    } else {
        text += fault.abort ? " abort" : " fail";
    }
    if (!fault.reader.empty()) {
        text += " reader " + fault.reader;
    }
    return text;
}

std::string formatFaultsFile(const FaultList& list)
{
    std::string out = "softtoken-faults " + std::to_string(STORE_FORMAT_VERSION) + "\n";
    out += "next-serial " + std::to_string(list.nextSerial) + "\n";
    for (const auto& fault : list.faults) {
        out += "fault " + std::to_string(fault.serial) + " " + describeFault(fault) + "\n";
    }
    out += "end\n";
    return out;
}

} // namespace softtoken
