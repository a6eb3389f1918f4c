#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/modes.h"
#include "log/log.h"
#include "platform_text.h"
#include "process.h"
#include "tool_folder.h"

namespace {

// log.txt is a text file: "\n" is the platform's line end.
const std::string DIAGNOSTICS_HEADER = platformText("***************Diagnostics*******************\n\n");
const std::string DIAGNOSTICS_CLOSING = platformText("*********************************************\n\n");
const std::string EXECUTION_HEADER = platformText("************Moving or Creating Board*********\n\n");
const std::string FILE_NOT_FOUND = platformText("File not found!!!\n");

// The token library reads the store folder from this process's
// environment.
void setStoreFolder(const std::string& folder)
{
#ifdef _WIN32
    _putenv_s("SOFTTOKEN_DIR", folder.c_str());
#else
    setenv("SOFTTOKEN_DIR", folder.c_str(), 1);
#endif
}

void clearStoreFolder()
{
#ifdef _WIN32
    _putenv_s("SOFTTOKEN_DIR", "");
#else
    unsetenv("SOFTTOKEN_DIR");
#endif
}

bool startsWith(const std::string& text, const std::string& start)
{
    return text.compare(0, start.size(), start) == 0;
}

} // namespace

// A process cannot be started with an empty argument vector on current
// kernels, so the count of 0 is given to the dispatch directly.
TEST_F(ToolFolder, ArgumentCountZeroRunsTheDiagnosticsReport)
{
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
    setStoreFolder(store_);
    logLevel = 0;
    char* argv[] = {nullptr};
    const int result = runTool(0, argv);
    clearStoreFolder();
    std::filesystem::current_path(previous);

    EXPECT_EQ(result, 0);
    EXPECT_EQ(logLevel, 10);
    const std::string log = file("log.txt");
    EXPECT_TRUE(startsWith(log, DIAGNOSTICS_HEADER)) << log;
    EXPECT_TRUE(log.ends_with(DIAGNOSTICS_CLOSING)) << log;
}

TEST_F(ToolFolder, NoArgumentRunsTheDiagnosticsReportAndEndsWithZero)
{
    const ProcessResult result = run({});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    const std::string log = file("log.txt");
    EXPECT_TRUE(startsWith(log, DIAGNOSTICS_HEADER)) << log;
    EXPECT_TRUE(log.ends_with(DIAGNOSTICS_CLOSING)) << log;
}

TEST_F(ToolFolder, FourOrMoreArgumentsDoNothingAndEndWithZero)
{
    // What is there stays exactly as it was: a log and a valid command file
    // named by the first argument.
    writeFileBytes(folder_ + "/log.txt", "earlier\n");
    writeFileBytes(folder_ + "/create5.rtn", "770683760906972520839129663383962088906306999756");
    const std::vector<std::vector<std::string>> argumentLists = {
        {"create5.rtn", "0", "5"},
        {"0", "5", "typed", "x"},
        {"a", "b", "c", "d", "e", "f", "g"},
    };
    for (const auto& args : argumentLists) {
        SCOPED_TRACE(args.size());
        const ProcessResult result = run(args, "Vk93q\n");
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(file("log.txt"), "earlier\n");
        EXPECT_EQ(files(), (std::set<std::string>{"log.txt", "create5.rtn"}));
    }
    std::filesystem::remove(folder_ + "/log.txt");
    EXPECT_EQ(run({"1", "2", "3"}).exitCode, 0);
    EXPECT_FALSE(fileExists(folder_ + "/log.txt"));
}

TEST_F(ToolFolder, OneArgumentIsAlwaysACommandFileWhateverItsText)
{
    for (const std::string arg : {"--help", "-h", "/?", ""}) {
        SCOPED_TRACE(arg);
        std::filesystem::remove(folder_ + "/log.txt");
        const ProcessResult result = run({arg});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.out, "");
        const std::string log = file("log.txt");
        EXPECT_TRUE(startsWith(log, EXECUTION_HEADER + FILE_NOT_FOUND)) << log;
    }
}

TEST_F(ToolFolder, TwoArgumentsAreAlwaysIssuingWhateverTheirText)
{
    for (const auto& args : {std::vector<std::string>{"--help", "x"},
                             std::vector<std::string>{"-v", "5"}}) {
        const ProcessResult result = run(args, "Vk93q\n");
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(files().empty());
    }
}

TEST_F(ToolFolder, ConsecutiveRunsAppendToTheLog)
{
    run({});
    run({"missing.rtn"});
    const std::string log = file("log.txt");
    EXPECT_TRUE(startsWith(log, DIAGNOSTICS_HEADER)) << log;
    const auto second = log.find(EXECUTION_HEADER + FILE_NOT_FOUND);
    EXPECT_NE(second, std::string::npos) << log;
    EXPECT_GT(second, DIAGNOSTICS_HEADER.size());
}
