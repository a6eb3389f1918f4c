// Reader enumeration, opening, handles, login and the token ID through the
// library's C interface.
#include "store_fixture.h"

#include <set>

using Ids = std::vector<std::uint16_t>;

TEST_F(StoreTest, MissingStoreFolderIsAnEmptyStore)
{
    RT_HANDLE e = rtEnumReadersA("KeyToken");
    ASSERT_NE(e, 0u);
    EXPECT_EQ(rtGetReadersCount(e), 0);
    char name[1024];
    std::uint32_t length = sizeof name;
    EXPECT_EQ(rtGetReaderNameFromListA(e, 0, name, &length), 0u);
    EXPECT_NE(rtEnumReadersClose(e), 0u);
    EXPECT_FALSE(fileExists(dir));
}

TEST_F(StoreTest, EnumerationFiltersByNameInSlotOrderAndRemovalMovesLaterReadersUp)
{
    cli({"add", "KeyToken 0"});
    cli({"add", "Other reader"});
    cli({"add", "KeyToken 1", "--empty"});
    cli({"add", "My KeyToken 2"});
    EXPECT_EQ(enumerate("KeyToken"), (std::vector<std::string>{"KeyToken 0", "KeyToken 1", "My KeyToken 2"}));
    EXPECT_EQ(enumerate("").size(), 4u);
    EXPECT_EQ(enumerate(nullptr).size(), 4u);
    EXPECT_TRUE(enumerate("nothing like it").empty());
    cli({"remove", "KeyToken 0"});
    EXPECT_EQ(enumerate("KeyToken"), (std::vector<std::string>{"KeyToken 1", "My KeyToken 2"}));
}

TEST_F(StoreTest, EnumerationIsASnapshotAndNameBufferIsChecked)
{
    cli({"add", "KeyToken 0"});
    RT_HANDLE e = rtEnumReadersA("KeyToken");
    cli({"add", "KeyToken 1"});
    EXPECT_EQ(rtGetReadersCount(e), 1);
    char small[5];
    std::uint32_t length = sizeof small;
    EXPECT_EQ(rtGetReaderNameFromListA(e, 0, small, &length), 0u);
    EXPECT_EQ(length, 11u); // what the name needs, NUL included
    char name[1024];
    length = sizeof name;
    ASSERT_NE(rtGetReaderNameFromListA(e, 0, name, &length), 0u);
    EXPECT_STREQ(name, "KeyToken 0");
    EXPECT_EQ(length, 10u);
    length = sizeof name;
    EXPECT_EQ(rtGetReaderNameFromListA(e, 1, name, &length), 0u);
    rtEnumReadersClose(e);
    EXPECT_EQ(rtGetReadersCount(e), -1) << "a closed enumeration";
    EXPECT_EQ(enumerate("KeyToken").size(), 2u);
}

TEST_F(StoreTest, OpeningNeedsAWorkingTokenAndGivesItsId)
{
    cli({"add", "KeyToken 0", "--id", "0xFF"});
    cli({"add", "KeyToken 1", "--empty"});
    RT_HANDLE h = rtOpenReaderA("KeyToken 0");
    ASSERT_NE(h, 0u);
    std::uint32_t id = 0;
    ASSERT_NE(rtGetTokenID(h, &id), 0u);
    EXPECT_EQ(id, 0xFFu);
    EXPECT_EQ(rtGetTokenID(h, nullptr), 0u);
    EXPECT_NE(rtCloseReader(h), 0u);
    EXPECT_EQ(rtOpenReaderA("KeyToken 1"), 0u) << "a reader without a token";
    EXPECT_EQ(rtOpenReaderA("KeyToken 9"), 0u) << "no such reader";
    EXPECT_EQ(rtOpenReaderA("KeyToken"), 0u) << "names match exactly";
    EXPECT_EQ(rtOpenReaderA(nullptr), 0u);
}

TEST_F(StoreTest, HandlesAreNeverZeroAndNotReusedAfterClosing)
{
    cli({"add", "KeyToken 0"});
    std::set<RT_HANDLE> seen;
    for (int i = 0; i < 20; ++i) {
        RT_HANDLE e = rtEnumReadersA("KeyToken");
        RT_HANDLE h = rtOpenReaderA("KeyToken 0");
        RT_HANDLE f = rtFCP_CreateFCP();
        for (RT_HANDLE handle : {e, h, f}) {
            EXPECT_NE(handle, 0u);
            EXPECT_TRUE(seen.insert(handle).second) << "handle " << handle << " reused";
        }
        rtEnumReadersClose(e);
        rtCloseReader(h);
        rtFCP_RemoveFCP(f);
    }
}

