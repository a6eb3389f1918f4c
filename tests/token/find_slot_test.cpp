// probeSlot and findSlot across several readers, getFreeMemory, and the
// guards' own behaviour.
#include "token_fixture.h"

#include "token/messages.h"

namespace {

using Names = std::vector<std::string>;

const std::string NOT_FOUND_LINE = std::string("ERROR: ") + MSG_NOT_FOUND + "\n";
const std::string NO_SUCH_TOKEN_LINE = std::string("ERROR: ") + MSG_NO_SUCH_TOKEN + "\n";

std::vector<Names> withCommand(std::vector<Names> commands, const Names& command)
{
    commands.push_back(command);
    return commands;
}

class FindSlot : public TokenStoreTest {
protected:
    void SetUp() override
    {
        TokenStoreTest::SetUp();
        for (const char* reader : {"KeyToken 0", "KeyToken 1", "KeyToken 2"}) {
            softtoken({"add", reader});
        }
        softtoken({"mkdir", "KeyToken 0", "3"});
        softtoken({"mkdir", "KeyToken 2", "7"});
        softtoken({"write", "KeyToken 2", "7/0x1001", "--size", "340"});
        softtoken({"mkdir", "KeyToken 1", "7"}); // board 7 without a data file
    }
};

TEST_F(FindSlot, FindsTheFirstTokenHoldingTheObject)
{
    struct Case {
        const char* path;
        const char* out;
        std::string err;
        int probes;
    } cases[] = {
        {"3", "find 0\n", "", 1},
        {"7", "find 1\n", NOT_FOUND_LINE, 2},
        {"7/0x1001", "find 2\n", NOT_FOUND_LINE + NOT_FOUND_LINE, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        DriverRun run = drive({"find", c.path});
        EXPECT_EQ(run.exitCode, 0) << run.out;
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
        EXPECT_TRUE(run.leaks.empty());
        Names oneProbe = concat({OPEN_CALLS, {"rtSelectByPath"}, CLOSE_CALLS});
        std::vector<Names> probes(c.probes, oneProbe);
        EXPECT_EQ(run.calls, concat(probes));
    }
}

TEST_F(FindSlot, AnObjectOnNoTokenIsNotFoundAfterEveryReader)
{
    DriverRun run = drive({"find", "9/0x1001"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.out, raisedLine(9, MSG_NOT_FOUND));
    EXPECT_TRUE(run.leaks.empty());
    // One line per token probed, the end of the list, then the result.
    EXPECT_EQ(run.err, NOT_FOUND_LINE + NOT_FOUND_LINE + NOT_FOUND_LINE + NO_SUCH_TOKEN_LINE +
                           NOT_FOUND_LINE);
}

TEST_F(FindSlot, AnotherFailureEndsTheSearchAtThatSlot)
{
    const std::vector<Names> threeReaders = {
        {"add", "KeyToken 0"}, {"add", "KeyToken 1"}, {"add", "KeyToken 2"},
        {"mkdir", "KeyToken 2", "7"}};
    struct Case {
        const char* name;
        std::vector<Names> setup;
        int code;
        const char* message;
        std::string before; // console lines of the slots tried first
        std::size_t slotsTried;
    } cases[] = {
        {"slot 0 without a token",
         {{"add", "KeyToken 0", "--empty"}, {"add", "KeyToken 1"}, {"mkdir", "KeyToken 1", "7"}},
         6, MSG_TOKEN_FAULTY, "", 1},
        {"slot 1 cannot be locked",
         withCommand(threeReaders, {"fail", "rtLock", "--reader", "KeyToken 1"}), 7,
         MSG_LOCK_FAILED, NOT_FOUND_LINE, 2},
        {"slot 1 refuses the login",
         withCommand(threeReaders, {"fail", "rtLoginA", "--reader", "KeyToken 1"}), 8,
         MSG_LOGIN_FAILED, NOT_FOUND_LINE, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        resetStore();
        for (const auto& command : c.setup) {
            softtoken(command);
        }
        DriverRun run = drive({"find", "7"});
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_EQ(run.out, raisedLine(c.code, c.message));
        EXPECT_EQ(run.err, c.before + "ERROR: " + c.message + "\n");
        EXPECT_TRUE(run.leaks.empty());
        // The slot that holds the board is never opened.
        std::size_t enumerations = 0;
        for (const auto& call : run.calls) {
            enumerations += call == "rtEnumReadersA" ? 1 : 0;
        }
        EXPECT_EQ(enumerations, c.slotsTried);
    }
}

TEST_F(FindSlot, ProbeSlotTriesOneSlotOnly)
{
    EXPECT_EQ(drive({"probe", "7/0x1001", "2"}).out, "probe 2\n");
    expectRaised(drive({"probe", "7/0x1001", "0"}), 9, MSG_NOT_FOUND);
    expectRaised(drive({"probe", "7/0x1001", "3"}), 5, MSG_NO_SUCH_TOKEN);
}

TEST_F(FindSlot, FreeMemoryFollowsWhatTheTokenHolds)
{
    DriverRun before = drive({"free", "0"});
    ASSERT_EQ(before.exitCode, 0) << before.out;
    EXPECT_EQ(before.calls, concat({OPEN_CALLS, {"rtGetTokenFreeMemory"}, CLOSE_CALLS}));
    unsigned long freeBefore = std::stoul(before.out.substr(5));
    softtoken({"write", "KeyToken 0", "3/0x1001", "--size", "1000"});
    unsigned long freeAfter = std::stoul(drive({"free", "0"}).out.substr(5));
    EXPECT_LE(freeAfter + 1000, freeBefore);
    EXPECT_GT(freeBefore, 0u);

    softtoken({"fail", "rtGetTokenFreeMemory"});
    expectRaised(drive({"free", "0"}), 19, MSG_FREE_MEMORY_FAILED);
}

TEST_F(FindSlot, AGuardWithoutAHandleCallsNothing)
{
    DriverRun held = drive({"guards"});
    EXPECT_EQ(held.out, "guards fcp\n");
    EXPECT_EQ(held.calls, (Names{"rtFCP_CreateFCP", "rtFCP_RemoveFCP"}));
    EXPECT_TRUE(held.leaks.empty());

    softtoken({"fail", "rtFCP_CreateFCP"});
    DriverRun none = drive({"guards"});
    EXPECT_EQ(none.out, "guards none\n");
    EXPECT_EQ(none.calls, (Names{"rtFCP_CreateFCP"}));
    EXPECT_TRUE(none.leaks.empty());
}

} // namespace
