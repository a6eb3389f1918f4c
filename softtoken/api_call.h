// The frame around every exported function: take the state's mutex, apply
// injected faults, run the body, turn exceptions into the function's failure
// result and last error, and append the trace line.
#ifndef SOFTTOKEN_API_CALL_H
#define SOFTTOKEN_API_CALL_H

#include "api_state.h"

#include <cstdint>
#include <new>
#include <string>

namespace softtoken {

// Where a call acts: the store folder whose faults apply, and the reader it
// concerns (empty for calls on no reader).
struct CallSite {
    std::string dir;
    std::string reader;
};

CallSite siteOfNothing();
CallSite siteOfReaderName(const std::string& name);
CallSite siteOfReader(LibraryState& state, std::uint32_t handle);
CallSite siteOfEnumeration(LibraryState& state, std::uint32_t handle);
CallSite siteOfEnumerationEntry(LibraryState& state, std::uint32_t handle, std::uint32_t index);

enum class FaultAction { none, fail, abort, count };
struct FaultDecision {
    FaultAction action = FaultAction::none;
    std::uint32_t count = 0; // for FaultAction::count: the out-count to report
};
// Counts this call against the faults that match it and tells what to do.
// When several fire, abort beats fail and fail beats a false count; of two
// false counts the later fault's wins. A damaged faults file injects nothing.
FaultDecision faultFor(LibraryState& state, const char* function, const CallSite& site);

// The out-count a call reports: the true one, unless a count fault fired
// for the call in progress.
std::uint32_t countToReport(const LibraryState& state, std::uint32_t actual);

// Models a real token's per-call cost: sleeps SOFTTOKEN_LATENCY_US
// microseconds (decimal, at most 10 seconds; unset, empty or not a number:
// no sleep). Read afresh on each call, like the store folder.
void modelLatency();

// Appends one line to the trace file when SOFTTOKEN_TRACE names one.
void traceLine(const std::string& line);
bool tracing();

// Pieces of trace arguments.
std::string traceText(const char* text);              // "quoted", or null
std::string traceIds(const std::uint16_t* ids, std::uint32_t count);
std::string traceBytes(const void* bytes, std::uint32_t count);
template <class T>
std::string traceOut(const T* value, bool written)
{
    if (value == nullptr) {
        return "null";
    }
    return written ? "->" + std::to_string(*value) : std::string("->?");
}

// Ends a false count with the call it was meant for.
struct ReportedCountReset {
    LibraryState& state;
    ~ReportedCountReset() { state.reportedCount.reset(); }
};

// `site(state)` names the call's site, `body(state)` does the work and
// throws StoreError on failure, `describe(succeeded)` formats the arguments
// (out-values only when the call succeeded).
template <class R, class Site, class Body, class Describe>
R runCall(const char* function, R failure, Site site, Body body, Describe describe)
{
    auto& state = libraryState();
    std::lock_guard<std::mutex> guard(state.mutex);
    // Under the mutex: a token serves one call at a time.
    modelLatency();
    R result = failure;
    try {
        FaultDecision decision = faultFor(state, function, site(state));
        FaultAction action = decision.action;
        if (action == FaultAction::abort) {
            if (tracing()) {
                traceLine(std::string(function) + "(" + describe(false) + ") = aborted\n");
            }
            killThisProcess();
        }
        if (action == FaultAction::fail) {
            state.lastError = ERROR_INJECTED;
        } else {
            if (action == FaultAction::count) {
                state.reportedCount = decision.count;
            }
            ReportedCountReset reset{state};
            result = body(state);
        }
    } catch (const StoreError& e) {
        state.lastError = e.code;
        result = failure;
    } catch (...) {
        state.lastError = ERROR_STORE;
        result = failure;
    }
    if (tracing()) {
        try {
            traceLine(std::string(function) + "(" + describe(result != failure) +
                      ") = " + std::to_string(result) + "\n");
        } catch (...) {
        }
    }
    return result;
}

} // namespace softtoken

#endif
