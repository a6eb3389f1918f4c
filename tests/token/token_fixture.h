// A fresh token store per test, set up through the emulator's CLI, and the
// token-layer driver run against it with the library's trace captured.
#ifndef TESTS_TOKEN_TOKEN_FIXTURE_H
#define TESTS_TOKEN_TOKEN_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "process.h"

struct DriverRun {
    int exitCode = -1;
    std::string out;
    std::string err;
    std::vector<std::string> trace; // every line of the trace file
    std::vector<std::string> calls; // the function names of the call lines
    std::vector<std::string> leaks; // the "leak" lines
};

// Library calls of a successful openToken, and of the readerGuard that
// closes the token at the end of an operation.
extern const std::vector<std::string> OPEN_CALLS;
extern const std::vector<std::string> CLOSE_CALLS;

std::vector<std::string> concat(std::vector<std::vector<std::string>> parts);

// The driver's report of an rtError.
std::string raisedLine(int code, const std::string& message);

class TokenStoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts again from an empty store (for a table of cases in one test).
    void resetStore();

    // Runs the emulator's CLI on this test's store; fails the test unless
    // it exits with 0. Returns its standard output.
    std::string softtoken(const std::vector<std::string>& args, const std::string& input = "");
    ProcessResult softtokenRaw(const std::vector<std::string>& args, const std::string& input = "");

    // Runs one driver operation with a fresh trace file.
    DriverRun drive(const std::vector<std::string>& args, const std::string& input = "");
    // The same with standard error appended to the trace file, so the
    // console lines show in order among the library calls.
    std::vector<std::string> driveMerged(const std::vector<std::string>& args);

    // Checks a failed operation: its code and message, the one console
    // line, nothing on standard output but the report, nothing left open.
    void expectRaised(const DriverRun& run, int code, const std::string& message);

    std::string store;
    std::string work;
    std::string tracePath;
};

// Bytes 0, 1, 2, ... (mod 251) of the given length: no two chunks alike.
std::string patternBytes(std::size_t length);
std::string toHex(const std::string& bytes);

#endif
