// File-control parameters and the last error.
#include "api_call.h"

#include "../token/tokenapi.h"

using namespace softtoken;

namespace {

const FcpState& filledFcp(LibraryState& state, RT_HANDLE fcp, const void* out)
{
    const FcpState& f = fcpOf(state, fcp);
    if (!f.filled) {
        throw StoreError("FCP not filled by a selection", ERROR_BAD_ARGUMENT);
    }
    if (out == nullptr) {
        throw StoreError("null argument", ERROR_BAD_ARGUMENT);
    }
    return f;
}

} // namespace

extern "C" {

TOKENAPI(RT_RESULT) rtGetLastError(uint32_t* error)
{
    return runCall(
        "rtGetLastError", RT_RESULT{0}, [](LibraryState&) { return siteOfNothing(); },
        [&](LibraryState& state) -> RT_RESULT {
            if (error == nullptr) {
                throw StoreError("null argument", ERROR_BAD_ARGUMENT);
            }
            *error = state.lastError;
            return 1;
        },
        [&](bool ok) { return traceOut(error, ok); });
}

TOKENAPI(RT_HANDLE) rtFCP_CreateFCP(void)
{
    return runCall(
        "rtFCP_CreateFCP", RT_HANDLE{0}, [](LibraryState&) { return siteOfNothing(); },
        [&](LibraryState& state) -> RT_HANDLE {
            RT_HANDLE h = newHandle(state);
            state.fcps.emplace(h, FcpState{});
            return h;
        },
        [&](bool) { return std::string(); });
}

TOKENAPI(RT_RESULT) rtFCP_RemoveFCP(RT_HANDLE fcp)
{
    return runCall(
        "rtFCP_RemoveFCP", RT_RESULT{0}, [](LibraryState&) { return siteOfNothing(); },
        [&](LibraryState& state) -> RT_RESULT {
            fcpOf(state, fcp);
            state.fcps.erase(fcp);
            return 1;
        },
        [&](bool) { return std::to_string(fcp); });
}

TOKENAPI(RT_RESULT) rtFCP_GetFileLength(RT_HANDLE fcp, uint16_t* length)
{
    return runCall(
        "rtFCP_GetFileLength", RT_RESULT{0}, [](LibraryState&) { return siteOfNothing(); },
        [&](LibraryState& state) -> RT_RESULT {
            *length = filledFcp(state, fcp, length).length;
            return 1;
        },
        [&](bool ok) { return std::to_string(fcp) + ", " + traceOut(length, ok); });
}

TOKENAPI(RT_RESULT) rtFCP_GetFileID(RT_HANDLE fcp, uint16_t* id)
{
    return runCall(
        "rtFCP_GetFileID", RT_RESULT{0}, [](LibraryState&) { return siteOfNothing(); },
        [&](LibraryState& state) -> RT_RESULT {
            *id = filledFcp(state, fcp, id).id;
            return 1;
        },
        [&](bool ok) {
            return std::to_string(fcp) + ", " +
                   (id == nullptr ? std::string("null") : ok ? "->" + formatId(*id) : std::string("->?"));
        });
}

TOKENAPI(RT_RESULT) rtFCP_GetIsFolder(RT_HANDLE fcp, uint32_t* isFolder)
{
    return runCall(
        "rtFCP_GetIsFolder", RT_RESULT{0}, [](LibraryState&) { return siteOfNothing(); },
        [&](LibraryState& state) -> RT_RESULT {
            *isFolder = filledFcp(state, fcp, isFolder).isFolder ? 1 : 0;
            return 1;
        },
        [&](bool ok) { return std::to_string(fcp) + ", " + traceOut(isFolder, ok); });
}

} // extern "C"
