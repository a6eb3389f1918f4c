// The emulator's latency model: SOFTTOKEN_LATENCY_US makes each library call
// take at least that long, and changes nothing else.
#include "perf_store.h"
#include "process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace {

// A delete on board 1001 of the 8 x 100 x 3 store makes 117 library calls
// (see call_count_test.cpp).
constexpr long DELETE_CALLS = 117;

struct TimedRun {
    ProcessResult result;
    long milliseconds;
    std::string trace;
};

TimedRun timedDelete(const std::string& latency)
{
    std::string root = makeTempDir("perf-latency");
    std::string work = root + "/work";
    std::filesystem::create_directories(work);
    writePerfStore(root + "/store", {8, 100, 3});
    EXPECT_TRUE(writePerfCommandFile(work + "/delete.rtn", 1001, 0));
    auto start = std::chrono::steady_clock::now();
    TimedRun run;
    run.result = runProcess({BOARDTOOL_EXE, "delete.rtn"}, work, "",
                            {{"SOFTTOKEN_DIR", root + "/store"},
                             {"SOFTTOKEN_TRACE", root + "/trace.txt"},
                             {"SOFTTOKEN_LATENCY_US", latency}});
    run.milliseconds = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::steady_clock::now() - start)
                                             .count());
    run.trace = readFileBytes(root + "/trace.txt");
    removeTree(root);
    return run;
}

long lines(const std::string& text)
{
    long count = 0;
    for (char c : text) {
        count += c == '\n' ? 1 : 0;
    }
    return count;
}

TEST(LatencyModel, EveryCallSleepsTheGivenMicroseconds)
{
    TimedRun run = timedDelete("2000");
    ASSERT_EQ(run.result.exitCode, 0) << run.result.err;
    EXPECT_EQ(lines(run.trace), DELETE_CALLS);
    // 117 calls of at least 2 ms each; read as milliseconds it would take
    // four minutes and hit the test's time limit.
    EXPECT_GE(run.milliseconds, DELETE_CALLS * 2);
}

TEST(LatencyModel, ZeroEmptyOrMalformedValuesAddNothing)
{
    // Each of these must run as without the variable (about 30 ms here); a
    // value misread as a large one, up to the 10 s cap, would take seconds
    // to minutes. The bound leaves room for a loaded machine.
    for (const char* value : {"0", "", "abc", "-5", "12ms"}) {
        SCOPED_TRACE(std::string("SOFTTOKEN_LATENCY_US=") + value);
        TimedRun run = timedDelete(value);
        ASSERT_EQ(run.result.exitCode, 0) << run.result.err;
        EXPECT_EQ(lines(run.trace), DELETE_CALLS);
        EXPECT_LT(run.milliseconds, 1000);
    }
}

} // namespace
