// Hostile command lines and working folders: overlong arguments, control
// characters, a command-file path that is a folder, a log.txt that is a
// folder or read-only. Each has a clear outcome and its exit code, and a
// run that is refused leaves the tokens as they were.
#include <gtest/gtest.h>

#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "e2e_fixture.h"
#include "platform_text.h"

namespace {

// The superuser writes through a file's mode bits; so does Wine when it
// runs as the superuser, whatever the read-only attribute says.
bool writesThroughModeBits(const std::string& readOnlyFile)
{
#ifdef _WIN32
    std::FILE* probe = std::fopen(readOnlyFile.c_str(), "ab");
    if (probe != nullptr) {
        std::fclose(probe);
    }
    return probe != nullptr;
#else
    (void)readOnlyFile;
    return geteuid() == 0;
#endif
}

class BadArguments : public E2eTest {
protected:
    void SetUp() override
    {
        E2eTest::SetUp();
        addToken("KeyToken 0");
        addToken("KeyToken 1");
        makeFolder("KeyToken 1", "5");
        putFile("KeyToken 1", "5/0x1001", patternBytes(300, 5));
        before = tokens();
    }

    std::string tokens() { return tree("KeyToken 0") + tree("KeyToken 1") + fileBytes("KeyToken 1", "5/0x1001"); }

    // The files of the working folder, by name.
    std::vector<std::string> workFiles()
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(work)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string before;
};

struct CommandPath {
    const char* name;
    std::string path;
};

class CommandFilePath : public BadArguments, public ::testing::WithParamInterface<CommandPath> {};

TEST_P(CommandFilePath, IsNotFoundAndTouchesNoToken)
{
    std::filesystem::create_directory(work + "/folder.rtn");

    const ProcessResult result = boardtool({GetParam().path});

    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(logText(), platformText(executionHeader() + "File not found!!!\n"));
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(tokens(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Execution, CommandFilePath,
    ::testing::Values(CommandPath{"Overlong", std::string(5000, 'x') + ".rtn"},
                      CommandPath{"OverlongFolderChain", std::string(3000, 'a') + "/" +
                                                             std::string(3000, 'b') + ".rtn"},
                      CommandPath{"ControlCharacters", "no\x01such\tfile\n.rtn"},
                      CommandPath{"Escape", "\x1b[2J.rtn"},
                      CommandPath{"AFolder", "folder.rtn"},
                      CommandPath{"TheWorkingFolder", "."},
                      CommandPath{"Empty", ""}),
    [](const ::testing::TestParamInfo<CommandPath>& info) { return std::string(info.param.name); });

#ifndef _WIN32
// Windows refuses control characters in file names.
TEST_F(BadArguments, CommandFileNamedWithControlCharactersStillExecutes)
{
    // The name of a command file does not matter, only its content.
    commandFile(0, 7, "odd\t\x01name.rtn");

    const ProcessResult result = boardtool({"odd\t\x01name.rtn"});

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(fileBytes("KeyToken 0", "7/0x1001"), std::string(340, '\0'));
}
#endif

struct IssueArguments {
    const char* name;
    std::string from;
    std::string to;
    std::string out; // what the refusal prints
};

class IssuingRefuses : public BadArguments, public ::testing::WithParamInterface<IssueArguments> {};

TEST_P(IssuingRefuses, WithExitOneAndNoFile)
{
    const ProcessResult result = boardtool({GetParam().from, GetParam().to}, "Vk93q\n");

    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, platformText(GetParam().out));
    EXPECT_EQ(workFiles(), std::vector<std::string>{}) << "the issuing mode left a file";
    EXPECT_EQ(tokens(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Issuing, IssuingRefuses,
    ::testing::Values(
        // Taken as 7 and 5, but the name made of the texts is too long for
        // any file system: the file cannot be written.
        IssueArguments{"OverlongTail", "7" + std::string(4000, 'x'), "5",
                       "fromBoard=7, toBoard=5\n*****"},
        IssueArguments{"OverlongLeadingZeros", std::string(300, '0') + "7", "5",
                       "fromBoard=7, toBoard=5\n*****"},
        IssueArguments{"OverlongNumber", std::string(4000, '9'), "5", ""},
        IssueArguments{"TabAfterTheNumber", "7\t", "5", ""},
        IssueArguments{"LineEndAfterTheNumber", "7", "5\n", ""},
        IssueArguments{"EscapeInTheText", "7\x1b[2J", "5", ""},
        IssueArguments{"DeleteCharacter", "7", "5\x7f", ""},
        IssueArguments{"ControlCharacterOnly", "\x01", "5", ""}),
    [](const ::testing::TestParamInfo<IssueArguments>& info) {
        return std::string(info.param.name);
    });

TEST_F(BadArguments, LogThatIsAFolderLeavesOutcomesAndExitCodesAsTheyAre)
{
    std::filesystem::create_directory(work + "/log.txt");

    EXPECT_EQ(boardtool({}).exitCode, 0);
    EXPECT_EQ(boardtool({"missing.rtn"}).exitCode, 1);
    EXPECT_EQ(tokens(), before);

    const ProcessResult moved = execute(5, 7);
    EXPECT_EQ(moved.exitCode, 0);
    EXPECT_EQ(fileBytes("KeyToken 0", "7/0x1001"), patternBytes(300, 5));
    EXPECT_FALSE(exists("KeyToken 1", "5"));
    EXPECT_TRUE(std::filesystem::is_directory(work + "/log.txt"));
    EXPECT_TRUE(std::filesystem::is_empty(work + "/log.txt"));
}

TEST_F(BadArguments, ReadOnlyLogLeavesOutcomesAndExitCodesAsTheyAre)
{
    const std::string log = work + "/log.txt";
    writeFileBytes(log, "earlier runs\n");
    ASSERT_EQ(chmod(log.c_str(), 0444), 0);

    EXPECT_EQ(boardtool({}).exitCode, 0);
    EXPECT_EQ(boardtool({"missing.rtn"}).exitCode, 1);
    EXPECT_EQ(tokens(), before);
    const ProcessResult moved = execute(5, 7);
    EXPECT_EQ(moved.exitCode, 0);
    EXPECT_EQ(fileBytes("KeyToken 0", "7/0x1001"), patternBytes(300, 5));
    if (!writesThroughModeBits(log)) {
        EXPECT_EQ(readFileBytes(log), "earlier runs\n");
    }
    chmod(log.c_str(), 0644);
}

} // namespace
