#include "lock_check.h"

#include <cstdlib>

#include "tokenapi.h"

std::vector<std::string> tokensThatWillNotLock(const std::string& store)
{
    // The library reads the variable afresh on every enumeration and open.
    setenv("SOFTTOKEN_DIR", store.c_str(), 1);
    std::vector<std::string> failures;
    const RT_HANDLE readers = rtEnumReadersA("KeyToken");
    if (readers == 0) {
        return {"readers cannot be enumerated"};
    }
    const std::int32_t count = rtGetReadersCount(readers);
    if (count < 0) {
        failures.push_back("readers cannot be counted");
    }
    for (std::int32_t index = 0; index < count; ++index) {
        char name[1024] = {};
        std::uint32_t length = sizeof name;
        if (rtGetReaderNameFromListA(readers, static_cast<std::uint32_t>(index), name, &length) ==
            0) {
            failures.push_back("no name for reader " + std::to_string(index));
            continue;
        }
        const RT_HANDLE reader = rtOpenReaderA(name);
        if (reader == 0) {
            failures.push_back(std::string(name) + ": cannot be opened");
            continue;
        }
        if (rtLock(reader) == 0) {
            failures.push_back(std::string(name) + ": cannot be locked");
        } else {
            rtUnlock(reader);
        }
        rtCloseReader(reader);
    }
    rtEnumReadersClose(readers);
    return failures;
}
