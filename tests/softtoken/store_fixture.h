// A fresh store folder per test, the library pointed at it through
// SOFTTOKEN_DIR, and small helpers over the library's C interface.
#ifndef TESTS_SOFTTOKEN_STORE_FIXTURE_H
#define TESTS_SOFTTOKEN_STORE_FIXTURE_H

#include "process.h"
#include "tokenapi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

inline const char* const PIN2 = "Qwmzhvoa";
inline const char* const PIN1 = "uKDwarsoLGx";

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the CLI on this test's store; `expectedExit` is checked.
    ProcessResult cli(const std::vector<std::string>& args, int expectedExit = 0,
                      const std::string& input = "");
    // Runs the helper program with the store and extra environment.
    ProcessResult helper(const std::vector<std::string>& args, const Environment& env = {});

    // rtOpenReaderA + rtLock + rtLogout + rtLoginA(2), as the tool does.
    RT_HANDLE openLoggedIn(const std::string& reader);
    // Releases what openLoggedIn took.
    void closeReader(RT_HANDLE h);
    // The children of `path`, stepping as the tool's listing does.
    std::vector<std::uint16_t> listChildren(RT_HANDLE h, const std::vector<std::uint16_t>& path);
    // The whole content of the file at `path` in chunks of `chunk` bytes.
    std::string readFile(RT_HANDLE h, const std::vector<std::uint16_t>& path, std::uint32_t chunk = 256);
    // Every name the library enumerates for `filter`.
    std::vector<std::string> enumerate(const char* filter);

    std::string root; // private temp folder
    std::string dir;  // the store folder (missing until the CLI creates it)
};

// The access attributes the tool passes when it creates objects.
inline const std::uint8_t TOOL_ATTRIBUTES[18] = {0x00, 0x01, 2, 0, 0, 0, 0x01, 0x01, 2, 0, 0, 0,
                                                  0x06, 0x01, 2, 0, 0, 0};

#endif
