// Reader enumeration, opening, the token lock and login.
#include "api_call.h"
#include "store_access.h"

#include "../token/tokenapi.h"

#include <cstring>

using namespace softtoken;

namespace {

ReaderState& readerWithToken(LibraryState& state, RT_HANDLE reader, const Token** token)
{
    auto& r = readerOf(state, reader);
    *token = &cachedToken(state, r.dir, r.key);
    return r;
}

} // namespace

extern "C" {

TOKENAPI(RT_HANDLE) rtEnumReadersA(const char* nameFilter)
{
    return runCall(
        "rtEnumReadersA", RT_HANDLE{0}, [](LibraryState&) { return siteOfNothing(); },
        [&](LibraryState& state) -> RT_HANDLE {
            EnumerationState e;
            e.dir = storeFolderFromEnvironment();
            const std::string filter = nameFilter == nullptr ? "" : nameFilter;
            for (const auto& reader : cachedReaders(state, e.dir).readers) {
                if (reader.name.find(filter) != std::string::npos) {
                    e.names.push_back(reader.name);
                }
            }
            RT_HANDLE h = newHandle(state);
            state.enumerations.emplace(h, std::move(e));
            return h;
        },
        [&](bool) { return traceText(nameFilter); });
}

TOKENAPI(int32_t) rtGetReadersCount(RT_HANDLE enumeration)
{
    return runCall(
        "rtGetReadersCount", int32_t{-1},
        [&](LibraryState& state) { return siteOfEnumeration(state, enumeration); },
        [&](LibraryState& state) -> int32_t {
            return static_cast<int32_t>(enumerationOf(state, enumeration).names.size());
        },
        [&](bool) { return std::to_string(enumeration); });
}

TOKENAPI(RT_RESULT) rtGetReaderNameFromListA(RT_HANDLE enumeration, uint32_t index, char* name,
                                             uint32_t* length)
{
    uint32_t given = length != nullptr ? *length : 0;
    return runCall(
        "rtGetReaderNameFromListA", RT_RESULT{0},
        [&](LibraryState& state) { return siteOfEnumerationEntry(state, enumeration, index); },
        [&](LibraryState& state) -> RT_RESULT {
            auto& e = enumerationOf(state, enumeration);
            if (index >= e.names.size()) {
                throw StoreError("no reader with this index", ERROR_NOT_FOUND);
            }
            if (name == nullptr || length == nullptr) {
                throw StoreError("null argument", ERROR_BAD_ARGUMENT);
            }
            const auto& text = e.names[index];
            if (*length < text.size() + 1) {
                *length = static_cast<uint32_t>(text.size() + 1);
                throw StoreError("buffer too small", ERROR_BUFFER_TOO_SMALL);
            }
            std::memcpy(name, text.c_str(), text.size() + 1);
            *length = static_cast<uint32_t>(text.size());
            return 1;
        },
        [&](bool ok) {
            return std::to_string(enumeration) + ", " + std::to_string(index) + ", " +
                   (ok ? traceText(name) : std::string(name == nullptr ? "null" : "buf")) + ", " +
                   std::to_string(given) + traceOut(length, ok);
        });
}

TOKENAPI(RT_RESULT) rtEnumReadersClose(RT_HANDLE enumeration)
{
    return runCall(
        "rtEnumReadersClose", RT_RESULT{0},
        [&](LibraryState& state) { return siteOfEnumeration(state, enumeration); },
        [&](LibraryState& state) -> RT_RESULT {
            enumerationOf(state, enumeration);
            state.enumerations.erase(enumeration);
            return 1;
        },
        [&](bool) { return std::to_string(enumeration); });
}

TOKENAPI(RT_HANDLE) rtOpenReaderA(const char* readerName)
{
    std::string name = readerName == nullptr ? "" : readerName;
    return runCall(
        "rtOpenReaderA", RT_HANDLE{0}, [&](LibraryState&) { return siteOfReaderName(name); },
        [&](LibraryState& state) -> RT_HANDLE {
            ReaderState r;
            r.dir = storeFolderFromEnvironment();
            const ReaderEntry* entry = findReader(cachedReaders(state, r.dir), name);
            if (entry == nullptr) {
                throw StoreError("no such reader", ERROR_NOT_FOUND);
            }
            if (entry->tokenKey.empty()) {
                throw StoreError("no working token in the reader", ERROR_NO_TOKEN);
            }
            r.name = entry->name;
            r.key = entry->tokenKey;
            cachedToken(state, r.dir, r.key); // a damaged token cannot be opened
            RT_HANDLE h = newHandle(state);
            state.readers.emplace(h, std::move(r));
            return h;
        },
        [&](bool) { return traceText(readerName); });
}

TOKENAPI(RT_RESULT) rtGetTokenID(RT_HANDLE reader, uint32_t* tokenId)
{
    return runCall(
        "rtGetTokenID", RT_RESULT{0}, [&](LibraryState& state) { return siteOfReader(state, reader); },
        [&](LibraryState& state) -> RT_RESULT {
            const Token* token = nullptr;
            readerWithToken(state, reader, &token);
            if (tokenId == nullptr) {
                throw StoreError("null argument", ERROR_BAD_ARGUMENT);
            }
            *tokenId = token->id;
            return 1;
        },
        [&](bool ok) { return std::to_string(reader) + ", " + traceOut(tokenId, ok); });
}

TOKENAPI(RT_RESULT) rtLock(RT_HANDLE reader)
{
    return runCall(
        "rtLock", RT_RESULT{0}, [&](LibraryState& state) { return siteOfReader(state, reader); },
        [&](LibraryState& state) -> RT_RESULT {
            auto& r = readerOf(state, reader);
            if (r.lock.held()) {
                return 1;
            }
            if (!r.lock.acquire(tokenLockPath(r.dir, r.key), LOCK_TIMEOUT_MS)) {
                throw StoreError("token locked by another holder", ERROR_LOCK_TIMEOUT);
            }
            return 1;
        },
        [&](bool) { return std::to_string(reader); });
}

TOKENAPI(RT_RESULT) rtLoginA(RT_HANDLE reader, uint8_t userType, const char* pin)
{
    return runCall(
        "rtLoginA", RT_RESULT{0}, [&](LibraryState& state) { return siteOfReader(state, reader); },
        [&](LibraryState& state) -> RT_RESULT {
            const Token* token = nullptr;
            auto& r = readerWithToken(state, reader, &token);
            if (pin == nullptr || (userType != 1 && userType != 2)) {
                throw StoreError("bad user type or PIN", ERROR_BAD_ARGUMENT);
            }
            const std::string& expected = userType == 1 ? token->pin1 : token->pin2;
            if (expected != pin) {
                throw StoreError("wrong PIN", ERROR_WRONG_PIN);
            }
            r.user = userType;
            return 1;
        },
        // The PIN is a secret: the trace shows only its length.
        [&](bool) {
            return std::to_string(reader) + ", " + std::to_string(userType) + ", " +
                   (pin == nullptr ? std::string("null") : "<" + std::to_string(std::strlen(pin)) + " chars>");
        });
}

TOKENAPI(RT_RESULT) rtLogout(RT_HANDLE reader)
{
    return runCall(
        "rtLogout", RT_RESULT{0}, [&](LibraryState& state) { return siteOfReader(state, reader); },
        [&](LibraryState& state) -> RT_RESULT {
            readerOf(state, reader).user = 0;
            return 1;
        },
        [&](bool) { return std::to_string(reader); });
}

TOKENAPI(RT_RESULT) rtUnlock(RT_HANDLE reader)
{
    return runCall(
        "rtUnlock", RT_RESULT{0}, [&](LibraryState& state) { return siteOfReader(state, reader); },
        [&](LibraryState& state) -> RT_RESULT {
            auto& r = readerOf(state, reader);
            if (!r.lock.held()) {
                throw StoreError("not locked", ERROR_NOT_LOCKED);
            }
            r.lock.release();
            return 1;
        },
        [&](bool) { return std::to_string(reader); });
}

TOKENAPI(RT_RESULT) rtCloseReader(RT_HANDLE reader)
{
    return runCall(
        "rtCloseReader", RT_RESULT{0}, [&](LibraryState& state) { return siteOfReader(state, reader); },
        [&](LibraryState& state) -> RT_RESULT {
            readerOf(state, reader);
            state.readers.erase(reader); // releases the lock with it
            return 1;
        },
        [&](bool) { return std::to_string(reader); });
}

} // extern "C"
