// The process runner and file helpers that the end-to-end tests rely on:
// the child must get exactly the arguments, input, folder and environment
// given, and its output and exit code must come back byte for byte.
#include "process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

void setOwnVariable(const char* name, const char* value)
{
#if defined(_WIN32)
    _putenv_s(name, value);
#else
    setenv(name, value, 1);
#endif
}

void clearOwnVariable(const char* name)
{
#if defined(_WIN32)
    _putenv_s(name, "");
#else
    unsetenv(name);
#endif
}

std::string argLine(const std::string& arg)
{
    return "arg " + std::to_string(arg.size()) + ":" + arg + "\n";
}

class ProcessTest : public testing::Test {
protected:
    void SetUp() override
    {
        clearOwnVariable("PROBE_VAR");
        clearOwnVariable("PROBE_FILL");
        dir = makeTempDir("process-test");
    }
    void TearDown() override
    {
        clearOwnVariable("PROBE_VAR");
        removeTree(dir);
    }

    ProcessResult probe(std::vector<std::string> args, const std::string& input = "",
                        const Environment& env = {})
    {
        args.insert(args.begin(), PROBE_EXE);
        return runProcess(args, dir, input, env);
    }

    std::string dir;
};

TEST_F(ProcessTest, InputReachesTheChildAndOutputComesBackByteForByte)
{
    // The length comes from the literal itself, so that the NUL inside is
    // kept and nothing past its end is read.
    static const char binary[] = "nul\0inside\xC0\xFF\x1A end";
    for (const std::string& input : {std::string(), std::string("line\r\nnext\nlast\r"),
                                    std::string(binary, sizeof binary - 1)}) {
        auto result = probe({"0"}, input);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.signal, 0);
        EXPECT_EQ(result.out, input);
    }
}

TEST_F(ProcessTest, ArgumentsArriveUnchanged)
{
    const std::vector<std::string> args = {
        "0", "plain", "two words", "", "quote\"inside", "trailing\\", "back\\\\slash \"mix\\\"",
        "\\\\server\\share\\", "tab\there", "C:\\path with space\\", "-x=1;2"};
    auto result = probe(args);
    std::string expected;
    for (const auto& arg : args) {
        expected += argLine(arg);
    }
    EXPECT_EQ(result.err.substr(0, expected.size()), expected);
}

TEST_F(ProcessTest, ExitCodeIsReturned)
{
    for (int code : {0, 1, 2, 9, 255}) {
        auto result = probe({std::to_string(code)});
        EXPECT_EQ(result.exitCode, code);
        EXPECT_EQ(result.signal, 0);
    }
}

TEST_F(ProcessTest, ChildRunsInTheGivenFolder)
{
    auto result = probe({"0"});
    auto at = result.err.find("cwd ");
    ASSERT_NE(at, std::string::npos) << result.err;
    auto cwd = result.err.substr(at + 4, result.err.find('\n', at) - at - 4);
    EXPECT_TRUE(std::filesystem::equivalent(cwd, dir)) << cwd << " vs " << dir;
}

TEST_F(ProcessTest, EnvironmentIsInheritedAndExtendedOrOverridden)
{
    EXPECT_NE(probe({"0"}).err.find("var unset\n"), std::string::npos);
    EXPECT_NE(probe({"0"}, "", {{"PROBE_VAR", "given"}}).err.find("var given\n"),
              std::string::npos);

    setOwnVariable("PROBE_VAR", "inherited");
    EXPECT_NE(probe({"0"}).err.find("var inherited\n"), std::string::npos);
    EXPECT_NE(probe({"0"}, "", {{"PROBE_VAR", "override"}}).err.find("var override\n"),
              std::string::npos);
}

TEST_F(ProcessTest, LargeOutputDoesNotStallTheChild)
{
    const long fill = 4L << 20;
    auto result = probe({"0"}, "head", {{"PROBE_FILL", std::to_string(fill)}});
    EXPECT_EQ(result.exitCode, 0);
    ASSERT_EQ(result.out.size(), 4 + static_cast<std::size_t>(fill));
    EXPECT_EQ(result.out.substr(0, 7), "headabc");
    EXPECT_EQ(result.out.back(), 'a' + static_cast<char>((fill - 1) % 26));
}

TEST_F(ProcessTest, MissingProgramThrows)
{
    auto missing = (std::filesystem::path(dir) / "no-such-program.exe").string();
    EXPECT_THROW(runProcess({missing}, dir), std::runtime_error);
}

TEST_F(ProcessTest, FilesAreWrittenAndReadByteForByte)
{
    auto path = (std::filesystem::path(dir) / "bytes").string();
    const std::string bytes("a\r\nb\n\0\x1A\xFF", 8);
    EXPECT_FALSE(fileExists(path));
    EXPECT_EQ(readFileBytes(path), "");
    writeFileBytes(path, bytes);
    EXPECT_TRUE(fileExists(path));
    EXPECT_EQ(std::filesystem::file_size(path), bytes.size());
    EXPECT_EQ(readFileBytes(path), bytes);
    writeFileBytes(path, "x");
    EXPECT_EQ(readFileBytes(path), "x");
}

TEST_F(ProcessTest, TempFoldersAreNewAndEmptyAndRemovedWhole)
{
    auto first = makeTempDir("process-test");
    auto second = makeTempDir("process-test");
    EXPECT_NE(first, second);
    for (const auto& folder : {first, second}) {
        EXPECT_TRUE(std::filesystem::is_directory(folder));
        EXPECT_TRUE(std::filesystem::is_empty(folder));
    }
    std::filesystem::create_directories(std::filesystem::path(first) / "a" / "b");
    writeFileBytes((std::filesystem::path(first) / "a" / "b" / "f").string(), "data");
    removeTree(first);
    removeTree(second);
    EXPECT_FALSE(fileExists(first));
    EXPECT_FALSE(fileExists(second));
}

} // namespace
