// Injected faults as a program using the library meets them: the failure
// results, the K-th call, one reader only, clearing, and false counts.
#include "store_fixture.h"

#include <algorithm>

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

namespace {

// One call of a count-fault case: an rtReadFile or rtUpdateFile at
// `position` for `length` bytes, whether it succeeds, and the count it
// reports when it does.
struct CountStep {
    std::uint32_t position;
    std::uint32_t length;
    bool ok;
    std::uint32_t reported;
};

struct CountCase {
    const char* name;
    std::vector<std::vector<std::string>> faults; // `softtoken fail` arguments
    bool update;                                  // rtUpdateFile, else rtReadFile
    const char* reader;
    std::vector<CountStep> steps;
};

constexpr std::uint32_t FILE_SIZE = 600;
constexpr std::uint32_t NO_VALUE = 0xA5A5A5A5; // the out-count before each call

std::string fileBytes()
{
    std::string bytes;
    for (std::uint32_t i = 0; i < FILE_SIZE; ++i) {
        bytes += static_cast<char>(i % 251);
    }
    return bytes;
}

} // namespace

// A count fault lets the call do its work and only falsifies the count it
// reports: a read copies what was asked and what the file holds, an update
// writes what it was given.
TEST_F(FaultTest, CountFaultReportsAFalseCountForACallThatDidItsWork)
{
    const CountCase cases[] = {
        {"read reports nothing", {{"rtReadFile", "--count", "0"}}, false, "KeyToken 0",
         {{0, 256, true, 0}, {256, 256, true, 0}}},
        {"read reports more than asked", {{"rtReadFile", "--count", "300"}}, false, "KeyToken 0",
         {{0, 256, true, 300}}},
        {"read at the end reports the largest count", {{"rtReadFile", "--count", "0xFFFFFFFF"}}, false,
         "KeyToken 0", {{500, 256, true, 0xFFFFFFFF}}},
        {"read reports less than it copied", {{"rtReadFile", "--count", "5"}}, false, "KeyToken 0",
         {{0, 256, true, 5}}},
        {"only the second read", {{"rtReadFile", "--count", "7", "--nth", "2"}}, false, "KeyToken 0",
         {{0, 256, true, 256}, {256, 256, true, 7}, {512, 256, true, 88}}},
        {"another reader's read", {{"rtReadFile", "--count", "0", "--reader", "KeyToken 1"}}, false,
         "KeyToken 0", {{0, 256, true, 256}}},
        {"that reader's read", {{"rtReadFile", "--count", "0", "--reader", "KeyToken 1"}}, false,
         "KeyToken 1", {{0, 256, true, 0}}},
        {"a read that fails anyway", {{"rtReadFile", "--count", "3"}}, false, "KeyToken 0",
         {{601, 1, false, 0}}},
        {"failing beats a false count", {{"rtReadFile", "--count", "3"}, {"rtReadFile", "--nth", "1"}},
         false, "KeyToken 0", {{0, 256, false, 0}, {0, 256, true, 3}}},
        {"the later false count wins", {{"rtReadFile", "--count", "3"}, {"rtReadFile", "--count", "4"}},
         false, "KeyToken 0", {{0, 10, true, 4}}},
        {"update reports nothing", {{"rtUpdateFile", "--count", "0"}}, true, "KeyToken 0",
         {{0, 20, true, 0}}},
        {"update reports one byte more", {{"rtUpdateFile", "--count", "21"}}, true, "KeyToken 0",
         {{10, 20, true, 21}}},
        {"update reports one byte less, second call only", {{"rtUpdateFile", "--count", "19", "--nth", "2"}},
         true, "KeyToken 0", {{0, 20, true, 20}, {100, 20, true, 19}, {200, 20, true, 20}}},
        {"an update past the end fails anyway", {{"rtUpdateFile", "--count", "3"}}, true, "KeyToken 0",
         {{590, 20, false, 0}}},
    };
    const std::string original = fileBytes();
    const std::uint16_t path[] = {7, 0x1001};
    for (const char* reader : {"KeyToken 0", "KeyToken 1"}) {
        cli({"mkdir", reader, "7"});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        cli({"fail", "--clear"});
        for (const char* reader : {"KeyToken 0", "KeyToken 1"}) {
            cli({"write", reader, "7/0x1001"}, 0, original);
        }
        for (const auto& fault : c.faults) {
            std::vector<std::string> args = {"fail"};
            args.insert(args.end(), fault.begin(), fault.end());
            cli(args);
        }
        RT_HANDLE h = openLoggedIn(c.reader);
        ASSERT_NE(rtSelectByPath(h, path, 2, 1, 0), 0u);
        std::string expected = original; // the file after the case's updates
        for (const auto& step : c.steps) {
            SCOPED_TRACE("at " + std::to_string(step.position) + " for " + std::to_string(step.length));
            std::uint32_t count = NO_VALUE;
            if (c.update) {
                std::string data(step.length, static_cast<char>('A' + step.position % 26));
                EXPECT_EQ(rtUpdateFile(h, step.position, data.data(), step.length, &count) != 0, step.ok);
                if (step.ok) {
                    expected.replace(step.position, step.length, data);
                }
            } else {
                // The target has room past what was asked: nothing may land there.
                std::string target(step.length + 64, '\xEE');
                EXPECT_EQ(rtReadFile(h, step.position, target.data(), step.length, &count) != 0, step.ok);
                std::size_t copied =
                    step.ok ? std::min<std::size_t>(step.length, FILE_SIZE - step.position) : 0;
                EXPECT_EQ(target.substr(0, copied), original.substr(step.ok ? step.position : 0, copied));
                EXPECT_EQ(target.substr(copied), std::string(target.size() - copied, '\xEE'));
            }
            EXPECT_EQ(count, step.ok ? step.reported : NO_VALUE);
        }
        closeReader(h);
        cli({"fail", "--clear"});
        EXPECT_EQ(cli({"read", c.reader, "7/0x1001"}).out, expected);
    }
}
