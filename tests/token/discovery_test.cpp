// listTokens and openToken against the emulator's store, with faults
// injected through its CLI and the call order read from its trace.
#include "token_fixture.h"

#include "token/messages.h"

namespace {

using Names = std::vector<std::string>;

class Discovery : public TokenStoreTest {};

TEST_F(Discovery, OpenTokenCallsInOrderAndTheGuardClosesInOrder)
{
    softtoken({"add", "KeyToken 0"});
    for (const char* level : {"1", "2"}) {
        DriverRun run = drive({"open", level, "0"});
        EXPECT_EQ(run.exitCode, 0) << run.out;
        EXPECT_EQ(run.out, "open ok\n");
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.calls, concat({OPEN_CALLS, CLOSE_CALLS})) << "level " << level;
        EXPECT_TRUE(run.leaks.empty());
    }
}

TEST_F(Discovery, OpenTokenLogsInWithTheLevelsUserTypeAndPin)
{
    // A token that knows only one of the two PINs lets in only that level.
    softtoken({"add", "KeyToken 0", "--pin1", "other-pin"});
    softtoken({"add", "KeyToken 1", "--pin2", "other-pin"});
    struct Case {
        const char* level;
        const char* slot;
        bool opens;
    } cases[] = {{"1", "0", false}, {"2", "0", true}, {"1", "1", true}, {"2", "1", false}};
    for (const auto& c : cases) {
        DriverRun run = drive({"open", c.level, c.slot});
        if (c.opens) {
            EXPECT_EQ(run.out, "open ok\n") << c.level << "/" << c.slot;
            EXPECT_TRUE(run.leaks.empty());
        } else {
            expectRaised(run, 8, MSG_LOGIN_FAILED);
        }
    }
}

TEST_F(Discovery, ReadersWithoutTheFilterTextAreNotCounted)
{
    softtoken({"add", "Other reader"});
    softtoken({"add", "KeyToken 7", "--id", "0x77"});
    DriverRun list = drive({"list"});
    EXPECT_EQ(list.out, "entry [KeyToken 7 0x00000077 ]\n");
    EXPECT_EQ(drive({"open", "2", "0"}).out, "open ok\n");
    expectRaised(drive({"open", "2", "1"}), 5, MSG_NO_SUCH_TOKEN);
}

struct OpenFailure {
    const char* name;
    std::vector<Names> setup; // softtoken commands
    const char* level;
    const char* slot;
    int code;
    const char* message;
    Names calls;
};

