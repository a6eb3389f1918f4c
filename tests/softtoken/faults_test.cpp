// Injected faults as a program using the library meets them: the failure
// results, the K-th call, one reader only, and clearing.
#include "store_fixture.h"

namespace {

// Calls rtLock on a fresh reader handle and tells whether it succeeded.
bool lockOnce(const char* reader)
{
    RT_HANDLE h = rtOpenReaderA(reader);
    EXPECT_NE(h, 0u);
    bool locked = rtLock(h) != 0;
    rtCloseReader(h);
    return locked;
}

} // namespace

class FaultTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        cli({"add", "KeyToken 0"});
        cli({"add", "KeyToken 1"});
    }
};

TEST_F(FaultTest, FaultedCallsReturnTheLibrarysFailureResultAndDoNothing)
{
    for (const char* call : {"rtEnumReadersA", "rtGetReadersCount", "rtOpenReaderA", "rtFCP_CreateFCP",
                             "rtCreateFolder", "rtGetTokenID"}) {
        cli({"fail", call});
    }
    EXPECT_EQ(rtEnumReadersA("KeyToken"), 0u);
    EXPECT_EQ(rtOpenReaderA("KeyToken 0"), 0u);
    EXPECT_EQ(rtFCP_CreateFCP(), 0u);
    std::uint32_t error = 0;
    ASSERT_NE(rtGetLastError(&error), 0u);
    EXPECT_EQ(error, 10u) << "an injected fault";
    cli({"fail", "--clear"});
    RT_HANDLE e = rtEnumReadersA("KeyToken");
    cli({"fail", "rtGetReadersCount"});
    EXPECT_EQ(rtGetReadersCount(e), -1);
    rtEnumReadersClose(e);
    cli({"fail", "--clear"});
    RT_HANDLE h = openLoggedIn("KeyToken 0");
    cli({"fail", "rtCreateFolder"});
    cli({"fail", "rtGetTokenID"});
    std::uint32_t id = 0xABCD;
    EXPECT_EQ(rtGetTokenID(h, &id), 0u);
    EXPECT_EQ(id, 0xABCDu) << "a failed call writes no out-value";
    ASSERT_NE(rtSelectMF(h, 0), 0u);
    EXPECT_EQ(rtCreateFolder(h, 7, TOOL_ATTRIBUTES, 3), 0u);
    cli({"fail", "--clear"});
    EXPECT_NE(rtGetTokenID(h, &id), 0u);
    EXPECT_TRUE(listChildren(h, {}).empty()) << "the failed create made nothing";
    closeReader(h);
}

TEST_F(FaultTest, NthCallFailsOnceCountingFromWhenTheProcessMeetsTheFault)
{
    EXPECT_TRUE(lockOnce("KeyToken 0")); // calls before the fault do not count
    cli({"fail", "rtLock", "--nth", "3"});
    std::vector<bool> results;
    for (int i = 0; i < 5; ++i) {
        results.push_back(lockOnce(i % 2 == 0 ? "KeyToken 0" : "KeyToken 1"));
    }
    EXPECT_EQ(results, (std::vector<bool>{true, true, false, true, true}));
    // Cleared and added again, it counts afresh.
    cli({"fail", "--clear"});
    cli({"fail", "rtLock", "--nth", "2"});
    EXPECT_TRUE(lockOnce("KeyToken 0"));
    EXPECT_FALSE(lockOnce("KeyToken 0"));
    EXPECT_TRUE(lockOnce("KeyToken 0"));
}

TEST_F(FaultTest, ReaderFaultAppliesOnlyToThatReadersCalls)
{
    cli({"fail", "rtLock", "--reader", "KeyToken 1"});
    cli({"fail", "rtOpenReaderA", "--reader", "KeyToken 1", "--nth", "2"});
    cli({"fail", "rtEnumReadersA", "--reader", "KeyToken 1"}); // names no reader: never applies
    EXPECT_TRUE(lockOnce("KeyToken 0"));
    EXPECT_FALSE(lockOnce("KeyToken 1"));
    EXPECT_EQ(rtOpenReaderA("KeyToken 1"), 0u) << "the second open of KeyToken 1";
    EXPECT_TRUE(lockOnce("KeyToken 0"));
    RT_HANDLE e = rtEnumReadersA("KeyToken");
    EXPECT_NE(e, 0u);
    rtEnumReadersClose(e);
}

TEST_F(FaultTest, NameOfOneEntryIsAReaderCall)
{
    cli({"fail", "rtGetReaderNameFromListA", "--reader", "KeyToken 1"});
    RT_HANDLE e = rtEnumReadersA("KeyToken");
    char name[1024];
    std::uint32_t length = sizeof name;
    EXPECT_NE(rtGetReaderNameFromListA(e, 0, name, &length), 0u);
    length = sizeof name;
    EXPECT_EQ(rtGetReaderNameFromListA(e, 1, name, &length), 0u);
    rtEnumReadersClose(e);
}

TEST_F(FaultTest, FailedReleaseCallKeepsTheHandle)
{
    RT_HANDLE h = rtOpenReaderA("KeyToken 0");
    cli({"fail", "rtCloseReader", "--nth", "1"});
    EXPECT_EQ(rtCloseReader(h), 0u);
    std::uint32_t id = 0;
    EXPECT_NE(rtGetTokenID(h, &id), 0u) << "still open";
    EXPECT_NE(rtCloseReader(h), 0u);
}

TEST_F(FaultTest, DamagedFaultsFileInjectsNothing)
{
    cli({"fail", "rtLock"});
    writeFileBytes(dir + "/faults.txt", "softtoken-faults 1\nfault x\n");
    EXPECT_TRUE(lockOnce("KeyToken 0"));
    cli({"fail", "--list"}, 1);
    cli({"fail", "--clear"}); // always possible
    EXPECT_EQ(cli({"fail", "--list"}).out, "");
    cli({"fail", "rtLock"});
    EXPECT_FALSE(lockOnce("KeyToken 0"));
}
