#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "cmdfile/command_file.h"
#include "log/log.h"
#include "platform_text.h"
#include "process.h"
#include "tool_folder.h"

namespace {

// The access code as the operator types it, with Enter.
const std::string CODE = "Vk93q";

struct IssueCase {
    const char* title;
    std::string fromText;
    std::string toText;
    std::string keys;
    int exitCode;
    std::string out;
    std::string fileName;  // empty: no file may appear
    BoardPair pair;
};

std::string stars(std::size_t n)
{
    return std::string(n, '*');
}

const IssueCase ISSUE_CASES[] = {
    // Board numbers: refused before anything is printed or read.
    {"from above 9999", "10000", "5", CODE + "\n", 1, "", "", {}},
    {"to above 9999", "5", "10000", CODE + "\n", 1, "", "", {}},
    {"from not a number", "abc", "5", CODE + "\n", 1, "", "", {}},
    {"to not a number", "5", "x5", CODE + "\n", 1, "", "", {}},
    {"from empty", "", "5", CODE + "\n", 1, "", "", {}},
    {"negative wraps above 9999", "-1", "5", CODE + "\n", 1, "", "", {}},
    {"huge number", "99999999999999999999", "5", CODE + "\n", 1, "", "", {}},
    // Texts naming another folder or a drive.
    {"slash", "12/../x", "5", CODE + "\n", 1, "", "", {}},
    {"backslash", "7", "12\\x", CODE + "\n", 1, "", "", {}},
    {"colon", "7:", "12", CODE + "\n", 1, "", "", {}},
    // The access code.
    {"Enter first", "0", "5", "\n" + CODE + "\n", 1, "fromBoard=0, toBoard=5\n", "", {}},
    {"no key at all", "0", "5", "", 1, "fromBoard=0, toBoard=5\n", "", {}},
    {"partial code", "0", "5", CODE.substr(0, 4) + "\n", 1,
     "fromBoard=0, toBoard=5\n" + stars(4), "", {}},
    {"wrong case", "0", "5", "vK93Q\n", 1, "fromBoard=0, toBoard=5\n" + stars(5), "", {}},
    {"no line editing", "0", "5", CODE.substr(0, 4) + "x\x08" + CODE.substr(4) + "\n", 1,
     "fromBoard=0, toBoard=5\n" + stars(7), "", {}},
    {"key with character 0", "0", "5", CODE.substr(0, 3) + std::string(1, '\0') + CODE.substr(3) + "\n",
     1, "fromBoard=0, toBoard=5\n" + stars(6), "", {}},
    {"overlong wrong", "0", "5", "abcdefghijklmnop\n", 1, "fromBoard=0, toBoard=5\n" + stars(11),
     "", {}},
    {"code", "0", "5", CODE + "\n", 0, "fromBoard=0, toBoard=5\n" + stars(5), "create5.rtn", {0, 5}},
    {"code with carriage return", "34", "0", CODE + "\r", 0, "fromBoard=34, toBoard=0\n" + stars(5),
     "delete34.rtn", {34, 0}},
    {"code at end of input", "9999", "1", CODE, 0, "fromBoard=9999, toBoard=1\n" + stars(5),
     "9999to1.rtn", {9999, 1}},
    {"code and more", "007", "12", CODE + "xyz\n", 0, "fromBoard=7, toBoard=12\n" + stars(8),
     "007to12.rtn", {7, 12}},
    {"overlong code", "12abc", "345", CODE + "abcdefghij\n", 0,
     "fromBoard=12, toBoard=345\n" + stars(11), "12abcto345.rtn", {12, 345}},
    {"leading blanks", " 12", "345", CODE + "\n", 0, "fromBoard=12, toBoard=345\n" + stars(5),
     " 12to345.rtn", {12, 345}},
    {"zero and zero", "0", "0", CODE + "\n", 0, "fromBoard=0, toBoard=0\n" + stars(5),
     "create0.rtn", {0, 0}},
};

class IssueOutcome : public ToolFolder, public testing::WithParamInterface<IssueCase> {};

// Reads a command file back in the folder, as the executing mode would.
std::optional<BoardPair> readBack(const std::string& folder, const std::string& name)
{
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    logLevel = 10;
    auto pair = readCommandFile(name);
    std::filesystem::remove("log.txt");
    std::filesystem::current_path(previous);
    return pair;
}

} // namespace

