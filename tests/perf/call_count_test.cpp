// Library calls per run of boardtool, counted from the emulator's trace, for
// every scenario the benchmarks time. Each expected total is derived beside
// it from the call sequences of the operations the run makes; the per-call
// breakdown from call_sequences.h must match as well, so a change that adds,
// drops or swaps a library call fails here with the calls that differ.
#include "call_sequences.h"
#include "perf_store.h"
#include "process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

enum class Run { diagnostics, command, fourArguments };

struct Scenario {
    const char* name;
    PerfStoreShape shape;
    Run run;
    std::uint32_t fromBoard;
    std::uint32_t toBoard;
    std::uint64_t expectedTotal;
    CallCounts (*expected)();
    const char* logShows; // a line the run must have logged ("" for none)
};

const PerfStoreShape BENCH_STORE{8, 100, 3};
const PerfStoreShape DOUBLE_STORE{8, 200, 3};

const Scenario SCENARIOS[] = {
    // listTokens: 3 + 4 * 8 = 35. Per token: the master folder's listing of
    // 100 board folders, 15 + 3 * 100 + 100 = 415; free memory 12; per board
    // its listing of 3 files, 15 + 3 * 3 = 24, and the reads of 340, 256 and
    // 600 bytes, (15 + 2) + (15 + 1) + (15 + 3) = 51, so 75 per board and
    // 7500 per token. 35 + 8 * (415 + 12 + 7500) = 35 + 8 * 7927 = 63451.
    {"Diagnostics8x100x3", BENCH_STORE, Run::diagnostics, 0, 0, 63451,
     [] { return diagnosticsCalls(BENCH_STORE); }, "\tBoard 99:  7100\n"},
    // As above with 200 boards: master listing 15 + 600 + 200 = 815, boards
    // 200 * 75 = 15000; 35 + 8 * (815 + 12 + 15000) = 35 + 8 * 15827 = 126651.
    {"Diagnostics8x200x3", DOUBLE_STORE, Run::diagnostics, 0, 0, 126651,
     [] { return diagnosticsCalls(DOUBLE_STORE); }, "\tBoard 199:  7200\n"},
    // Create on board 9000, which no token holds: listTokens 35, findSlot
    // past all 8 tokens 12 * 8 + 4 = 100, createFolder on slot 0 14,
    // writeDataFile of a new file 16. 35 + 100 + 14 + 16 = 165.
    {"CreateNewBoard", BENCH_STORE, Run::command, 0, 9000, 165,
     [] {
         return listTokensCalls(8) + findSlotMissCalls(8) + createNewFolderCalls() +
                writeDataFileCalls(false);
     },
     "\tBoard not found, creating board 9000 on slot 0\n"},
    // Move from board 7001 (slot 7) to board 3001 (slot 3): listTokens 35,
    // findSlot to slot 7 12 * 8 = 96, read 340 bytes 15 + 2 = 17, findSlot to
    // slot 3 12 * 4 = 48, writeDataFile replacing 17, findSlot of the source
    // file 96, deleteObject 13, listChildren of the 2 files left
    // 15 + 3 * 2 = 21 (not empty, so no folder delete).
    // 35 + 96 + 17 + 48 + 17 + 96 + 13 + 21 = 343.
    {"MoveAcrossTokens", BENCH_STORE, Run::command, 7001, 3001, 343,
     [] {
         return listTokensCalls(8) + findSlotCalls(7) + readDataFileCalls(340) + findSlotCalls(3) +
                writeDataFileCalls(true) + findSlotCalls(7) + deleteObjectCalls() +
                listChildrenCalls(2, 0);
     },
     "Board 7001 is not empty\n"},
    // Delete on board 1001 (slot 1): listTokens 35, findSlot of its data
    // file 12 * 2 = 24, deleteObject 13, findSlot of the board 24,
    // listChildren of the 2 files left 21. 35 + 24 + 13 + 24 + 21 = 117.
    {"DeleteDataFile", BENCH_STORE, Run::command, 1001, 0, 117,
     [] {
         return listTokensCalls(8) + findSlotCalls(1) + deleteObjectCalls() + findSlotCalls(1) +
                listChildrenCalls(2, 0);
     },
     "\tFile 4097 found on slot 1\n"},
    // Four arguments: the tool does nothing, so no library call at all.
    {"FourArguments", BENCH_STORE, Run::fourArguments, 0, 0, 0, [] { return CallCounts{}; }, ""},
};

struct Trace {
    CallCounts calls;
    std::vector<std::string> leaks;
};

Trace parseTrace(const std::string& text)
{
    Trace trace;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("leak ", 0) == 0) {
            trace.leaks.push_back(line);
            continue;
        }
        auto open = line.find('(');
        EXPECT_NE(open, std::string::npos) << "not a call: " << line;
        trace.calls[line.substr(0, open)] += 1;
    }
    return trace;
}

class CallCountTest : public ::testing::TestWithParam<Scenario> {
protected:
    void SetUp() override
    {
        root = makeTempDir("perf-calls");
        store = root + "/store";
        work = root + "/work";
        std::filesystem::create_directories(work);
    }
    void TearDown() override { removeTree(root); }

    std::string root;
    std::string store;
    std::string work;
};

TEST_P(CallCountTest, LibraryCallsAreExactlyThoseOfTheOperations)
{
    const Scenario& scenario = GetParam();
    writePerfStore(store, scenario.shape);

    std::vector<std::string> argv{BOARDTOOL_EXE};
    if (scenario.run == Run::command) {
        ASSERT_TRUE(writePerfCommandFile(work + "/command.rtn", scenario.fromBoard, scenario.toBoard));
        argv.push_back("command.rtn");
    } else if (scenario.run == Run::fourArguments) {
        argv.insert(argv.end(), {"a", "b", "c", "d"});
    }
    const std::string tracePath = root + "/trace.txt";
    ProcessResult result =
        runProcess(argv, work, "", {{"SOFTTOKEN_DIR", store}, {"SOFTTOKEN_TRACE", tracePath}});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    if (scenario.logShows[0] != '\0') {
        EXPECT_NE(readFileBytes(work + "/log.txt").find(scenario.logShows), std::string::npos)
            << "the run did not do what the scenario means";
    }
    Trace trace = parseTrace(fileExists(tracePath) ? readFileBytes(tracePath) : std::string());
    EXPECT_TRUE(trace.leaks.empty()) << trace.leaks.front();
    EXPECT_EQ(total(trace.calls), scenario.expectedTotal);
    EXPECT_EQ(trace.calls, scenario.expected());
}

INSTANTIATE_TEST_SUITE_P(BenchmarkedRuns, CallCountTest, ::testing::ValuesIn(SCENARIOS),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
