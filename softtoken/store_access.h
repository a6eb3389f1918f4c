// The store folder's files by name, and loading and saving them. Shared by
// the CLI and the library.
//
//   readers.txt      readers in slot order and the token each holds
//   token-K.txt      one token (K: its key, never reused)
//   token-K.lock     the token's cross-process lock (rtLock, every change)
//   faults.txt       injected faults
//   store.lock       held by the CLI while it changes readers.txt or faults.txt
#ifndef SOFTTOKEN_STORE_ACCESS_H
#define SOFTTOKEN_STORE_ACCESS_H

#include "faults_format.h"
#include "store_model.h"

#include <string>

namespace softtoken {

std::string readersFilePath(const std::string& dir);
std::string tokenFilePath(const std::string& dir, const std::string& key);
std::string tokenLockPath(const std::string& dir, const std::string& key);
std::string faultsFilePath(const std::string& dir);
std::string storeLockPath(const std::string& dir);

// A missing store folder or readers file is an empty store.
ReaderList loadReaders(const std::string& dir);
Token loadToken(const std::string& dir, const std::string& key);
FaultList loadFaults(const std::string& dir);

void saveReaders(const std::string& dir, const ReaderList& list);
void saveToken(const std::string& dir, const std::string& key, const Token& token);
void saveFaults(const std::string& dir, const FaultList& list);

} // namespace softtoken

#endif
