// Whether a later user could take every token's lock: a run that leaked a
// lock, or left a token file that cannot be opened, shows up here.
#ifndef TESTS_RELIABILITY_LOCK_CHECK_H
#define TESTS_RELIABILITY_LOCK_CHECK_H

#include <string>
#include <vector>

// Enumerates the "KeyToken" readers of the store through the library in
// this process, opens, locks, unlocks and closes each. Returns one line per
// reader that failed (empty: every token could be locked). The store must
// hold no faults.
std::vector<std::string> tokensThatWillNotLock(const std::string& store);

#endif