TEST_F(StoreTest, CallsOnUnknownHandlesFail)
{
    cli({"add", "KeyToken 0"});
    RT_HANDLE e = rtEnumReadersA("KeyToken");
    RT_HANDLE f = rtFCP_CreateFCP();
    std::uint32_t value = 0;
    std::uint16_t id = 0;
    // Handles of one kind are no good as another kind, and 0 is no handle.
    for (RT_HANDLE bad : {RT_HANDLE{0}, e, f, RT_HANDLE{0x7FFFFFFF}}) {
        EXPECT_EQ(rtLock(bad), 0u);
        EXPECT_EQ(rtLoginA(bad, 2, PIN2), 0u);
        EXPECT_EQ(rtSelectMF(bad, 0), 0u);
        EXPECT_EQ(rtGetTokenFreeMemory(bad, &value), 0u);
        EXPECT_EQ(rtCloseReader(bad), 0u);
    }
    EXPECT_EQ(rtFCP_GetFileID(e, &id), 0u);
    EXPECT_EQ(rtEnumReadersClose(f), 0u);
    EXPECT_EQ(rtFCP_GetFileID(f, &id), 0u) << "an FCP no selection filled";
    ASSERT_NE(rtGetLastError(&value), 0u);
    EXPECT_NE(value, 0u);
    rtEnumReadersClose(e);
    rtFCP_RemoveFCP(f);
    EXPECT_EQ(rtFCP_RemoveFCP(f), 0u) << "removed twice";
}

struct LoginCase {
    const char* pin1;
    const char* pin2;
    std::uint8_t userType;
    const char* pin;
    bool accepted;
};

class LoginTest : public StoreTest, public ::testing::WithParamInterface<LoginCase> {};

TEST_P(LoginTest, LoginChecksThePinOfTheUserType)
{
    const auto& c = GetParam();
    std::vector<std::string> args = {"add", "KeyToken 0"};
    if (c.pin1 != nullptr) {
        args.insert(args.end(), {"--pin1", c.pin1, "--pin2", c.pin2});
    }
    cli(args);
    RT_HANDLE h = rtOpenReaderA("KeyToken 0");
    ASSERT_NE(h, 0u);
    EXPECT_EQ(rtLoginA(h, c.userType, c.pin) != 0, c.accepted);
    // A login is what lets the folder be created.
    EXPECT_EQ(rtCreateFolder(h, 7, TOOL_ATTRIBUTES, 3) != 0, c.accepted);
    rtCloseReader(h);
}

INSTANTIATE_TEST_SUITE_P(Pins, LoginTest,
                         ::testing::Values(LoginCase{nullptr, nullptr, 2, "Qwmzhvoa", true},
                                           LoginCase{nullptr, nullptr, 1, "uKDwarsoLGx", true},
                                           LoginCase{nullptr, nullptr, 1, "Qwmzhvoa", false},
                                           LoginCase{nullptr, nullptr, 2, "qwmzhvoa", false},
                                           LoginCase{nullptr, nullptr, 2, "Qwmzhvo", false},
                                           LoginCase{nullptr, nullptr, 2, "", false},
                                           LoginCase{nullptr, nullptr, 3, "Qwmzhvoa", false},
                                           LoginCase{nullptr, nullptr, 0, "", false},
                                           LoginCase{nullptr, nullptr, 2, nullptr, false},
                                           LoginCase{"one", "two", 2, "two", true},
                                           LoginCase{"one", "two", 2, "Qwmzhvoa", false}));

TEST_F(StoreTest, LogoutEndsTheRightToChange)
{
    cli({"add", "KeyToken 0"});
    RT_HANDLE h = openLoggedIn("KeyToken 0");
    ASSERT_NE(rtCreateFolder(h, 1, TOOL_ATTRIBUTES, 3), 0u);
    EXPECT_NE(rtLogout(h), 0u);
    EXPECT_NE(rtLogout(h), 0u) << "logging out twice is harmless";
    ASSERT_NE(rtSelectMF(h, 0), 0u);
    EXPECT_EQ(rtCreateFolder(h, 2, TOOL_ATTRIBUTES, 3), 0u);
    std::uint32_t error = 0;
    rtGetLastError(&error);
    EXPECT_NE(error, 0u);
    EXPECT_EQ(rtLoginA(h, 2, "wrong"), 0u);
    EXPECT_EQ(rtCreateFolder(h, 2, TOOL_ATTRIBUTES, 3), 0u);
    closeReader(h);
    EXPECT_EQ(cli({"ls", "KeyToken 0"}).out, "0x0001 dir\n");
}

TEST_F(StoreTest, UnlockWithoutLockFailsAndLockTwiceIsHeld)
{
    cli({"add", "KeyToken 0"});
    RT_HANDLE h = rtOpenReaderA("KeyToken 0");
    EXPECT_EQ(rtUnlock(h), 0u);
    EXPECT_NE(rtLock(h), 0u);
    EXPECT_NE(rtLock(h), 0u);
    EXPECT_NE(rtUnlock(h), 0u);
    EXPECT_EQ(rtUnlock(h), 0u);
    rtCloseReader(h);
}

TEST_F(StoreTest, SwitchingStoreFoldersBetweenEnumerations)
{
    cli({"add", "KeyToken A"});
    std::string first = dir;
    dir = root + "/second";
    cli({"add", "KeyToken B"});
    cli({"add", "KeyToken C"});
    ::setenv("SOFTTOKEN_DIR", first.c_str(), 1);
    EXPECT_EQ(enumerate("KeyToken"), (std::vector<std::string>{"KeyToken A"}));
    ::setenv("SOFTTOKEN_DIR", dir.c_str(), 1);
    EXPECT_EQ(enumerate("KeyToken"), (std::vector<std::string>{"KeyToken B", "KeyToken C"}));
    EXPECT_EQ(rtOpenReaderA("KeyToken A"), 0u);
}
