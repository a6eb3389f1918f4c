#include "api_call.h"

#include "store_access.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace softtoken {

CallSite siteOfNothing()
{
    return {storeFolderFromEnvironment(), {}};
}

CallSite siteOfReaderName(const std::string& name)
{
    return {storeFolderFromEnvironment(), name};
}

CallSite siteOfReader(LibraryState& state, std::uint32_t handle)
{
    auto found = state.readers.find(handle);
    if (found == state.readers.end()) {
        return siteOfNothing();
    }
    return {found->second.dir, found->second.name};
}

CallSite siteOfEnumeration(LibraryState& state, std::uint32_t handle)
{
    auto found = state.enumerations.find(handle);
    if (found == state.enumerations.end()) {
        return siteOfNothing();
    }
    return {found->second.dir, {}};
}

CallSite siteOfEnumerationEntry(LibraryState& state, std::uint32_t handle, std::uint32_t index)
{
    auto found = state.enumerations.find(handle);
    if (found == state.enumerations.end()) {
        return siteOfNothing();
    }
    const auto& names = found->second.names;
    return {found->second.dir, index < names.size() ? names[index] : std::string()};
}

FaultDecision faultFor(LibraryState& state, const char* function, const CallSite& site)
{
    const FaultList* list = nullptr;
    try {
        list = &cachedFaults(state, site.dir);
    } catch (const StoreError&) {
        return {};
    }
    FaultDecision decision;
    auto& action = decision.action;
    for (const auto& fault : list->faults) {
        if (fault.call != function || (!fault.reader.empty() && fault.reader != site.reader)) {
            continue;
        }
        bool fires = fault.nth == 0;
        if (!fires) {
            auto& count = state.faultCounts[site.dir + "#" + std::to_string(fault.serial)];
            if (count < fault.nth) {
                ++count;
                fires = count == fault.nth;
            }
        }
        if (!fires) {
            continue;
        }
        if (fault.abort) {
            action = FaultAction::abort;
        } else if (fault.count) {
            if (action == FaultAction::none || action == FaultAction::count) {
                action = FaultAction::count;
                decision.count = *fault.count;
            }
        } else if (action != FaultAction::abort) {
            action = FaultAction::fail;
        }
    }
    return decision;
}

std::uint32_t countToReport(const LibraryState& state, std::uint32_t actual)
{
    return state.reportedCount.value_or(actual);
}

void modelLatency()
{
    const char* text = std::getenv("SOFTTOKEN_LATENCY_US");
    if (text == nullptr || text[0] < '0' || text[0] > '9') {
        return;
    }
    char* end = nullptr;
    unsigned long long micros = std::strtoull(text, &end, 10);
    constexpr unsigned long long MAX_LATENCY_US = 10'000'000;
    if (*end != '\0' || micros == 0) {
        return;
    }
    std::this_thread::sleep_for(
        std::chrono::microseconds(micros < MAX_LATENCY_US ? micros : MAX_LATENCY_US));
}

bool tracing()
{
    const char* file = std::getenv("SOFTTOKEN_TRACE");
    return file != nullptr && file[0] != '\0';
}

void traceLine(const std::string& line)
{
    const char* file = std::getenv("SOFTTOKEN_TRACE");
    if (file != nullptr && file[0] != '\0') {
        appendToFile(file, line);
    }
}

std::string traceText(const char* text)
{
    if (text == nullptr) {
        return "null";
    }
    std::string out = "\"";
    for (const char* p = text; *p != '\0' && out.size() < 300; ++p) {
        auto c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string traceIds(const std::uint16_t* ids, std::uint32_t count)
{
    if (ids == nullptr) {
        return "null";
    }
    std::string out = "[";
    for (std::uint32_t i = 0; i < count && i < MAX_DEPTH; ++i) {
        if (i != 0) {
            out += ' ';
        }
        out += formatId(ids[i]);
    }
    if (count > MAX_DEPTH) {
        out += " ...";
    }
    return out + "]";
}

std::string traceBytes(const void* bytes, std::uint32_t count)
{
    if (bytes == nullptr) {
        return "null";
    }
    if (count > 64) {
        return "[" + std::to_string(count) + " bytes]";
    }
    static const char digits[] = "0123456789ABCDEF";
    std::string out = "[";
    auto p = static_cast<const unsigned char*>(bytes);
    for (std::uint32_t i = 0; i < count; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out + "]";
}

namespace {

// At process exit: one "leak" line per handle or lock still held, in handle
// order.
struct LeakReport {
    ~LeakReport()
    {
        try {
            if (!tracing()) {
                return;
            }
            auto& state = libraryState();
            std::lock_guard<std::mutex> guard(state.mutex);
            std::vector<std::pair<std::uint32_t, std::string>> lines;
            for (const auto& [handle, e] : state.enumerations) {
                lines.push_back({handle, "leak enumeration " + std::to_string(handle) + "\n"});
            }
            for (const auto& [handle, r] : state.readers) {
                std::string name = traceText(r.name.c_str());
                lines.push_back({handle, "leak reader " + std::to_string(handle) + " " + name + "\n"});
                if (r.lock.held()) {
                    lines.push_back({handle, "leak lock " + std::to_string(handle) + " " + name + "\n"});
                }
            }
            for (const auto& [handle, f] : state.fcps) {
                lines.push_back({handle, "leak fcp " + std::to_string(handle) + "\n"});
            }
            std::stable_sort(lines.begin(), lines.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
            std::string text;
            for (const auto& line : lines) {
                text += line.second;
            }
            if (!text.empty()) {
                traceLine(text);
            }
        } catch (...) {
        }
    }
};

LeakReport leakReport;

} // namespace

} // namespace softtoken
