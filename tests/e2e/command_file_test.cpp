// The command file as the execution mode meets it: missing or malformed
// files end the run before any token is touched, and a file issued by the
// tool itself is carried out.
#include "e2e_fixture.h"
#include "platform_text.h"
#include "token_messages.h"

namespace {

struct BadFileCase {
    const char* name;
    const char* body; // nullptr: the file does not exist
    std::string lastLine;
};

const std::vector<BadFileCase> BAD_FILES = {
    {"Missing", nullptr, "File not found!!!\n"},
    {"AllZeros", "000000000000000000000000000000000000000000000000", "Bad file format!!!\n"},
    {"Letters", "abcdefabcdefabcdefabcdefabcdefabcdefabcdefabcdef", "Bad file format!!!\n"},
    {"LastGroupZero", "770683760906972520839129663383962088906306000000", "Bad file format!!!\n"},
    {"OneCharacterShort", "77068376090697252083912966338396208890630699975",
     "Bad file format!!!\n"},
    {"Empty", "", "Bad file format!!!\n"},
};

// Names the case in failure messages instead of dumping its bytes.
void PrintTo(const BadFileCase& c, std::ostream* out)
{
    *out << c.name;
}

class BadCommandFileTest : public E2eTest, public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(BadCommandFileTest, EndsWithOneAndTouchesNoToken)
{
    const BadFileCase& c = GetParam();
    addToken("KeyToken 0");
    makeFolder("KeyToken 0", "7");
    if (c.body != nullptr) {
        writeFileBytes(work + "/bad.rtn", c.body);
    }
    const std::string trace = work + "/trace.txt";

    const ProcessResult run = boardtool({"bad.rtn"}, "", {{"SOFTTOKEN_TRACE", trace}});

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(logText(), platformText(executionHeader() + c.lastLine));
    EXPECT_FALSE(fileExists(trace) && !readFileBytes(trace).empty())
        << "the library was called:\n" << readFileBytes(trace);
    EXPECT_EQ(listing("KeyToken 0"), "0x0007 dir\n");
}

INSTANTIATE_TEST_SUITE_P(Cases, BadCommandFileTest, ::testing::ValuesIn(BAD_FILES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(E2eTest, WorkedExampleBodyIsCarriedOutUnderAnyName)
{
    // The body carries fromBoard 12 and toBoard 345; characters after the
    // 48th are ignored.
    addToken("KeyToken 0");
    makeFolder("KeyToken 0", "12");
    putFile("KeyToken 0", "12/0x1001", "twelve");
    writeFileBytes(work + "/anything.txt",
                   "770683760906972520839129663383962088906306999756\r\ntrailing");

    const ProcessResult run = boardtool({"anything.txt"});

    EXPECT_EQ(run.exitCode, 0) << logText();
    EXPECT_EQ(run.out, platformText("Created\n"));
    EXPECT_EQ(fileBytes("KeyToken 0", "345/0x1001"), "twelve");
    EXPECT_EQ(listing("KeyToken 0"), "0x0159 dir\n");
}

// Issue with the tool, typing the access code, then execute what it wrote:
// the way an operator uses it.
TEST_F(E2eTest, IssuedCommandFilesAreCarriedOut)
{
    addToken("KeyToken 0");
    addToken("KeyToken 1");
    makeFolder("KeyToken 1", "5");
    const std::string data = patternBytes(340, 21);
    putFile("KeyToken 1", "5/0x1001", data);

    struct Step {
        std::string from, to, file;
    };
    const std::vector<Step> steps = {{"0", "7", "create7.rtn"}, {"5", "9", "5to9.rtn"},
                                     {"7", "0", "delete7.rtn"}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.file);
        const ProcessResult issued = boardtool({step.from, step.to}, "Vk93q\n");
        EXPECT_EQ(issued.exitCode, 0);
        EXPECT_EQ(issued.out,
                  platformText("fromBoard=" + step.from + ", toBoard=" + step.to + "\n*****"));
        ASSERT_TRUE(fileExists(work + "/" + step.file));
        EXPECT_EQ(boardtool({step.file}).exitCode, 0) << logText();
    }

    // Board 7 was created and deleted again on slot 0; board 5's data now
    // lives on board 9 on slot 0, and board 5 is gone from slot 1.
    EXPECT_EQ(listing("KeyToken 0"), "0x0009 dir\n");
    EXPECT_EQ(fileBytes("KeyToken 0", "9/0x1001"), data);
    EXPECT_EQ(listing("KeyToken 1"), "");
    const std::string log = logText();
    const std::string closingRow = platformText(std::string(44, '*') + "\n\n");
    ASSERT_GE(log.size(), closingRow.size());
    EXPECT_EQ(log.substr(log.size() - closingRow.size()), closingRow);
}

} // namespace
