#include "api_state.h"

#include "store_access.h"
#include "store_format.h"

namespace softtoken {

LibraryState& libraryState()
{
    static LibraryState* state = new LibraryState;
    return *state;
}

std::uint32_t newHandle(LibraryState& state)
{
    for (;;) {
        ++state.lastHandle;
        std::uint32_t h = state.lastHandle;
        if (h != 0 && state.enumerations.count(h) == 0 && state.readers.count(h) == 0 &&
            state.fcps.count(h) == 0) {
            return h;
        }
    }
}

const ReaderList& cachedReaders(LibraryState& state, const std::string& dir)
{
    auto signature = fileSignature(readersFilePath(dir));
    auto found = state.readersCache.find(dir);
    if (found != state.readersCache.end() && found->second.signature == signature) {
        return found->second.value;
    }
    state.readersCache.erase(dir);
    ReaderList list = signature.exists ? loadReaders(dir) : ReaderList{};
    auto& entry = state.readersCache[dir];
    entry.signature = signature;
    entry.value = std::move(list);
    return entry.value;
}

const Token& cachedToken(LibraryState& state, const std::string& dir, const std::string& key)
{
    auto path = tokenFilePath(dir, key);
    auto signature = fileSignature(path);
    auto found = state.tokenCache.find(path);
    if (found != state.tokenCache.end() && found->second.signature == signature) {
        return found->second.value;
    }
    state.tokenCache.erase(path);
    Token token = loadToken(dir, key);
    auto& entry = state.tokenCache[path];
    entry.signature = signature;
    entry.value = std::move(token);
    return entry.value;
}

const FaultList& cachedFaults(LibraryState& state, const std::string& dir)
{
    auto signature = fileSignature(faultsFilePath(dir));
    auto found = state.faultsCache.find(dir);
    if (found != state.faultsCache.end() && found->second.signature == signature) {
        return found->second.value;
    }
    state.faultsCache.erase(dir);
    FaultList list = signature.exists ? loadFaults(dir) : FaultList{};
    auto& entry = state.faultsCache[dir];
    entry.signature = signature;
    entry.value = std::move(list);
    return entry.value;
}

void storeToken(LibraryState& state, const std::string& dir, const std::string& key, const Token& token)
{
    auto path = tokenFilePath(dir, key);
    state.tokenCache.erase(path);
    saveToken(dir, key, token);
    auto& entry = state.tokenCache[path];
    entry.signature = fileSignature(path);
    entry.value = token;
}

ReaderState& readerOf(LibraryState& state, std::uint32_t handle)
{
    auto found = state.readers.find(handle);
    if (found == state.readers.end()) {
        throw StoreError("unknown reader handle", ERROR_BAD_HANDLE);
    }
    return found->second;
}

EnumerationState& enumerationOf(LibraryState& state, std::uint32_t handle)
{
    auto found = state.enumerations.find(handle);
    if (found == state.enumerations.end()) {
        throw StoreError("unknown enumeration handle", ERROR_BAD_HANDLE);
    }
    return found->second;
}

FcpState& fcpOf(LibraryState& state, std::uint32_t handle)
{
    auto found = state.fcps.find(handle);
    if (found == state.fcps.end()) {
        throw StoreError("unknown FCP handle", ERROR_BAD_HANDLE);
    }
    return found->second;
}

FcpState* optionalFcp(LibraryState& state, std::uint32_t handle)
{
    return handle == 0 ? nullptr : &fcpOf(state, handle);
}

bool processHoldsLock(const LibraryState& state, const std::string& dir, const std::string& key)
{
    for (const auto& [handle, reader] : state.readers) {
        if (reader.lock.held() && reader.dir == dir && reader.key == key) {
            return true;
        }
    }
    return false;
}

} // namespace softtoken
