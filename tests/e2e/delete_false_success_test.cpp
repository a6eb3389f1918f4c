// A delete whose search for the data file meets a token that fails to
// answer takes it for a token without the file. When the board folder then
// still lists the file, the run must end as a failure, not as a delete done.
#include <gtest/gtest.h>

#include "e2e_fixture.h"
#include "platform_text.h"
#include "token_messages.h"

namespace {

struct ProbeFault {
    const char* name;
    std::vector<std::string> fault;
};

class DeleteProbeFault : public E2eTest, public ::testing::WithParamInterface<ProbeFault> {};

TEST_P(DeleteProbeFault, EndsWithTheDeleteFailureAndKeepsTheFile)
{
    addToken("KeyToken 0");
    addToken("KeyToken 1");
    makeFolder("KeyToken 1", "5");
    const std::string data = patternBytes(300, 5);
    putFile("KeyToken 1", "5/0x1001", data);
    addFault(GetParam().fault);

    const ProcessResult result = execute(5, 0);

    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.exitCode, 1);
    const std::string expectedEnd = platformText("Checking of board 5\nBoard 5 is not empty\n!!!FATAL ERROR!!!: " +
                                                 msg::DELETE_FAILED + "\n");
    const std::string log = logText();
    ASSERT_GE(log.size(), expectedEnd.size());
    EXPECT_EQ(log.substr(log.size() - expectedEnd.size()), expectedEnd);
    EXPECT_NE(result.err.find(platformText(msg::errorLine(msg::DELETE_FAILED))), std::string::npos);
    setUp({"fail", "--clear"});
    EXPECT_EQ(fileBytes("KeyToken 1", "5/0x1001"), data);
}

INSTANTIATE_TEST_SUITE_P(
    ProbeOfTheTokenHoldingTheFile, DeleteProbeFault,
    ::testing::Values(
        // The first selection on slot 1 is the probe for the data file.
        ProbeFault{"SelectionFails", {"rtSelectByPath", "--reader", "KeyToken 1", "--nth", "1"}},
        // The first name of slot 1 is read by the token check, the second by
        // the probe: the search takes the failure for the end of the list.
        ProbeFault{"ReaderNameFails",
                   {"rtGetReaderNameFromListA", "--reader", "KeyToken 1", "--nth", "2"}}),
    [](const ::testing::TestParamInfo<ProbeFault>& info) { return std::string(info.param.name); });

TEST_F(E2eTest, DeleteOfABoardWithoutDataFileStillFinishes)
{
    addToken("KeyToken 0");
    makeFolder("KeyToken 0", "5");

    const ProcessResult result = execute(5, 0);

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_FALSE(exists("KeyToken 0", "5"));
}

} // namespace
