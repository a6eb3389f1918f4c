// The token lock across processes: while another process holds a token's
// lock, boardtool waits for it, and gives up with the lock error when the
// holder keeps it past the library's wait.
#include <chrono>
#include <thread>

#include "e2e_fixture.h"
#include "platform_text.h"
#include "token_messages.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string K0 = "KeyToken 0";

class LockTest : public E2eTest {
public:
    // Starts a process that locks K0, creates a marker file and keeps the
    // lock for `milliseconds`; returns once the lock is taken.
    void holdLock(int milliseconds)
    {
        const std::string marker = work + "/held";
        holder = std::thread([this, milliseconds, marker] {
            holderRun = runProcess({SOFTTOKEN_HELPER_EXE, "hold", K0, std::to_string(milliseconds), marker},
                                   work, "", {{"SOFTTOKEN_DIR", store}});
        });
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (!fileExists(marker) && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_TRUE(fileExists(marker)) << "the holder never took the lock";
    }

    void TearDown() override
    {
        if (holder.joinable()) {
            holder.join();
            EXPECT_EQ(holderRun.exitCode, 0) << holderRun.err;
        }
        E2eTest::TearDown();
    }

    std::thread holder;
    ProcessResult holderRun;
};

long millisecondsSince(Clock::time_point start)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

TEST_F(LockTest, ExecutionWaitsForAnotherProcessToReleaseTheToken)
{
    addToken(K0);
    holdLock(2000);

    const auto start = Clock::now();
    const ProcessResult run = execute(0, 7);
    const long waited = millisecondsSince(start);

    // The board appears only once the holder has let go, some two seconds
    // on; without the wait the run would take a small part of that.
    EXPECT_EQ(run.exitCode, 0) << logText();
    EXPECT_GE(waited, 1000);
    EXPECT_EQ(run.out, platformText("Created\n"));
    EXPECT_EQ(listing(K0, "7"), "0x1001 340\n");
}

TEST_F(LockTest, ExecutionGivesUpWhenTheHolderKeepsTheTokenTooLong)
{
    addToken(K0);
    holdLock(9000);

    const auto start = Clock::now();
    const ProcessResult run = execute(0, 7);
    const long waited = millisecondsSince(start);

    // The library waits five seconds for the lock, then the search for the
    // board ends the run with the lock error; the token is left alone.
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_GE(waited, 4500);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, platformText(msg::errorLine(msg::LOCK_FAILED)));
    EXPECT_EQ(logText(), platformText(executionHeader() + decodedLine(0, 7) + "Searching for board 7\n" +
                                      "!!!FATAL ERROR!!!: " + msg::LOCK_FAILED + "\n"));
    EXPECT_EQ(listing(K0), "");
}

} // namespace
