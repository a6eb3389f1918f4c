// End-to-end fixture: a fresh token store and a fresh working folder per
// test, the real `softtoken` CLI to set up and inspect the tokens, and the
// real `boardtool` run as a separate process against that store.
#ifndef TESTS_E2E_E2E_FIXTURE_H
#define TESTS_E2E_E2E_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "process.h"

class E2eTest : public ::testing::Test {
public:
    void SetUp() override;
    void TearDown() override;

    // Runs the emulator's CLI on this test's store.
    ProcessResult softtoken(const std::vector<std::string>& args, const std::string& input = "");
    // Runs the CLI and records a test failure unless it succeeds; returns
    // its standard output.
    std::string setUp(const std::vector<std::string>& args, const std::string& input = "");

    // Plugs in a reader with a fresh token (extra: further `add` options).
    void addToken(const std::string& reader, const std::vector<std::string>& extra = {});
    void makeFolder(const std::string& reader, const std::string& path);
    void putFile(const std::string& reader, const std::string& path, const std::string& bytes);
    void addFault(const std::vector<std::string>& args);

    // Token content as the CLI shows it.
    std::string listing(const std::string& reader, const std::string& path = "");
    std::string fileBytes(const std::string& reader, const std::string& path);
    std::string tree(const std::string& reader);
    bool exists(const std::string& reader, const std::string& path);
    // The free memory `softtoken list` reports for the reader.
    long freeMemory(const std::string& reader);

    // Runs boardtool in the working folder on this test's store.
    ProcessResult boardtool(const std::vector<std::string>& args, const std::string& input = "",
                            const Environment& extraEnv = {});
    // Writes a command file carrying the pair into the working folder with
    // the project's own writer and a fixed seed; returns its name.
    std::string commandFile(std::uint32_t fromBoard, std::uint32_t toBoard,
                            const std::string& name = "command.rtn");
    ProcessResult execute(std::uint32_t fromBoard, std::uint32_t toBoard);

    std::string logText();

    std::string store;
    std::string work;
};

// Deterministic test data of `size` bytes, different for each seed.
std::string patternBytes(std::size_t size, unsigned seed);

// The execution mode's frame in the log.
std::string executionHeader();
std::string decodedLine(std::uint32_t fromBoard, std::uint32_t toBoard);
std::string executionClosingRow();
// The diagnostics report's frame in the log.
std::string diagnosticsHeader();
std::string diagnosticsClosingRow();

#endif
