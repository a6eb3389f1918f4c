// The library calls each token-layer operation makes, per function name,
// built up the way the operations are: every operation opens the token in
// its slot (enumerate, count, name, open, lock, logout, login, close the
// enumeration) and releases it (logout, unlock, close), and does its own
// few calls in between. The call-count tests compare these with the
// emulator's trace, so a change that adds or drops a call fails.
#ifndef TESTS_PERF_CALL_SEQUENCES_H
#define TESTS_PERF_CALL_SEQUENCES_H

#include <cstdint>
#include <map>
#include <string>

#include "perf_store.h"

using CallCounts = std::map<std::string, std::uint64_t>;

CallCounts operator+(CallCounts a, const CallCounts& b);
CallCounts times(std::uint64_t n, const CallCounts& counts);
std::uint64_t total(const CallCounts& counts);

// openToken(2, slot) that succeeds: 8 calls.
CallCounts openTokenCalls();
// openToken(2, slot) for a slot past the last reader, which ends findSlot's
// search: enumerate, count, the failing name call, close the enumeration: 4.
CallCounts openPastEndCalls();
// The readerGuard's release: logout, unlock, close: 3.
CallCounts releaseCalls();

// listTokens over `readers` openable readers: enumerate, count, then per
// reader name, open, token ID, close, then close the enumeration: 3 + 4n.
CallCounts listTokensCalls(unsigned readers);
// probeSlot: open, select the path, release: 8 + 1 + 3 = 12, found or not.
CallCounts probeSlotCalls();
// findSlot for an object first held by `slot`: one probe per slot up to
// and including it: 12 (slot + 1).
CallCounts findSlotCalls(unsigned slot);
// findSlot for an object no token holds: a probe of each of `tokens` slots,
// the open past the end, and nothing else: 12 tokens + 4.
CallCounts findSlotMissCalls(unsigned tokens);
// listChildren of a folder of `children` objects, `folders` of them
// folders: open, select, create FCP, one child selection per child plus
// the one that ends the list, per child its ID and folder flag, one step up
// per folder child, remove FCP, release: 15 + 3 children + folders.
CallCounts listChildrenCalls(std::uint64_t children, std::uint64_t folders);
// getFreeMemory: open, free memory, release: 12.
CallCounts freeMemoryCalls();
// readDataFile of a file of `size` bytes (below the capacity): open, create
// FCP, select, file length, one read per 256 bytes, remove FCP, release:
// 15 + chunks.
CallCounts readDataFileCalls(std::uint32_t size);
// writeDataFile: open, select, delete (only when the file exists), select
// the parent, create, select, update, release: 17 replacing, 16 new.
CallCounts writeDataFileCalls(bool replacing);
// createFolder of a new board: open, select (fails), select the master
// folder, create, release: 14.
CallCounts createNewFolderCalls();
// deleteObject: open, select, delete, release: 13.
CallCounts deleteObjectCalls();

// The diagnostics report over a store of this shape: listTokens, then per
// token the master folder's listing (every child a folder), the free
// memory, and per board its listing (files only) and a read of each file.
CallCounts diagnosticsCalls(const PerfStoreShape& shape);

#endif
