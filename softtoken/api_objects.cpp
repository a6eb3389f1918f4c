// Selection, child enumeration, creating, deleting, reading and updating
// objects, and the token's free memory.
#include "api_call.h"
#include "store_access.h"

#include "../token/tokenapi.h"

#include <cstring>

using namespace softtoken;

namespace {

const Token& tokenOf(LibraryState& state, const ReaderState& r)
{
    return cachedToken(state, r.dir, r.key);
}

const Object& currentFolder(const Token& token, const ReaderState& r)
{
    const Object* folder = findObject(token.root, r.folder);
    if (folder == nullptr || !folder->isFolder) {
        throw StoreError("current folder no longer exists", ERROR_NOT_FOUND);
    }
    return *folder;
}

void fill(FcpState* fcp, const Object& object)
{
    if (fcp != nullptr) {
        fcp->filled = true;
        fcp->id = object.id;
        fcp->isFolder = object.isFolder;
        fcp->length = object.isFolder ? 0 : static_cast<std::uint16_t>(object.data.size());
    }
}

// Makes `path` (naming `object`) the current object; a folder also becomes
// the current folder, a file leaves its folder current.
void select(ReaderState& r, const IdPath& path, const Object& object)
{
    r.object = path;
    if (object.isFolder) {
        r.folder = path;
    } else {
        r.folder.assign(path.begin(), path.end() - 1);
    }
}

// Runs `change` on a copy of the reader's token and writes the result
// durably, under the token's lock: the caller's own (from rtLock), or one
// taken just for this change.
template <class Change>
void changeToken(LibraryState& state, ReaderState& r, Change change)
{
    if (r.user == 0) {
        throw StoreError("not logged in", ERROR_NOT_LOGGED_IN);
    }
    FileLock ownLock;
    if (!processHoldsLock(state, r.dir, r.key) &&
        !ownLock.acquire(tokenLockPath(r.dir, r.key), LOCK_TIMEOUT_MS)) {
        throw StoreError("token locked by another holder", ERROR_LOCK_TIMEOUT);
    }
    Token token = tokenOf(state, r);
    change(token);
    storeToken(state, r.dir, r.key, token);
}

void checkAttributes(const uint8_t* attributes, uint32_t count)
{
    if ((attributes == nullptr && count != 0) || count * 6ull > MAX_ATTRIBUTE_BYTES) {
        throw StoreError("bad access attributes", ERROR_BAD_ARGUMENT);
    }
}

RT_RESULT createObject(LibraryState& state, RT_HANDLE reader, uint16_t id, bool isFolder, uint16_t size,
                       const uint8_t* attributes, uint32_t count)
{
    auto& r = readerOf(state, reader);
    checkAttributes(attributes, count);
    changeToken(state, r, [&](Token& token) {
        Object* folder = findObject(token.root, r.folder);
        if (folder == nullptr || !folder->isFolder) {
            throw StoreError("current folder no longer exists", ERROR_NOT_FOUND);
        }
        if (findChild(*folder, id) != nullptr) {
            throw StoreError("an object with this ID exists", ERROR_EXISTS);
        }
        if (freeMemory(token) < objectCost(size)) {
            throw StoreError("not enough free memory", ERROR_NO_MEMORY);
        }
        Object object;
        object.id = id;
        object.isFolder = isFolder;
        if (count != 0) {
            object.attributes.assign(reinterpret_cast<const char*>(attributes), count * 6u);
        }
        object.data.assign(size, '\0');
        folder->children.push_back(std::move(object));
    });
    IdPath path = r.folder;
    path.push_back(id);
    const Object* created = findObject(tokenOf(state, r).root, path);
    if (created != nullptr) {
        select(r, path, *created);
    }
    return 1;
}

std::string traceAttributes(const uint8_t* attributes, uint32_t count)
{
    return traceBytes(attributes, count <= 64 ? count * 6 : 0) + ", " + std::to_string(count);
}

} // namespace

