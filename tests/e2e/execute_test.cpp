// Command-file execution run as a process: for each create, move and
// delete the whole log, the console, the exit code and the tokens'
// content afterwards.
#include <functional>

#include "e2e_fixture.h"
#include "platform_text.h"
#include "token_messages.h"

namespace {

const std::string E5 = msg::errorLine(msg::NO_SUCH_SLOT);
const std::string E9 = msg::errorLine(msg::NOT_FOUND);
// A search that runs past the last token: the last token's miss, the end of
// the reader list, and the search's own "not found".
const std::string RAN_OFF = E9 + E5 + E9;

const std::string K0 = "KeyToken 0";
const std::string K1 = "KeyToken 1";
const std::string DATA = patternBytes(340, 11);
const std::string OLD = patternBytes(100, 12);
const std::string BIG = patternBytes(65535, 13);

struct ExecutionCase {
    const char* name;
    std::function<void(E2eTest&)> arrange;
    std::uint32_t fromBoard;
    std::uint32_t toBoard;
    int exitCode;
    // The log after the decoded line, closing row included.
    std::string log;
    std::string out;
    std::string err;
    std::function<void(E2eTest&)> verify;
};

std::string closing()
{
    return executionClosingRow();
}

void board(E2eTest& t, const std::string& reader, const std::string& number,
           const std::string& data)
{
    t.makeFolder(reader, number);
    t.putFile(reader, number + "/0x1001", data);
}

std::string moveHead(int from, int fromSlot, int length)
{
    const std::string f = std::to_string(from);
    return "Searching for board " + f + "\n\tBoard " + f + " found on slot " +
           std::to_string(fromSlot) + "\n\tReading file 0x1001 from board " + f + "\n\t" +
           std::to_string(length) + " bytes read\n";
}

std::string writeLine(int length, int to)
{
    return "\tWriting " + std::to_string(length) + " bytes to file 0x1001 on board " +
           std::to_string(to) + "\n";
}

const std::vector<ExecutionCase> CASES = {
    // Create.
    {"CreateOnNewBoard", [](E2eTest& t) { t.addToken(K0); }, 0, 7, 0,
     "Searching for board 7\n\tBoard not found, creating board 7 on slot 0\n"
     "\tCreating file 0x1001 on slot 0\n" + closing(),
     "Created\n", RAN_OFF,
     [](E2eTest& t) {
         EXPECT_EQ(t.listing(K0), "0x0007 dir\n");
         EXPECT_EQ(t.listing(K0, "7"), "0x1001 340\n");
         EXPECT_EQ(t.fileBytes(K0, "7/0x1001"), std::string(340, '\0'));
     }},
    {"CreateOnBoardOnSlot1ReplacesItsDataFile",
     [](E2eTest& t) {
         t.addToken(K0);
         t.addToken(K1);
         board(t, K1, "7", OLD);
         t.putFile(K1, "7/0x2002", "keep");
     },
     0, 7, 0,
     "Searching for board 7\n\tBoard 7 found on slot 1\n\tCreating file 0x1001 on slot 1\n" +
         closing(),
     "", E9,
     [](E2eTest& t) {
         EXPECT_EQ(t.fileBytes(K1, "7/0x1001"), std::string(340, '\0'));
         EXPECT_EQ(t.fileBytes(K1, "7/0x2002"), "keep");
         EXPECT_EQ(t.listing(K0), "");
     }},
    {"BothNumbersZero",
     [](E2eTest& t) {
         t.addToken(K0);
         board(t, K0, "7", DATA);
     },
     0, 0, 1,
     "", "", "",
     [](E2eTest& t) {
         EXPECT_EQ(t.listing(K0), "0x0007 dir\n");
         EXPECT_EQ(t.fileBytes(K0, "7/0x1001"), DATA);
     }},

    // Move.
    {"MoveWithinToken",
     [](E2eTest& t) {
         t.addToken(K0);
         board(t, K0, "7", DATA);
         board(t, K0, "8", OLD);
     },
     7, 8, 0,
     moveHead(7, 0, 340) + "Searching for board 8\n\tBoard 8 found on slot 0\n" + writeLine(340, 8) +
         "Deleting file 0x1001 on board 7\nChecking of board 7\nDeleting board 7\n" + closing(),
     "", "",
     [](E2eTest& t) {
         EXPECT_EQ(t.listing(K0), "0x0008 dir\n");
         EXPECT_EQ(t.listing(K0, "8"), "0x1001 340\n");
         EXPECT_EQ(t.fileBytes(K0, "8/0x1001"), DATA);
     }},
    {"MoveAcrossTokens",
     [](E2eTest& t) {
         t.addToken(K0);
         t.addToken(K1);
         board(t, K0, "8", OLD);
         board(t, K1, "7", DATA);
     },
     7, 8, 0,
     moveHead(7, 1, 340) + "Searching for board 8\n\tBoard 8 found on slot 0\n" + writeLine(340, 8) +
         "Deleting file 0x1001 on board 7\nChecking of board 7\nDeleting board 7\n" + closing(),
     "", E9 + E9,
     [](E2eTest& t) {
         EXPECT_EQ(t.listing(K1), "");
         EXPECT_EQ(t.fileBytes(K0, "8/0x1001"), DATA);
     }},
    {"MoveToNewBoardCreatesItOnSlot0",
     [](E2eTest& t) {
         t.addToken(K0);
         t.addToken(K1);
         board(t, K1, "7", DATA);
     },
     7, 9, 0,
     moveHead(7, 1, 340) + "Searching for board 9\n\tBoard not found, creating board 9 on slot 0\n" +
         writeLine(340, 9) +
         "Deleting file 0x1001 on board 7\nChecking of board 7\nDeleting board 7\n" + closing(),
     "Created\n", E9 + E9 + RAN_OFF + E9,
     [](E2eTest& t) {
         EXPECT_EQ(t.listing(K0), "0x0009 dir\n");
         EXPECT_EQ(t.fileBytes(K0, "9/0x1001"), DATA);
         EXPECT_EQ(t.listing(K1), "");
     }},
    {"MoveFromBoardThatKeepsAnotherFile",
     [](E2eTest& t) {
         t.addToken(K0);
         board(t, K0, "7", DATA);
         t.putFile(K0, "7/0x2002", "sensor");
     },
     7, 8, 0,
     moveHead(7, 0, 340) + "Searching for board 8\n\tBoard not found, creating board 8 on slot 0\n" +
         writeLine(340, 8) +
         "Deleting file 0x1001 on board 7\nChecking of board 7\nBoard 7 is not empty\n" + closing(),
     "Created\n", RAN_OFF,
     [](E2eTest& t) {
         EXPECT_EQ(t.listing(K0, "7"), "0x2002 6\n");
         EXPECT_EQ(t.fileBytes(K0, "8/0x1001"), DATA);
     }},
    {"MoveFromBoardWithoutDataFile",
     [](E2eTest& t) {
         t.addToken(K0);
         t.makeFolder(K0, "7");
         board(t, K0, "8", OLD);
     },
     7, 8, 1,
     "Searching for board 7\n\tBoard 7 found on slot 0\n\tReading file 0x1001 from board 7\n"
     "\tFile 4097 not found, terminating\n",
     "", E9,
     [](E2eTest& t) {
         EXPECT_EQ(t.listing(K0), "0x0007 dir\n0x0008 dir\n");
         EXPECT_EQ(t.fileBytes(K0, "8/0x1001"), OLD);
     }},
    {"MoveFromMissingBoard",
     [](E2eTest& t) {
         t.addToken(K0);
         board(t, K0, "8", OLD);
     },
     7, 8, 1, "Searching for board 7\n\tBoard 7 not found, terminating\n", "", RAN_OFF,
     [](E2eTest& t) {
         EXPECT_EQ(t.listing(K0), "0x0008 dir\n");
         EXPECT_EQ(t.fileBytes(K0, "8/0x1001"), OLD);
     }},
    {"MoveOfLongestDataFile",
     [](E2eTest& t) {
         t.addToken(K0, {"--memory", "200000"});
         board(t, K0, "7", BIG);
     },
     7, 8, 0,
     moveHead(7, 0, 65535) + "Searching for board 8\n\tBoard not found, creating board 8 on slot 0\n" +
         writeLine(65535, 8) +
         "Deleting file 0x1001 on board 7\nChecking of board 7\nDeleting board 7\n" + closing(),
     "Created\n", RAN_OFF,
     [](E2eTest& t) {
         EXPECT_EQ(t.listing(K0), "0x0008 dir\n");
         EXPECT_EQ(t.fileBytes(K0, "8/0x1001"), BIG);
     }},
    {"MoveFromBoardToItselfIsRefused",
     [](E2eTest& t) {
         t.addToken(K0);
         board(t, K0, "7", DATA);
     },
     7, 7, 1, "Board 7 is both source and target, terminating\n", "", "",
     [](E2eTest& t) {
         EXPECT_EQ(t.listing(K0), "0x0007 dir\n");
         EXPECT_EQ(t.fileBytes(K0, "7/0x1001"), DATA);
     }},
    {"MoveWithTargetCreateFailing",
     [](E2eTest& t) {
         t.addToken(K0);
         board(t, K0, "7", DATA);
         board(t, K0, "8", OLD);
         t.addFault({"rtCreateFile"});
     },
     7, 8, 1,
     moveHead(7, 0, 340) + "Searching for board 8\n\tBoard 8 found on slot 0\n" + writeLine(340, 8) +
         "!!!FATAL ERROR!!!: " + msg::CREATE_FAILED + "\n",
     "", msg::errorLine(msg::CREATE_FAILED),
     [](E2eTest& t) {
         EXPECT_EQ(t.fileBytes(K0, "7/0x1001"), DATA);
         EXPECT_EQ(t.listing(K0, "8"), "");
     }},
    {"MoveWithTargetUpdateFailing",
     [](E2eTest& t) {
         t.addToken(K0);
         board(t, K0, "7", DATA);
         board(t, K0, "8", OLD);
         t.addFault({"rtUpdateFile"});
     },
     7, 8, 1,
     moveHead(7, 0, 340) + "Searching for board 8\n\tBoard 8 found on slot 0\n" + writeLine(340, 8) +
         "!!!FATAL ERROR!!!: " + msg::WRITE_FAILED + "\n",
     "", msg::errorLine(msg::WRITE_FAILED),
     [](E2eTest& t) { EXPECT_EQ(t.fileBytes(K0, "7/0x1001"), DATA); }},
    {"MoveWithSourceDeleteFailingKeepsBothCopies",
     [](E2eTest& t) {
         t.addToken(K0);
         board(t, K0, "7", DATA);
         board(t, K0, "8", OLD);
         // The first delete removes the target's old file, the second would
         // remove the source's.
         t.addFault({"rtDeleteCurrentFileObject", "--nth", "2"});
     },
     7, 8, 1,
     moveHead(7, 0, 340) + "Searching for board 8\n\tBoard 8 found on slot 0\n" + writeLine(340, 8) +
         "Deleting file 0x1001 on board 7\n!!!FATAL ERROR!!!: " + msg::DELETE_FAILED + "\n",
     "", msg::errorLine(msg::DELETE_FAILED),
     [](E2eTest& t) {
         EXPECT_EQ(t.fileBytes(K0, "7/0x1001"), DATA);
         EXPECT_EQ(t.fileBytes(K0, "8/0x1001"), DATA);
     }},

    // Delete.
    {"DeleteWithDataFile",
     [](E2eTest& t) {
         t.addToken(K0);
         board(t, K0, "7", DATA);
         board(t, K0, "8", OLD);
     },
     7, 0, 0,
     "Deleting file 0x1001 on board 7\n\tFile 4097 found on slot 0\nChecking of board 7\n"
     "Deleting board 7\n" + closing(),
     "", "",
     [](E2eTest& t) {
         EXPECT_EQ(t.listing(K0), "0x0008 dir\n");
         EXPECT_EQ(t.fileBytes(K0, "8/0x1001"), OLD);
     }},
    {"DeleteWithoutDataFile",
     [](E2eTest& t) {
         t.addToken(K0);
         t.makeFolder(K0, "7");
     },
     7, 0, 0, "Deleting file 0x1001 on board 7\nChecking of board 7\nDeleting board 7\n" + closing(),
     "", RAN_OFF, [](E2eTest& t) { EXPECT_EQ(t.listing(K0), ""); }},
    {"DeleteOnSlot1KeepsBoardWithAnotherFile",
     [](E2eTest& t) {
         t.addToken(K0);
         t.addToken(K1);
         board(t, K1, "7", DATA);
         t.putFile(K1, "7/0x2002", "sensor");
     },
     7, 0, 0,
     "Deleting file 0x1001 on board 7\n\tFile 4097 found on slot 1\nChecking of board 7\n"
     "Board 7 is not empty\n" + closing(),
     "", E9 + E9, [](E2eTest& t) { EXPECT_EQ(t.listing(K1, "7"), "0x2002 6\n"); }},
    {"DeleteOfBoardNoTokenHolds",
     [](E2eTest& t) {
         t.addToken(K0);
         board(t, K0, "8", OLD);
     },
     7, 0, 1, "Deleting file 0x1001 on board 7\n!!!FATAL ERROR!!!: " + msg::NOT_FOUND + "\n", "",
     RAN_OFF + RAN_OFF,
     [](E2eTest& t) {
         EXPECT_EQ(t.listing(K0), "0x0008 dir\n");
         EXPECT_EQ(t.fileBytes(K0, "8/0x1001"), OLD);
     }},
};

// Names the case in failure messages instead of dumping its bytes.
void PrintTo(const ExecutionCase& c, std::ostream* out)
{
    *out << c.name;
}

class ExecutionTest : public E2eTest, public ::testing::WithParamInterface<ExecutionCase> {};

TEST_P(ExecutionTest, LogsEveryStepAndLeavesTheTokensRight)
{
    const ExecutionCase& c = GetParam();
    c.arrange(*this);

    const ProcessResult run = execute(c.fromBoard, c.toBoard);

    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.out, platformText(c.out));
    EXPECT_EQ(run.err, platformText(c.err));
    EXPECT_EQ(logText(),
              platformText(executionHeader() + decodedLine(c.fromBoard, c.toBoard) + c.log));
    setUp({"fail", "--clear"});
    c.verify(*this);
}

