// The diagnostics report run as a process: the whole log, the console and
// the exit code for each token set-up, and the tokens left untouched.
#include <functional>

#include "e2e_fixture.h"
#include "platform_text.h"
#include "token_messages.h"

namespace {

struct DiagnosticsCase {
    const char* name;
    std::function<void(E2eTest&)> arrange;
    // The report between its header and its closing row.
    std::function<std::string(E2eTest&)> report;
    std::string err;
};

std::string slotLines(int slot, const std::string& display, int boardCount, long freeBytes)
{
    return "Slot " + std::to_string(slot) + ": " + display + "\nNumber of boards: " +
           std::to_string(boardCount) + "\n" + std::to_string(freeBytes) + " bytes free\n";
}

// Board 7 holding the data file and a second sensor.
void boardWithTwoSensors(E2eTest& t, const std::string& reader)
{
    t.makeFolder(reader, "7");
    t.putFile(reader, "7/0x1001", patternBytes(340, 1));
    t.putFile(reader, "7/0x1002", patternBytes(20, 2));
}

std::string twoSensorLines(const std::string& firstRead, const std::string& secondRead)
{
    return "\tBoard 0:     7\n\tNumber of sensors: 2\n\t\tSensor 0: 0x1001\n" + firstRead +
           "\t\tSensor 1: 0x1002\n" + secondRead;
}

const std::vector<DiagnosticsCase> CASES = {
    {"NoToken", [](E2eTest&) {}, [](E2eTest&) { return std::string("Tokens not found!!!\n"); },
     ""},
    {"ReaderOfAnotherKindIsNotAToken", [](E2eTest& t) { t.addToken("Card Reader 0"); },
     [](E2eTest&) { return std::string("Tokens not found!!!\n"); }, ""},
    {"ListTokensFails",
     [](E2eTest& t) {
         t.addToken("KeyToken 0");
         t.addFault({"rtEnumReadersA"});
     },
     [](E2eTest&) { return std::string("!!!UNKNOWN ERROR!!!\n"); }, msg::errorLine(msg::ENUMERATOR)},
    {"EmptyMasterFolderCountsMinusOne", [](E2eTest& t) { t.addToken("KeyToken 0", {"--id", "4660"}); },
     [](E2eTest& t) {
         return slotLines(0, "KeyToken 0 0x00001234 ", -1, t.freeMemory("KeyToken 0"));
     },
     ""},
    {"IdsFfffAndZeroAreSkippedButCounted",
     [](E2eTest& t) {
         t.addToken("KeyToken 0", {"--id", "0"});
         t.makeFolder("KeyToken 0", "0xffff");
         t.makeFolder("KeyToken 0", "12");
         t.makeFolder("KeyToken 0", "0");
     },
     [](E2eTest& t) {
         return slotLines(0, "KeyToken 0 0x00000000 ", 2, t.freeMemory("KeyToken 0")) +
                "\tBoard 1:    12\n\tNumber of sensors: 0\n";
     },
     ""},
    {"SensorsAreSortedAndReadWhole",
     [](E2eTest& t) {
         t.addToken("KeyToken 0", {"--id", "255", "--memory", "100000"});
         t.makeFolder("KeyToken 0", "7");
         t.putFile("KeyToken 0", "7/0x2001", patternBytes(10, 3));
         t.putFile("KeyToken 0", "7/0x1001", patternBytes(340, 4));
         t.putFile("KeyToken 0", "7/0x1002", "");
         t.makeFolder("KeyToken 0", "9999");
         t.putFile("KeyToken 0", "9999/0x1001", patternBytes(65535, 5));
     },
     [](E2eTest& t) {
         return slotLines(0, "KeyToken 0 0x000000FF ", 1, t.freeMemory("KeyToken 0")) +
                "\tBoard 0:     7\n\tNumber of sensors: 3\n"
                "\t\tSensor 0: 0x1001\n\t\tFile size 340\n"
                "\t\tSensor 1: 0x1002\n\t\tFile size 0\n"
                "\t\tSensor 2: 0x2001\n\t\tFile size 10\n"
                "\tBoard 1:  9999\n\tNumber of sensors: 1\n"
                "\t\tSensor 0: 0x1001\n\t\tFile size 65535\n";
     },
     ""},
    {"BrokenTokenIsReportedAndTheNextSlotFollows",
     [](E2eTest& t) {
         t.addToken("Card Reader 0");
         t.addToken("KeyToken 0", {"--empty"});
         t.addToken("KeyToken 1", {"--id", "2"});
         t.makeFolder("KeyToken 1", "5");
     },
     [](E2eTest& t) {
         return "Slot 0: KeyToken 0\n!!!Cann't read boards dir!!!: " + msg::BROKEN_TOKEN + "\n" +
                slotLines(1, "KeyToken 1 0x00000002 ", 0, t.freeMemory("KeyToken 1")) +
                "\tBoard 0:     5\n\tNumber of sensors: 0\n";
     },
     msg::errorLine(msg::BROKEN_TOKEN)},
    {"PercentSignInReaderNameIsNoFormat",
     [](E2eTest& t) { t.addToken("KeyToken %s%n%d 100%", {"--id", "1"}); },
     [](E2eTest& t) {
         return slotLines(0, "KeyToken %s%n%d 100% 0x00000001 ", -1,
                          t.freeMemory("KeyToken %s%n%d 100%"));
     },
     ""},
    {"UnreadableFilesOnOneReaderOnly",
     [](E2eTest& t) {
         t.addToken("KeyToken 0", {"--id", "1"});
         t.addToken("KeyToken 1", {"--id", "2"});
         boardWithTwoSensors(t, "KeyToken 0");
         boardWithTwoSensors(t, "KeyToken 1");
         t.addFault({"rtReadFile", "--reader", "KeyToken 1"});
     },
     [](E2eTest& t) {
         const std::string failed = "!!!Cann't read data file!!!: " + msg::READ_FAILED + "\n";
         return slotLines(0, "KeyToken 0 0x00000001 ", 0, t.freeMemory("KeyToken 0")) +
                twoSensorLines("\t\tFile size 340\n", "\t\tFile size 20\n") +
                slotLines(1, "KeyToken 1 0x00000002 ", 0, t.freeMemory("KeyToken 1")) +
                twoSensorLines(failed, failed);
     },
     msg::errorLine(msg::READ_FAILED) + msg::errorLine(msg::READ_FAILED)},
    {"FileThatCannotBeSelectedIsSkipped",
     [](E2eTest& t) {
         t.addToken("KeyToken 0", {"--id", "1"});
         boardWithTwoSensors(t, "KeyToken 0");
         // The first selection by path lists the board, the second selects
         // its first sensor.
         t.addFault({"rtSelectByPath", "--reader", "KeyToken 0", "--nth", "2"});
     },
     [](E2eTest& t) {
         return slotLines(0, "KeyToken 0 0x00000001 ", 0, t.freeMemory("KeyToken 0")) +
                twoSensorLines("!!!Cann't read data file!!!: " + msg::NOT_FOUND + "\n",
                               "\t\tFile size 20\n");
     },
     msg::errorLine(msg::NOT_FOUND)},
    {"BoardThatCannotBeListedIsSkipped",
     [](E2eTest& t) {
         t.addToken("KeyToken 0", {"--id", "1"});
         t.makeFolder("KeyToken 0", "7");
         t.makeFolder("KeyToken 0", "8");
         t.putFile("KeyToken 0", "8/0x1001", patternBytes(340, 6));
         t.addFault({"rtSelectByPath", "--nth", "1"});
     },
     [](E2eTest& t) {
         return slotLines(0, "KeyToken 0 0x00000001 ", 1, t.freeMemory("KeyToken 0")) +
                "\tBoard 0:     7\n!!!Cann't read sensors dir!!!: " + msg::NO_FOLDER + "\n" +
                "\tBoard 1:     8\n\tNumber of sensors: 1\n\t\tSensor 0: 0x1001\n"
                "\t\tFile size 340\n";
     },
     msg::errorLine(msg::NO_FOLDER)},
    {"FreeMemoryFailureEndsOnlyThatSlot",
     [](E2eTest& t) {
         t.addToken("KeyToken 0", {"--id", "1"});
         t.addToken("KeyToken 1", {"--id", "2"});
         t.makeFolder("KeyToken 0", "7");
         t.addFault({"rtGetTokenFreeMemory", "--nth", "1"});
     },
     [](E2eTest& t) {
         return "Slot 0: KeyToken 0 0x00000001 \nNumber of boards: 0\n!!!Cann't read boards dir!!!: " +
                msg::NO_FREE_MEMORY + "\n" +
                slotLines(1, "KeyToken 1 0x00000002 ", -1, t.freeMemory("KeyToken 1"));
     },
     msg::errorLine(msg::NO_FREE_MEMORY)},
};

// Names the case in failure messages instead of dumping its bytes.
void PrintTo(const DiagnosticsCase& c, std::ostream* out)
{
    *out << c.name;
}

class DiagnosticsTest : public E2eTest, public ::testing::WithParamInterface<DiagnosticsCase> {};

TEST_P(DiagnosticsTest, ReportsEveryTokenAndEndsWithZero)
{
    const DiagnosticsCase& c = GetParam();
    c.arrange(*this);
    const std::string before0 = softtoken({"tree", "KeyToken 0"}).out;
    const std::string before1 = softtoken({"tree", "KeyToken 1"}).out;

    const ProcessResult run = boardtool({});

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, platformText(c.err));
    EXPECT_EQ(logText(),
              platformText(diagnosticsHeader() + c.report(*this) + diagnosticsClosingRow()));
    // The report only reads.
    EXPECT_EQ(softtoken({"tree", "KeyToken 0"}).out, before0);
    EXPECT_EQ(softtoken({"tree", "KeyToken 1"}).out, before1);
}

INSTANTIATE_TEST_SUITE_P(Cases, DiagnosticsTest, ::testing::ValuesIn(CASES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(E2eTest, DiagnosticsAppendsToAnExistingLog)
{
    writeFileBytes(work + "/log.txt", "earlier run\n");
    const ProcessResult run = boardtool({});
    EXPECT_EQ(run.exitCode, 0);
    // The earlier bytes stay as they were; the report follows in text mode.
    EXPECT_EQ(logText(), "earlier run\n" + platformText(diagnosticsHeader() + "Tokens not found!!!\n" +
                                                         diagnosticsClosingRow()));
}

} // namespace
