#include "store_access.h"

#include "store_files.h"
#include "store_format.h"

namespace softtoken {

std::string readersFilePath(const std::string& dir)
{
    return dir + "/readers.txt";
}

std::string tokenFilePath(const std::string& dir, const std::string& key)
{
    return dir + "/token-" + key + ".txt";
}

std::string tokenLockPath(const std::string& dir, const std::string& key)
{
    return dir + "/token-" + key + ".lock";
}

std::string faultsFilePath(const std::string& dir)
{
    return dir + "/faults.txt";
}

std::string storeLockPath(const std::string& dir)
{
    return dir + "/store.lock";
}

ReaderList loadReaders(const std::string& dir)
{
    auto path = readersFilePath(dir);
    auto bytes = readWholeFile(path, MAX_STORE_FILE);
    if (!bytes) {
        return {};
    }
    try {
        return parseReadersFile(*bytes);
    } catch (const StoreError& e) {
        throw StoreError(path + ": " + e.what());
    }
}

Token loadToken(const std::string& dir, const std::string& key)
{
    auto path = tokenFilePath(dir, key);
    auto bytes = readWholeFile(path, MAX_STORE_FILE);
    if (!bytes) {
        throw StoreError("token file missing: " + path);
    }
    try {
        return parseTokenFile(*bytes);
    } catch (const StoreError& e) {
        throw StoreError(path + ": " + e.what());
    }
}

FaultList loadFaults(const std::string& dir)
{
    auto path = faultsFilePath(dir);
    auto bytes = readWholeFile(path, 1024 * 1024);
    if (!bytes) {
        return {};
    }
    try {
        return parseFaultsFile(*bytes);
    } catch (const StoreError& e) {
        throw StoreError(path + ": " + e.what());
    }
}

void saveReaders(const std::string& dir, const ReaderList& list)
{
    makeFolders(dir);
    writeFileDurably(readersFilePath(dir), formatReadersFile(list));
}

void saveToken(const std::string& dir, const std::string& key, const Token& token)
{
    makeFolders(dir);
    writeFileDurably(tokenFilePath(dir, key), formatTokenFile(token));
}

void saveFaults(const std::string& dir, const FaultList& list)
{
    makeFolders(dir);
    writeFileDurably(faultsFilePath(dir), formatFaultsFile(list));
}

} // namespace softtoken