INSTANTIATE_TEST_SUITE_P(Cases, ExecutionTest, ::testing::ValuesIn(CASES),
                         [](const auto& info) { return std::string(info.param.name); });

// Without a token every pair, even (0, 0), ends at the token check.
class NoTokenTest : public E2eTest,
                    public ::testing::WithParamInterface<std::pair<std::uint32_t, std::uint32_t>> {};

TEST_P(NoTokenTest, EndsAtTheTokenCheck)
{
    const auto [fromBoard, toBoard] = GetParam();
    addToken("Card Reader 0");

    const ProcessResult run = execute(fromBoard, toBoard);

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(logText(), platformText(executionHeader() + decodedLine(fromBoard, toBoard) +
                                      "Tokens not found!!!\n\n"));
    EXPECT_EQ(listing("Card Reader 0"), "");
}

INSTANTIATE_TEST_SUITE_P(Pairs, NoTokenTest,
                         ::testing::Values(std::pair<std::uint32_t, std::uint32_t>{0, 7},
                                           std::pair<std::uint32_t, std::uint32_t>{7, 8},
                                           std::pair<std::uint32_t, std::uint32_t>{7, 7},
                                           std::pair<std::uint32_t, std::uint32_t>{7, 0},
                                           std::pair<std::uint32_t, std::uint32_t>{0, 0}));

TEST_F(E2eTest, MoveToItselfTakesNoTokenLock)
{
    addToken(K0);
    board(*this, K0, "7", DATA);
    const std::string trace = work + "/trace.txt";

    const ProcessResult run =
        boardtool({commandFile(7, 7)}, "", {{"SOFTTOKEN_TRACE", trace}});

    EXPECT_EQ(run.exitCode, 1);
    const std::string calls = readFileBytes(trace);
    // The token check enumerates the readers; nothing is opened for work.
    EXPECT_NE(calls.find("rtEnumReadersA("), std::string::npos) << calls;
    EXPECT_EQ(calls.find("rtLock("), std::string::npos) << calls;
    EXPECT_EQ(calls.find("rtLoginA("), std::string::npos) << calls;
}

} // namespace