TEST_F(Discovery, OpenTokenFailuresLeaveNothingOpen)
{
    const Names enumerateAndCount = {"rtEnumReadersA", "rtGetReadersCount"};
    const Names toOpen = {"rtEnumReadersA", "rtGetReadersCount", "rtGetReaderNameFromListA",
                          "rtOpenReaderA"};
    const std::vector<OpenFailure> cases = {
        {"no enumeration", {{"add", "KeyToken 0"}, {"fail", "rtEnumReadersA"}}, "2", "0", 3,
         MSG_NO_ENUMERATOR, {"rtEnumReadersA"}},
        {"no readers", {}, "2", "0", 18, MSG_NO_TOKEN_AVAILABLE,
         concat({enumerateAndCount, {"rtEnumReadersClose"}})},
        {"count fails", {{"add", "KeyToken 0"}, {"fail", "rtGetReadersCount"}}, "2", "0", 18,
         MSG_NO_TOKEN_AVAILABLE, concat({enumerateAndCount, {"rtEnumReadersClose"}})},
        {"slot past the last reader", {{"add", "KeyToken 0"}}, "2", "1", 5, MSG_NO_SUCH_TOKEN,
         concat({enumerateAndCount, {"rtGetReaderNameFromListA", "rtEnumReadersClose"}})},
        {"reader without a token", {{"add", "KeyToken 0", "--empty"}}, "2", "0", 6,
         MSG_TOKEN_FAULTY, concat({toOpen, {"rtEnumReadersClose"}})},
        {"lock fails", {{"add", "KeyToken 0"}, {"fail", "rtLock"}}, "2", "0", 7, MSG_LOCK_FAILED,
         concat({toOpen, {"rtLock", "rtCloseReader", "rtEnumReadersClose"}})},
        {"login fails", {{"add", "KeyToken 0"}, {"fail", "rtLoginA"}}, "2", "0", 8,
         MSG_LOGIN_FAILED,
         concat({toOpen,
                 {"rtLock", "rtLogout", "rtLoginA", "rtUnlock", "rtCloseReader",
                  "rtEnumReadersClose"}})},
        {"wrong PIN", {{"add", "KeyToken 0", "--pin2", "Wrongpin"}}, "2", "0", 8,
         MSG_LOGIN_FAILED,
         concat({toOpen,
                 {"rtLock", "rtLogout", "rtLoginA", "rtUnlock", "rtCloseReader",
                  "rtEnumReadersClose"}})},
        {"access level 0", {{"add", "KeyToken 0"}}, "0", "0", 8, MSG_LOGIN_FAILED, {}},
        {"access level 3", {{"add", "KeyToken 0"}}, "3", "0", 8, MSG_LOGIN_FAILED, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        resetStore();
        for (const auto& command : c.setup) {
            softtoken(command);
        }
        DriverRun run = drive({"open", c.level, c.slot});
        expectRaised(run, c.code, c.message);
        EXPECT_EQ(run.calls, c.calls);
    }
}

TEST_F(Discovery, TheConsoleLineComesBeforeTheEnumerationIsClosed)
{
    softtoken({"add", "KeyToken 0"});
    softtoken({"fail", "rtLock"});
    Names lines = driveMerged({"open", "2", "0"});
    Names expected = {"rtEnumReadersA", "rtGetReadersCount", "rtGetReaderNameFromListA", "rtOpenReaderA",
                "rtLock",         "rtCloseReader",     std::string("ERROR: ") + MSG_LOCK_FAILED,
                "rtEnumReadersClose"};
    EXPECT_EQ(lines, expected);
}

TEST_F(Discovery, ListTokensShowsEachReaderWithItsTokenId)
{
    softtoken({"add", "KeyToken 0", "--id", "255"});
    softtoken({"add", "KeyToken 1", "--empty"});
    softtoken({"add", "KeyToken 2", "--id", "0"});
    softtoken({"add", "KeyToken 3", "--id", "0xDEADBEEF"});
    DriverRun run = drive({"list"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "entry [KeyToken 0 0x000000FF ]\n"
                       "entry [KeyToken 1]\n"
                       "entry [KeyToken 2 0x00000000 ]\n"
                       "entry [KeyToken 3 0xDEADBEEF ]\n");
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(run.leaks.empty());
    // Each reader opened for its ID is closed before the next is looked
    // at; nothing is locked or logged in to.
    const Names oneToken = {"rtGetReaderNameFromListA", "rtOpenReaderA", "rtGetTokenID",
                            "rtCloseReader"};
    EXPECT_EQ(run.calls, concat({{"rtEnumReadersA", "rtGetReadersCount"},
                                 oneToken,
                                 {"rtGetReaderNameFromListA", "rtOpenReaderA"},
                                 oneToken,
                                 oneToken,
                                 {"rtEnumReadersClose"}}));
}

TEST_F(Discovery, ListTokensOfNoReadersIsEmptyAndQuiet)
{
    DriverRun run = drive({"list"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.calls, (Names{"rtEnumReadersA", "rtGetReadersCount", "rtEnumReadersClose"}));
}

TEST_F(Discovery, AnUnreadableTokenIdShowsAsZeros)
{
    softtoken({"add", "KeyToken 0", "--id", "0x12345678"});
    softtoken({"add", "KeyToken 1", "--id", "0x9ABCDEF0"});
    softtoken({"fail", "rtGetTokenID", "--reader", "KeyToken 0"});
    DriverRun run = drive({"list"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "entry [KeyToken 0 0x00000000 ]\n"
                       "entry [KeyToken 1 0x9ABCDEF0 ]\n");
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(run.leaks.empty());
}

TEST_F(Discovery, ListTokensFailuresDiscardTheWholeList)
{
    softtoken({"add", "KeyToken 0"});
    softtoken({"add", "KeyToken 1"});
    struct Case {
        Names fault;
        int code;
        const char* message;
    } cases[] = {
        {{"fail", "rtEnumReadersA"}, 3, MSG_NO_ENUMERATOR},
        {{"fail", "rtGetReadersCount"}, 18, MSG_NO_TOKEN_AVAILABLE},
        {{"fail", "rtGetReaderNameFromListA", "--nth", "2"}, 5, MSG_NO_SUCH_TOKEN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault.at(1));
        softtoken({"fail", "--clear"});
        softtoken(c.fault);
        DriverRun run = drive({"list"});
        expectRaised(run, c.code, c.message);
        EXPECT_EQ(run.out.find("entry"), std::string::npos);
    }
}

} // namespace