TEST_P(IssueOutcome, ExitCodeConsoleAndFile)
{
    const IssueCase& c = GetParam();
    const ProcessResult result = run({c.fromText, c.toText}, c.keys);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.out, platformText(c.out));
    EXPECT_EQ(result.err, "");
    if (c.fileName.empty()) {
        EXPECT_TRUE(files().empty());
        return;
    }
    // The command file alone: no log, no temporary file left behind.
    EXPECT_EQ(files(), std::set<std::string>{c.fileName});
    const std::string body = file(c.fileName);
    EXPECT_EQ(body.size(), 48u);
    EXPECT_EQ(body.find_first_not_of("0123456789"), std::string::npos) << body;
    const auto pair = readBack(folder_, c.fileName);
    ASSERT_TRUE(pair.has_value());
    EXPECT_EQ(pair->fromBoard, c.pair.fromBoard);
    EXPECT_EQ(pair->toBoard, c.pair.toBoard);
}

INSTANTIATE_TEST_SUITE_P(Table, IssueOutcome, testing::ValuesIn(ISSUE_CASES),
                         [](const testing::TestParamInfo<IssueCase>& info) {
                             std::string name;
                             for (const char* p = info.param.title; *p != '\0'; ++p) {
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return name;
                         });

TEST_F(ToolFolder, ExistingFileIsReplacedAndKeptWhenRefused)
{
    writeFileBytes(folder_ + "/create5.rtn", "old content");
    EXPECT_EQ(run({"0", "5"}, "wrong\n").exitCode, 1);
    EXPECT_EQ(file("create5.rtn"), "old content");

    EXPECT_EQ(run({"0", "5"}, CODE + "\n").exitCode, 0);
    EXPECT_EQ(files(), std::set<std::string>{"create5.rtn"});
    const auto pair = readBack(folder_, "create5.rtn");
    ASSERT_TRUE(pair.has_value());
    EXPECT_EQ(pair->toBoard, 5u);
}

TEST_F(ToolFolder, UnwritableWorkingFolderEndsWithOneAndNoFile)
{
#ifdef _WIN32
    GTEST_SKIP() << "Wine runs as the Linux user, root here: no Windows folder refuses it files";
#else
    // Permission bits do not stop root; /proc refuses new files for all.
    std::string workDir = folder_;
    if (geteuid() == 0) {
        workDir = "/proc";
    } else {
        ASSERT_EQ(chmod(folder_.c_str(), 0555), 0);
    }
    const ProcessResult result = run({"0", "5"}, CODE + "\n", workDir);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "fromBoard=0, toBoard=5\n" + stars(5));
    EXPECT_FALSE(fileExists(workDir + "/create5.rtn"));
    EXPECT_FALSE(fileExists(workDir + "/~create5.rtn.tmp"));
#endif
}

// A file size limit below the body's 48 characters makes the write fail
// part way: the old file stays as it was and no partial file remains.
TEST_F(ToolFolder, FailedWriteLeavesNoPartialFile)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file size limit to make a write fail part way";
#else
    writeFileBytes(folder_ + "/create5.rtn", "old content");
    rlimit previousLimit = {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previousLimit), 0);
    rlimit limit = previousLimit;
    limit.rlim_cur = 40;  // room for the console output, not for the body
    auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const ProcessResult result = run({"0", "5"}, CODE + "\n");
    setrlimit(RLIMIT_FSIZE, &previousLimit);
    signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "fromBoard=0, toBoard=5\n" + stars(5));
    EXPECT_EQ(files(), std::set<std::string>{"create5.rtn"});
    EXPECT_EQ(file("create5.rtn"), "old content");
#endif
}

TEST_F(ToolFolder, NameTakenByAFolderEndsWithOneAndLeavesItAlone)
{
    std::filesystem::create_directory(folder_ + "/create5.rtn");
    writeFileBytes(folder_ + "/create5.rtn/inside", "x");
    const ProcessResult result = run({"0", "5"}, CODE + "\n");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(files(), std::set<std::string>{"create5.rtn"});
    EXPECT_EQ(file("create5.rtn/inside"), "x");
}
