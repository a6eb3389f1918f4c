// Selection, child enumeration, create, delete, read, update and free
// memory through the library's C interface.
#include "store_fixture.h"

using Ids = std::vector<std::uint16_t>;

namespace {

struct FcpView {
    std::uint16_t length = 0;
    std::uint16_t id = 0;
    std::uint32_t isFolder = 0;
};

FcpView viewOf(RT_HANDLE fcp)
{
    FcpView view;
    EXPECT_NE(rtFCP_GetFileLength(fcp, &view.length), 0u);
    EXPECT_NE(rtFCP_GetFileID(fcp, &view.id), 0u);
    EXPECT_NE(rtFCP_GetIsFolder(fcp, &view.isFolder), 0u);
    return view;
}

RT_RESULT selectPath(RT_HANDLE h, const Ids& path, RT_HANDLE fcp = 0)
{
    return rtSelectByPath(h, path.data(), static_cast<std::uint32_t>(path.size()), 1, fcp);
}

} // namespace

class TokenTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        cli({"add", "KeyToken 0"});
        h = openLoggedIn("KeyToken 0");
    }
    void TearDown() override
    {
        closeReader(h);
        StoreTest::TearDown();
    }
    // Creates a folder or file in the folder at `parent`.
    void create(const Ids& parent, std::uint16_t id, int size = -1)
    {
        ASSERT_NE(parent.empty() ? rtSelectMF(h, 0) : selectPath(h, parent), 0u);
        if (size < 0) {
            ASSERT_NE(rtCreateFolder(h, id, TOOL_ATTRIBUTES, 3), 0u);
        } else {
            ASSERT_NE(rtCreateFile(h, id, static_cast<std::uint16_t>(size), TOOL_ATTRIBUTES, 3), 0u);
        }
    }
    void write(const Ids& path, const std::string& data)
    {
        ASSERT_NE(selectPath(h, path), 0u);
        std::uint32_t written = 0;
        ASSERT_NE(rtUpdateFile(h, 0, data.data(), static_cast<std::uint32_t>(data.size()), &written), 0u);
        EXPECT_EQ(written, data.size());
    }
    RT_HANDLE h = 0;
};

TEST_F(TokenTest, SelectByPathFillsTheFcpAndFailsOnMissingPaths)
{
    create({}, 7);
    create({7}, 0x1001, 340);
    create({7}, 0x2000);
    RT_HANDLE fcp = rtFCP_CreateFCP();
    struct Case {
        Ids path;
        bool found;
        std::uint16_t length;
        std::uint16_t id;
        std::uint32_t isFolder;
    };
    const Case cases[] = {
        {{7}, true, 0, 7, 1},
        {{7, 0x1001}, true, 340, 0x1001, 0},
        {{7, 0x2000}, true, 0, 0x2000, 1},
        {{8}, false, 0, 0, 0},
        {{7, 0x1002}, false, 0, 0, 0},
        {{7, 0x1001, 1}, false, 0, 0, 0}, // below a file
        {{0x1001}, false, 0, 0, 0},       // paths start at the master folder
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.path));
        ASSERT_EQ(selectPath(h, c.path, fcp) != 0, c.found);
        if (c.found) {
            FcpView view = viewOf(fcp);
            EXPECT_EQ(view.length, c.length);
            EXPECT_EQ(view.id, c.id);
            EXPECT_EQ(view.isFolder, c.isFolder);
        }
    }
    EXPECT_EQ(rtSelectByPath(h, nullptr, 1, 1, 0), 0u);
    EXPECT_EQ(selectPath(h, {7}, 0x7FFFFFF0), 0u) << "an unknown FCP handle";
    rtFCP_RemoveFCP(fcp);
}

TEST_F(TokenTest, ChildEnumerationGivesDirectChildrenInCreationOrderWithAnyIds)
{
    create({}, 7);
    create({}, 0);
    create({}, 0xFFFF, 3);
    create({}, 3);
    create({7}, 0x1001, 10);
    create({7}, 5);
    create({7, 5}, 9, 1);
    create({7}, 0x0001, 0);
    EXPECT_EQ(listChildren(h, {}), (Ids{7, 0, 0xFFFF, 3}));
    EXPECT_EQ(listChildren(h, {7}), (Ids{0x1001, 5, 1}));
    EXPECT_EQ(listChildren(h, {7, 5}), (Ids{9}));
    EXPECT_TRUE(listChildren(h, {3}).empty());
}

