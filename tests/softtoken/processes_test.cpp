// The library across processes: the token lock, processes killed in the
// middle of a change, and the trace with its leak lines.
#include "background.h"
#include "store_fixture.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

long millisecondsSince(Clock::time_point start)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace

class ProcessTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        cli({"add", "KeyToken 0"});
        cli({"mkdir", "KeyToken 0", "7"});
        cli({"write", "KeyToken 0", "7/0x1001"}, 0, std::string(340, 'O'));
    }
    pid_t holdLock(int milliseconds)
    {
        std::string marker = root + "/locked";
        pid_t pid = startBackground({SOFTTOKEN_HELPER_EXE, "hold", "KeyToken 0", std::to_string(milliseconds), marker},
                                    {{"SOFTTOKEN_DIR", dir}});
        EXPECT_TRUE(waitForFile(marker, 3000)) << "the holder never took the lock";
        return pid;
    }
};

TEST_F(ProcessTest, SecondLockerWaitsForTheHolderThenGetsTheLock)
{
    pid_t holder = holdLock(800);
    auto start = Clock::now();
    RT_HANDLE h = rtOpenReaderA("KeyToken 0");
    ASSERT_NE(rtLock(h), 0u);
    long waited = millisecondsSince(start);
    EXPECT_GE(waited, 300) << "the lock was not held across processes";
    EXPECT_LT(waited, 5000);
    // While this process holds it, another one's change has to wait: the
    // CLI gives up after 5 s, having changed nothing.
    ProcessResult blocked = cli({"mkdir", "KeyToken 0", "8"}, 1);
    EXPECT_NE(blocked.err.find("locked"), std::string::npos) << blocked.err;
    rtUnlock(h);
    rtCloseReader(h);
    EXPECT_EQ(cli({"ls", "KeyToken 0"}).out, "0x0007 dir\n");
    EXPECT_EQ(WEXITSTATUS(waitForProcess(holder)), 0);
}

TEST_F(ProcessTest, LockHeldLongerThanFiveSecondsMakesTheOtherFail)
{
    pid_t holder = holdLock(7000);
    auto start = Clock::now();
    RT_HANDLE h = rtOpenReaderA("KeyToken 0");
    EXPECT_EQ(rtLock(h), 0u);
    long waited = millisecondsSince(start);
    EXPECT_GE(waited, 4900);
    EXPECT_LT(waited, 6500);
    rtCloseReader(h);
    ::kill(holder, SIGKILL);
    waitForProcess(holder);
    // The killed holder's lock ended with its process.
    h = rtOpenReaderA("KeyToken 0");
    start = Clock::now();
    EXPECT_NE(rtLock(h), 0u);
    EXPECT_LT(millisecondsSince(start), 1000);
    rtCloseReader(h);
}

TEST_F(ProcessTest, AbortFaultEndsTheProcessBeforeTheUpdateTakesEffect)
{
    cli({"fail", "rtUpdateFile", "--abort"});
    ProcessResult aborted = helper({"update", "KeyToken 0", "7/0x1001", std::string(340, 'N')});
    EXPECT_EQ(aborted.signal, SIGKILL);
    EXPECT_EQ(cli({"read", "KeyToken 0", "7/0x1001"}).out, std::string(340, 'O'));
    cli({"fail", "--clear"});
    // A fresh process then works, on the lock the killed one held too.
    ProcessResult fresh = helper({"update", "KeyToken 0", "7/0x1001", std::string(340, 'N')});
    EXPECT_EQ(fresh.exitCode, 0) << fresh.err;
    EXPECT_EQ(cli({"read", "KeyToken 0", "7/0x1001"}).out, std::string(340, 'N'));
}

