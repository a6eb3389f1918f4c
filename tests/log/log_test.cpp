#include "log/log.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>

#include "platform_text.h"
#include "process.h"

namespace {

// Each test runs in its own empty working folder with the threshold at 10.
class Log : public testing::Test {
protected:
    void SetUp() override
    {
        previous_ = std::filesystem::current_path();
        folder_ = makeTempDir("log");
        std::filesystem::current_path(folder_);
        logLevel = 10;
    }
    void TearDown() override
    {
        std::filesystem::current_path(previous_);
        removeTree(folder_);
    }
    // log.txt is a text file: its line ends are the platform's.
    std::string content() const { return readFileBytes(folder_ + "/log.txt"); }
    bool exists() const { return fileExists(folder_ + "/log.txt"); }

    std::filesystem::path previous_;
    std::string folder_;
};

struct LevelCase {
    int level;
    bool written;
};

const LevelCase LEVEL_CASES[] = {
    {1, true}, {9, true}, {0, true}, {-1, true}, {INT_MIN, true},
    {10, false}, {11, false}, {INT_MAX, false},
};

} // namespace

TEST_F(Log, OnlyLevelsBelowTheThresholdAreWrittenAndOthersCreateNothing)
{
    for (const LevelCase& c : LEVEL_CASES) {
        SCOPED_TRACE(c.level);
        std::filesystem::remove("log.txt");
        logLine("line", c.level);
        EXPECT_EQ(exists(), c.written);
        logPrintf(c.level, "printf %d\n", c.level);
        EXPECT_EQ(content(), c.written ? platformText("line\nprintf " + std::to_string(c.level) + "\n") : "");
        EXPECT_EQ(exists(), c.written);
    }
}

TEST_F(Log, ThresholdIsReadOnEachCall)
{
    logLevel = 0;
    logLine("not written", 0);
    EXPECT_FALSE(exists());
    logLevel = 1;
    logLine("written", 0);
    EXPECT_EQ(content(), platformText("written\n"));
}

TEST_F(Log, LogLineAddsOneLineEndAndLogPrintfNone)
{
    logLine("Tokens not found!!!\n", 1);
    logPrintf(1, "Tokens not found!!!\n");
    logPrintf(1, "no end");
    logPrintf(1, "%s|%i|%5i|0x%04x\n", "text", -1, 42, 0x1001);
    logLine("", 1);
    EXPECT_EQ(content(), platformText("Tokens not found!!!\n\nTokens not found!!!\nno end"
                                      "text|-1|   42|0x1001\n\n"));
}

TEST_F(Log, LogLineWritesPercentSignsAndBytesUnchanged)
{
    logLine("100% %s %d %n", 1);
    // Code page 1251 bytes go in as they are.
    logLine("\xCE\xF8\xE8\xE1\xEA\xE0 \xF2\xEE\xEA\xE5\xED\xE0", 1);
    EXPECT_EQ(content(),
              platformText("100% %s %d %n\n\xCE\xF8\xE8\xE1\xEA\xE0 \xF2\xEE\xEA\xE5\xED\xE0\n"));
}

TEST_F(Log, AppendsToWhatIsThereAndNeverTruncates)
{
    writeFileBytes(folder_ + "/log.txt", "earlier run\n");
    logLine("first", 1);
    logPrintf(1, "second\n");
    // The earlier bytes stay exactly as they were.
    EXPECT_EQ(content(), "earlier run\n" + platformText("first\nsecond\n"));
}

TEST_F(Log, FailureToOpenIsAbsorbedAndTheNextCallTriesAgain)
{
    // A folder in the way of log.txt cannot be opened for appending.
    std::filesystem::create_directory("log.txt");
    logLine("lost", 1);
    logPrintf(1, "lost too %d\n", 1);
    EXPECT_TRUE(std::filesystem::is_directory("log.txt"));
    std::filesystem::remove("log.txt");
    logLine("kept", 1);
    EXPECT_EQ(content(), platformText("kept\n"));
}

TEST_F(Log, FileIsClosedAfterEachMessage)
{
    logLine("one", 1);
    // Another writer can replace the file between two messages; the next
    // message goes to the new file, not to a stream still held open.
    std::filesystem::rename("log.txt", "old.txt");
    logLine("two", 1);
    EXPECT_EQ(content(), platformText("two\n"));
    EXPECT_EQ(readFileBytes(folder_ + "/old.txt"), platformText("one\n"));
}