TEST_F(TokenTest, ChildStepsMoveTheCurrentFolderIntoFolderChildrenOnly)
{
    create({}, 1);
    create({1}, 2, 4);
    create({1}, 3);
    create({1, 3}, 4, 4);
    ASSERT_NE(selectPath(h, {1}), 0u);
    RT_HANDLE fcp = rtFCP_CreateFCP();
    ASSERT_NE(rtSelectChildFileObject(h, 0, 0, fcp), 0u);
    EXPECT_EQ(viewOf(fcp).id, 2);
    // A file child leaves the folder current: its sibling comes next.
    ASSERT_NE(rtSelectChildFileObject(h, 2, 2, fcp), 0u);
    EXPECT_EQ(viewOf(fcp).id, 3);
    // The folder child became the current folder: its own first child.
    ASSERT_NE(rtSelectChildFileObject(h, 0, 0, fcp), 0u);
    EXPECT_EQ(viewOf(fcp).id, 4);
    EXPECT_EQ(rtSelectChildFileObject(h, 4, 2, fcp), 0u) << "past the last child";
    ASSERT_NE(rtSelectUpperFolder(h, 0), 0u);
    EXPECT_EQ(rtSelectChildFileObject(h, 3, 2, fcp), 0u) << "past the last child of 1";
    EXPECT_EQ(rtSelectChildFileObject(h, 99, 2, fcp), 0u) << "after an ID that is not there";
    EXPECT_EQ(rtSelectChildFileObject(h, 0, 7, fcp), 0u) << "an unknown mode";
    ASSERT_NE(rtSelectUpperFolder(h, 0), 0u);
    EXPECT_EQ(rtSelectUpperFolder(h, 0), 0u) << "the master folder has no parent";
    ASSERT_NE(rtSelectByPath(h, Ids{1, 2}.data(), 2, 1, 0), 0u);
    std::uint32_t got = 0;
    char byte = 0;
    EXPECT_NE(rtReadFile(h, 0, &byte, 1, &got), 0u) << "the selected file is current";
    rtFCP_RemoveFCP(fcp);
}

TEST_F(TokenTest, CreateRefusesDuplicatesAndKeepsAttributes)
{
    create({}, 7);
    ASSERT_NE(rtSelectMF(h, 0), 0u);
    EXPECT_EQ(rtCreateFolder(h, 7, TOOL_ATTRIBUTES, 3), 0u);
    EXPECT_EQ(rtCreateFile(h, 7, 10, TOOL_ATTRIBUTES, 3), 0u);
    EXPECT_EQ(rtCreateFolder(h, 8, nullptr, 3), 0u) << "attributes missing";
    EXPECT_NE(rtCreateFolder(h, 8, nullptr, 0), 0u);
    closeReader(h);
    std::string token = readFileBytes(dir + "/token-1.txt");
    EXPECT_NE(token.find("folder 0x0007 attributes 000102000000010102000000060102000000\n"), std::string::npos)
        << token;
    h = openLoggedIn("KeyToken 0");
    EXPECT_EQ(listChildren(h, {}), (Ids{7, 8}));
}

TEST_F(TokenTest, CreatedFileIsZeroFilledAndCurrent)
{
    create({}, 7);
    ASSERT_NE(rtCreateFile(h, 0x1001, 5, TOOL_ATTRIBUTES, 3), 0u);
    std::uint32_t written = 0;
    ASSERT_NE(rtUpdateFile(h, 1, "ab", 2, &written), 0u);
    EXPECT_EQ(readFile(h, {7, 0x1001}), std::string("\0ab\0\0", 5));
    EXPECT_EQ(cli({"read", "KeyToken 0", "7/0x1001"}).out, std::string("\0ab\0\0", 5));
}

TEST_F(TokenTest, ReadsAreBoundsCheckedAndReportWhatTheyRead)
{
    create({}, 7);
    create({7}, 1, 600);
    std::string data;
    for (int i = 0; i < 600; ++i) {
        data += static_cast<char>(i * 7 + 1);
    }
    write({7, 1}, data);
    EXPECT_EQ(readFile(h, {7, 1}, 256), data);
    EXPECT_EQ(readFile(h, {7, 1}, 1000), data);
    ASSERT_NE(selectPath(h, {7, 1}), 0u);
    struct Case {
        std::uint32_t position;
        std::uint32_t count;
        bool ok;
        std::uint32_t got;
    };
    const Case cases[] = {{0, 256, true, 256}, {512, 256, true, 88}, {599, 10, true, 1},
                          {600, 10, true, 0},  {601, 1, false, 0},   {0xFFFFFFFF, 1, false, 0},
                          {0, 0, true, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.position) + "+" + std::to_string(c.count));
        std::string buffer(1024, 'x');
        std::uint32_t got = 12345;
        EXPECT_EQ(rtReadFile(h, c.position, buffer.data(), c.count, &got) != 0, c.ok);
        if (c.ok) {
            EXPECT_EQ(got, c.got);
            EXPECT_EQ(buffer.substr(0, got), data.substr(c.position, got));
            EXPECT_EQ(buffer[got], 'x') << "nothing written past what was read";
        }
    }
    ASSERT_NE(selectPath(h, {7}), 0u);
    std::uint32_t got = 0;
    char buffer[4];
    EXPECT_EQ(rtReadFile(h, 0, buffer, 4, &got), 0u) << "a folder is not read";
}