TEST_F(ProcessTest, ProcessKilledAtAnyInstantOfItsUpdatesLeavesOldOrNewContent)
{
    for (int delay : {0, 1, 3, 7, 15}) {
        SCOPED_TRACE("killed after " + std::to_string(delay) + " ms");
        std::string marker = root + "/wrote" + std::to_string(delay);
        pid_t writer = startBackground({SOFTTOKEN_HELPER_EXE, "loop", "KeyToken 0", "7/0x1001", marker},
                                       {{"SOFTTOKEN_DIR", dir}});
        ASSERT_TRUE(waitForFile(marker, 5000));
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        ::kill(writer, SIGKILL);
        int status = waitForProcess(writer);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended before it was killed";
        std::string data = cli({"read", "KeyToken 0", "7/0x1001"}).out;
        ASSERT_EQ(data.size(), 340u);
        EXPECT_EQ(data, std::string(340, data[0])) << "torn content";
        EXPECT_NE(data[0], 'O');
    }
    // The token still works for the next process.
    EXPECT_EQ(cli({"ls", "KeyToken 0", "7"}).out, "0x1001 340\n");
    EXPECT_EQ(helper({"update", "KeyToken 0", "7/0x1001", "fresh"}).exitCode, 0);
    EXPECT_EQ(cli({"read", "KeyToken 0", "7/0x1001"}).out.substr(0, 5), "fresh");
}

TEST_F(ProcessTest, TraceHasOneLinePerCallAndALeakLinePerHandleStillHeld)
{
    std::string trace = root + "/trace.txt";
    ProcessResult run = helper({"leak", "KeyToken 0"}, {{"SOFTTOKEN_TRACE", trace}});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    unsigned e = 0, h = 0, f = 0;
    ASSERT_EQ(std::sscanf(run.out.c_str(), "%u %u %u", &e, &h, &f), 3);
    auto lines = linesOf(readFileBytes(trace));
    const std::vector<std::string> calls = {
        "rtEnumReadersA(\"KeyToken\") = " + std::to_string(e),
        "rtOpenReaderA(\"KeyToken 0\") = " + std::to_string(h),
        "rtFCP_CreateFCP() = " + std::to_string(f),
        "rtLock(" + std::to_string(h) + ") = 1",
        "rtEnumReadersA(\"KeyToken\") = ",
        "rtOpenReaderA(\"KeyToken 0\") = ",
        "rtFCP_CreateFCP() = ",
        "rtFCP_RemoveFCP(",
        "rtCloseReader(",
        "rtEnumReadersClose(",
    };
    ASSERT_EQ(lines.size(), calls.size() + 4) << readFileBytes(trace);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(lines[i].rfind(calls[i], 0), 0u) << lines[i];
    }
    const std::vector<std::string> leaks = {
        "leak enumeration " + std::to_string(e),
        "leak reader " + std::to_string(h) + " \"KeyToken 0\"",
        "leak lock " + std::to_string(h) + " \"KeyToken 0\"",
        "leak fcp " + std::to_string(f),
    };
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()), leaks);
}

TEST_F(ProcessTest, ReleasedOperationTracesNoLeakAndAbortIsTraced)
{
    std::string trace = root + "/trace.txt";
    ASSERT_EQ(helper({"sequence", "KeyToken 0"}, {{"SOFTTOKEN_TRACE", trace}}).exitCode, 0);
    auto lines = linesOf(readFileBytes(trace));
    const std::vector<std::string> names = {
        "rtEnumReadersA(",    "rtGetReadersCount(", "rtGetReaderNameFromListA(", "rtOpenReaderA(",
        "rtLock(",            "rtLogout(",          "rtLoginA(",                "rtEnumReadersClose(",
        "rtFCP_CreateFCP(",   "rtSelectByPath(",    "rtFCP_RemoveFCP(",         "rtLogout(",
        "rtUnlock(",          "rtCloseReader("};
    ASSERT_EQ(lines.size(), names.size()) << readFileBytes(trace);
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(lines[i].rfind(names[i], 0), 0u) << lines[i];
    }
    EXPECT_NE(lines[2].find("\"KeyToken 0\", 1024->10) = 1"), std::string::npos) << lines[2];
    EXPECT_EQ(lines[6].find("Qwmzhvoa"), std::string::npos) << "the PIN is not traced";
    EXPECT_NE(lines[9].find("[0x0007], 1, 1,"), std::string::npos) << lines[9];

    cli({"fail", "rtSelectByPath", "--abort"});
    std::string abortTrace = root + "/abort.txt";
    EXPECT_EQ(helper({"sequence", "KeyToken 0"}, {{"SOFTTOKEN_TRACE", abortTrace}}).signal, SIGKILL);
    auto abortLines = linesOf(readFileBytes(abortTrace));
    ASSERT_EQ(abortLines.size(), 10u);
    EXPECT_EQ(abortLines[9].rfind("rtSelectByPath(", 0), 0u);
    EXPECT_NE(abortLines[9].find(") = aborted"), std::string::npos);
}
