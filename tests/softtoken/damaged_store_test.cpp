// A damaged or hand-edited store: the library call that meets it fails
// cleanly, the CLI prints one message and exits 1, and a repaired store
// works again.
#include "store_fixture.h"

using Ids = std::vector<std::uint16_t>;

TEST_F(StoreTest, DamagedReadersFileFailsTheEnumeration)
{
    cli({"add", "KeyToken 0"});
    std::string good = readFileBytes(dir + "/readers.txt");
    const std::string damaged[] = {"", "garbage\n", good.substr(0, good.size() / 2), std::string(3000, '\0'),
                                   "softtoken-readers 99\nnext-key 2\nreader 1 KeyToken 0\nend\n"};
    for (const auto& text : damaged) {
        writeFileBytes(dir + "/readers.txt", text);
        EXPECT_EQ(rtEnumReadersA("KeyToken"), 0u);
        EXPECT_EQ(rtOpenReaderA("KeyToken 0"), 0u);
        ProcessResult list = cli({"list"}, 1);
        EXPECT_NE(list.err.find("readers.txt"), std::string::npos) << list.err;
    }
    writeFileBytes(dir + "/readers.txt", good);
    EXPECT_EQ(enumerate("KeyToken"), std::vector<std::string>{"KeyToken 0"});
}

TEST_F(StoreTest, DamagedTokenFileCannotBeOpenedAndFailsCallsOnAnOpenHandle)
{
    cli({"add", "KeyToken 0"});
    cli({"add", "KeyToken 1"});
    cli({"mkdir", "KeyToken 0", "7"});
    std::string path = dir + "/token-1.txt";
    std::string good = readFileBytes(path);
    RT_HANDLE h = openLoggedIn("KeyToken 0");
    writeFileBytes(path, good.substr(0, good.size() - 4)); // "end" lost: a hand edit
    Ids board{7};
    std::uint32_t value = 0;
    EXPECT_EQ(rtSelectByPath(h, board.data(), 1, 1, 0), 0u);
    EXPECT_EQ(rtSelectMF(h, 0), 0u);
    EXPECT_EQ(rtGetTokenFreeMemory(h, &value), 0u);
    EXPECT_EQ(rtCreateFolder(h, 8, TOOL_ATTRIBUTES, 3), 0u);
    EXPECT_EQ(readFileBytes(path), good.substr(0, good.size() - 4)) << "a failed call writes nothing";
    closeReader(h);
    EXPECT_EQ(rtOpenReaderA("KeyToken 0"), 0u);
    // The other token and the enumeration are unaffected.
    EXPECT_EQ(enumerate("KeyToken").size(), 2u);
    RT_HANDLE other = openLoggedIn("KeyToken 1");
    closeReader(other);
    ProcessResult ls = cli({"ls", "KeyToken 0"}, 1);
    EXPECT_NE(ls.err.find("token-1.txt"), std::string::npos) << ls.err;
    writeFileBytes(path, good);
    h = openLoggedIn("KeyToken 0");
    EXPECT_EQ(listChildren(h, {}), Ids{7});
    closeReader(h);
}

TEST_F(StoreTest, MissingTokenFileIsAReaderThatCannotBeOpened)
{
    cli({"add", "KeyToken 0"});
    ASSERT_EQ(::unlink((dir + "/token-1.txt").c_str()), 0);
    EXPECT_EQ(enumerate("KeyToken").size(), 1u);
    EXPECT_EQ(rtOpenReaderA("KeyToken 0"), 0u);
    cli({"list"}, 1);
}