TEST_F(TokenTest, UpdatesAreBoundsCheckedAndChangeNothingWhenRefused)
{
    create({}, 7);
    create({7}, 1, 8);
    write({7, 1}, "12345678");
    struct Case {
        std::uint32_t position;
        std::string data;
        bool ok;
        std::string after;
    };
    const Case cases[] = {
        {0, "ab", true, "ab345678"}, {6, "yz", true, "ab3456yz"},  {7, "zz", false, "ab3456yz"},
        {9, "", false, "ab3456yz"},  {8, "", true, "ab3456yz"},    {0, "123456789", false, "ab3456yz"},
        {0xFFFFFFFF, "a", false, "ab3456yz"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.position) + " " + c.data);
        ASSERT_NE(selectPath(h, {7, 1}), 0u);
        std::uint32_t written = 0;
        EXPECT_EQ(rtUpdateFile(h, c.position, c.data.data(), static_cast<std::uint32_t>(c.data.size()),
                               &written) != 0,
                  c.ok);
        EXPECT_EQ(readFile(h, {7, 1}), c.after);
    }
    ASSERT_NE(selectPath(h, {7}), 0u);
    std::uint32_t written = 0;
    EXPECT_EQ(rtUpdateFile(h, 0, "a", 1, &written), 0u) << "a folder is not a file";
}

TEST_F(TokenTest, DeleteRemovesFilesAndEmptyFoldersOnly)
{
    create({}, 7);
    create({7}, 1, 4);
    ASSERT_NE(selectPath(h, {7}), 0u);
    EXPECT_EQ(rtDeleteCurrentFileObject(h), 0u) << "a folder that has children";
    ASSERT_NE(selectPath(h, {7, 1}), 0u);
    EXPECT_NE(rtDeleteCurrentFileObject(h), 0u);
    EXPECT_EQ(selectPath(h, {7, 1}), 0u);
    EXPECT_TRUE(listChildren(h, {7}).empty());
    ASSERT_NE(selectPath(h, {7}), 0u);
    EXPECT_NE(rtDeleteCurrentFileObject(h), 0u);
    EXPECT_TRUE(listChildren(h, {}).empty());
    ASSERT_NE(rtSelectMF(h, 0), 0u);
    EXPECT_EQ(rtDeleteCurrentFileObject(h), 0u) << "the master folder";
    EXPECT_EQ(cli({"tree", "KeyToken 0"}).out, "/\n");
}

TEST_F(TokenTest, ObjectRemovedBehindTheHandleFailsCleanly)
{
    create({}, 7);
    create({7}, 1, 4);
    rtUnlock(h); // let the CLI change the token
    ASSERT_NE(selectPath(h, {7, 1}), 0u);
    cli({"rm", "KeyToken 0", "7/1"});
    char buffer[4];
    std::uint32_t got = 0;
    EXPECT_EQ(rtReadFile(h, 0, buffer, 4, &got), 0u);
    EXPECT_EQ(rtUpdateFile(h, 0, "abcd", 4, &got), 0u);
    EXPECT_EQ(rtDeleteCurrentFileObject(h), 0u);
    ASSERT_NE(selectPath(h, {7}), 0u) << "the rest of the token still works";
    EXPECT_TRUE(listChildren(h, {7}).empty());
}

// Free memory: 32 bytes per object below the master folder plus each file's size.
TEST_F(StoreTest, FreeMemoryShrinksByWhatObjectsTakeAndCreatingBeyondItFails)
{
    cli({"add", "KeyToken 0", "--memory", "200"});
    RT_HANDLE h = openLoggedIn("KeyToken 0");
    std::uint32_t free = 0;
    auto freeNow = [&] {
        EXPECT_NE(rtGetTokenFreeMemory(h, &free), 0u);
        return free;
    };
    EXPECT_EQ(freeNow(), 200u);
    ASSERT_NE(rtSelectMF(h, 0), 0u);
    ASSERT_NE(rtCreateFolder(h, 7, TOOL_ATTRIBUTES, 3), 0u);
    EXPECT_EQ(freeNow(), 168u);
    ASSERT_NE(rtCreateFile(h, 1, 100, TOOL_ATTRIBUTES, 3), 0u);
    EXPECT_EQ(freeNow(), 36u);
    ASSERT_NE(rtSelectByPath(h, std::vector<std::uint16_t>{7}.data(), 1, 1, 0), 0u);
    EXPECT_EQ(rtCreateFile(h, 2, 5, TOOL_ATTRIBUTES, 3), 0u) << "37 bytes needed, 36 free";
    ASSERT_NE(rtCreateFile(h, 2, 4, TOOL_ATTRIBUTES, 3), 0u) << "exactly what is free";
    EXPECT_EQ(freeNow(), 0u);
    ASSERT_NE(rtSelectByPath(h, std::vector<std::uint16_t>{7}.data(), 1, 1, 0), 0u);
    EXPECT_EQ(rtCreateFolder(h, 3, TOOL_ATTRIBUTES, 3), 0u);
    ASSERT_NE(rtSelectByPath(h, std::vector<std::uint16_t>{7, 1}.data(), 2, 1, 0), 0u);
    ASSERT_NE(rtDeleteCurrentFileObject(h), 0u);
    EXPECT_EQ(freeNow(), 132u);
    EXPECT_EQ(cli({"list"}).out, "0\tKeyToken 0\t0x00000001\t200\t132\n");
    closeReader(h);
}