extern "C" {

TOKENAPI(RT_RESULT) rtSelectMF(RT_HANDLE reader, uint32_t reserved)
{
    return runCall(
        "rtSelectMF", RT_RESULT{0}, [&](LibraryState& state) { return siteOfReader(state, reader); },
        [&](LibraryState& state) -> RT_RESULT {
            auto& r = readerOf(state, reader);
            tokenOf(state, r);
            r.folder.clear();
            r.object.clear();
            return 1;
        },
        [&](bool) { return std::to_string(reader) + ", " + std::to_string(reserved); });
}

TOKENAPI(RT_RESULT) rtSelectUpperFolder(RT_HANDLE reader, uint32_t reserved)
{
    return runCall(
        "rtSelectUpperFolder", RT_RESULT{0}, [&](LibraryState& state) { return siteOfReader(state, reader); },
        [&](LibraryState& state) -> RT_RESULT {
            auto& r = readerOf(state, reader);
            currentFolder(tokenOf(state, r), r);
            if (r.folder.empty()) {
                throw StoreError("the master folder has no parent", ERROR_NOT_FOUND);
            }
            r.folder.pop_back();
            r.object = r.folder;
            return 1;
        },
        [&](bool) { return std::to_string(reader) + ", " + std::to_string(reserved); });
}

TOKENAPI(RT_RESULT) rtSelectByPath(RT_HANDLE reader, const uint16_t* ids, uint32_t idCount, uint32_t flags,
                                   RT_HANDLE fcp)
{
    return runCall(
        "rtSelectByPath", RT_RESULT{0}, [&](LibraryState& state) { return siteOfReader(state, reader); },
        [&](LibraryState& state) -> RT_RESULT {
            auto& r = readerOf(state, reader);
            FcpState* f = optionalFcp(state, fcp);
            if ((ids == nullptr && idCount != 0) || idCount > MAX_DEPTH) {
                throw StoreError("bad path", ERROR_BAD_ARGUMENT);
            }
            IdPath path(ids, ids + idCount);
            const Object* object = findObject(tokenOf(state, r).root, path);
            if (object == nullptr) {
                throw StoreError("no object at this path", ERROR_NOT_FOUND);
            }
            select(r, path, *object);
            fill(f, *object);
            return 1;
        },
        [&](bool) {
            return std::to_string(reader) + ", " + traceIds(ids, idCount) + ", " + std::to_string(idCount) +
                   ", " + std::to_string(flags) + ", " + std::to_string(fcp);
        });
}

TOKENAPI(RT_RESULT) rtSelectChildFileObject(RT_HANDLE reader, uint16_t id, uint32_t mode, RT_HANDLE fcp)
{
    return runCall(
        "rtSelectChildFileObject", RT_RESULT{0},
        [&](LibraryState& state) { return siteOfReader(state, reader); },
        [&](LibraryState& state) -> RT_RESULT {
            auto& r = readerOf(state, reader);
            FcpState* f = optionalFcp(state, fcp);
            const Object& folder = currentFolder(tokenOf(state, r), r);
            const auto& children = folder.children;
            std::size_t index = children.size();
            if (mode == 0) {
                index = 0; // the first child
            } else if (mode == 1 || mode == 2) {
                for (std::size_t i = 0; i < children.size(); ++i) {
                    if (children[i].id == id) {
                        index = mode == 1 ? i : i + 1; // the child itself, or the next one
                        break;
                    }
                }
            } else {
                throw StoreError("bad mode", ERROR_BAD_ARGUMENT);
            }
            if (index >= children.size()) {
                throw StoreError("no such child", ERROR_NOT_FOUND);
            }
            IdPath path = r.folder;
            path.push_back(children[index].id);
            fill(f, children[index]);
            select(r, path, children[index]);
            return 1;
        },
        [&](bool) {
            return std::to_string(reader) + ", " + formatId(id) + ", " + std::to_string(mode) + ", " +
                   std::to_string(fcp);
        });
}

TOKENAPI(RT_RESULT) rtCreateFolder(RT_HANDLE reader, uint16_t id, const uint8_t* attributes,
                                   uint32_t attributeCount)
{
    return runCall(
        "rtCreateFolder", RT_RESULT{0}, [&](LibraryState& state) { return siteOfReader(state, reader); },
        [&](LibraryState& state) {
            return createObject(state, reader, id, true, 0, attributes, attributeCount);
        },
        [&](bool) {
            return std::to_string(reader) + ", " + formatId(id) + ", " + traceAttributes(attributes, attributeCount);
        });
}

TOKENAPI(RT_RESULT) rtCreateFile(RT_HANDLE reader, uint16_t id, uint16_t size, const uint8_t* attributes,
                                 uint32_t attributeCount)
{
    return runCall(
        "rtCreateFile", RT_RESULT{0}, [&](LibraryState& state) { return siteOfReader(state, reader); },
        [&](LibraryState& state) {
            return createObject(state, reader, id, false, size, attributes, attributeCount);
        },
        [&](bool) {
            return std::to_string(reader) + ", " + formatId(id) + ", " + std::to_string(size) + ", " +
                   traceAttributes(attributes, attributeCount);
        });
}

TOKENAPI(RT_RESULT) rtDeleteCurrentFileObject(RT_HANDLE reader)
{
    return runCall(
        "rtDeleteCurrentFileObject", RT_RESULT{0},
        [&](LibraryState& state) { return siteOfReader(state, reader); },
        [&](LibraryState& state) -> RT_RESULT {
            auto& r = readerOf(state, reader);
            if (r.object.empty()) {
                throw StoreError("the master folder cannot be deleted", ERROR_BAD_ARGUMENT);
            }
            IdPath parentPath(r.object.begin(), r.object.end() - 1);
            changeToken(state, r, [&](Token& token) {
                Object* parent = findObject(token.root, parentPath);
                const Object* object = findObject(token.root, r.object);
                if (parent == nullptr || object == nullptr) {
                    throw StoreError("current object no longer exists", ERROR_NOT_FOUND);
                }
                if (!object->children.empty()) {
                    throw StoreError("folder is not empty", ERROR_NOT_EMPTY);
                }
                auto& siblings = parent->children;
                for (auto it = siblings.begin(); it != siblings.end(); ++it) {
                    if (&*it == object) {
                        siblings.erase(it);
                        break;
                    }
                }
            });
            if (r.folder.size() > parentPath.size()) {
                r.folder = parentPath; // the deleted folder was current
            }
            r.object = r.folder;
            return 1;
        },
        [&](bool) { return std::to_string(reader); });
}

TOKENAPI(RT_RESULT) rtReadFile(RT_HANDLE reader, uint32_t position, void* target, uint32_t count,
                               uint32_t* countRead)
{
    return runCall(
        "rtReadFile", RT_RESULT{0}, [&](LibraryState& state) { return siteOfReader(state, reader); },
        [&](LibraryState& state) -> RT_RESULT {
            auto& r = readerOf(state, reader);
            const Object* file = findObject(tokenOf(state, r).root, r.object);
            if (file == nullptr) {
                throw StoreError("current object no longer exists", ERROR_NOT_FOUND);
            }
            if (file->isFolder) {
                throw StoreError("not a file", ERROR_WRONG_KIND);
            }
            if (position > file->data.size()) {
                throw StoreError("position past the end", ERROR_OUT_OF_BOUNDS);
            }
            if (target == nullptr && count != 0) {
                throw StoreError("null buffer", ERROR_BAD_ARGUMENT);
            }
            std::size_t n = std::min<std::size_t>(count, file->data.size() - position);
            if (n != 0) {
                std::memcpy(target, file->data.data() + position, n);
            }
            if (countRead != nullptr) {
                *countRead = countToReport(state, static_cast<uint32_t>(n));
            }
            return 1;
        },
        [&](bool ok) {
            return std::to_string(reader) + ", " + std::to_string(position) + ", " +
                   (target == nullptr ? "null" : "buf") + ", " + std::to_string(count) + ", " +
                   traceOut(countRead, ok);
        });
}

TOKENAPI(RT_RESULT) rtUpdateFile(RT_HANDLE reader, uint32_t position, const void* data, uint32_t length,
                                 uint32_t* countWritten)
{
    return runCall(
        "rtUpdateFile", RT_RESULT{0}, [&](LibraryState& state) { return siteOfReader(state, reader); },
        [&](LibraryState& state) -> RT_RESULT {
            auto& r = readerOf(state, reader);
            if (data == nullptr && length != 0) {
                throw StoreError("null data", ERROR_BAD_ARGUMENT);
            }
            changeToken(state, r, [&](Token& token) {
                Object* file = findObject(token.root, r.object);
                if (file == nullptr) {
                    throw StoreError("current object no longer exists", ERROR_NOT_FOUND);
                }
                if (file->isFolder) {
                    throw StoreError("not a file", ERROR_WRONG_KIND);
                }
                if (position > file->data.size() || length > file->data.size() - position) {
                    throw StoreError("update past the end of the file", ERROR_OUT_OF_BOUNDS);
                }
                if (length != 0) {
                    std::memcpy(file->data.data() + position, data, length);
                }
            });
            if (countWritten != nullptr) {
                *countWritten = countToReport(state, length);
            }
            return 1;
        },
        [&](bool ok) {
            return std::to_string(reader) + ", " + std::to_string(position) + ", " + traceBytes(data, length) +
                   ", " + std::to_string(length) + ", " + traceOut(countWritten, ok);
        });
}

TOKENAPI(RT_RESULT) rtGetTokenFreeMemory(RT_HANDLE reader, uint32_t* freeBytes)
{
    return runCall(
        "rtGetTokenFreeMemory", RT_RESULT{0}, [&](LibraryState& state) { return siteOfReader(state, reader); },
        [&](LibraryState& state) -> RT_RESULT {
            auto& r = readerOf(state, reader);
            const Token& token = tokenOf(state, r);
            if (freeBytes == nullptr) {
                throw StoreError("null argument", ERROR_BAD_ARGUMENT);
            }
            *freeBytes = freeMemory(token);
            return 1;
        },
        [&](bool ok) { return std::to_string(reader) + ", " + traceOut(freeBytes, ok); });
}

} // extern "C"
