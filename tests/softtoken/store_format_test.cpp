// The store's text files: what the formatter writes parses back the same,
// and damaged or hand-edited files are refused with StoreError, never a
// crash.
#include "faults_format.h"
#include "store_format.h"

#include <gtest/gtest.h>

using namespace softtoken;

namespace {

Token sampleToken()
{
    Token token;
    token.id = 0xDEADBEEF;
    token.memory = 4096;
    token.pin1 = "with blank";
    token.pin2 = "";
    Object board{7, true, std::string("\x00\x01\x02\x00\x00\x00", 6), {}, {}};
    board.children.push_back(Object{0x1001, false, {}, std::string("\0\xff\n", 3), {}});
    board.children.push_back(Object{0xFFFF, true, {}, {}, {}});
    token.root.children.push_back(board);
    token.root.children.push_back(Object{0, false, {}, {}, {}});
    return token;
}

void expectSameTree(const Object& a, const Object& b)
{
    EXPECT_EQ(a.id, b.id);
    EXPECT_EQ(a.isFolder, b.isFolder);
    EXPECT_EQ(a.attributes, b.attributes);
    EXPECT_EQ(a.data, b.data);
    ASSERT_EQ(a.children.size(), b.children.size());
    for (std::size_t i = 0; i < a.children.size(); ++i) {
        expectSameTree(a.children[i], b.children[i]);
    }
}

const std::string GOOD_HEADER = "softtoken-token 1\nid 0x1\nmemory 1000\npin1 a\npin2 b\n";

} // namespace

TEST(StoreFormat, TokenFileRoundTrips)
{
    Token token = sampleToken();
    std::string text = formatTokenFile(token);
    Token back = parseTokenFile(text);
    EXPECT_EQ(back.id, token.id);
    EXPECT_EQ(back.memory, token.memory);
    EXPECT_EQ(back.pin1, token.pin1);
    EXPECT_EQ(back.pin2, token.pin2);
    expectSameTree(back.root, token.root);
    EXPECT_EQ(formatTokenFile(back), text);
    EXPECT_EQ(usedMemory(back), 4u * OBJECT_OVERHEAD + 3u);
}

TEST(StoreFormat, ReadersAndFaultsFilesRoundTrip)
{
    ReaderList readers;
    readers.nextKey = 9;
    readers.readers = {{"KeyToken 0", "3"}, {"KeyToken  with  blanks", ""}, {"x", "8"}};
    ReaderList back = parseReadersFile(formatReadersFile(readers));
    EXPECT_EQ(back.nextKey, 9u);
    ASSERT_EQ(back.readers.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(back.readers[i].name, readers.readers[i].name);
        EXPECT_EQ(back.readers[i].tokenKey, readers.readers[i].tokenKey);
    }
    FaultList faults;
    faults.nextSerial = 5;
    faults.faults = {{1, "rtLock", 0, false, "", std::nullopt},
                     {4, "rtReadFile", 3, true, "KeyToken 1", std::nullopt},
                     {2, "rtUpdateFile", 0, false, "", 0xFFFFFFFFu},
                     {3, "rtReadFile", 1, false, "KeyToken 0", 0u}};
    FaultList faultsBack = parseFaultsFile(formatFaultsFile(faults));
    EXPECT_EQ(faultsBack.nextSerial, 5u);
    ASSERT_EQ(faultsBack.faults.size(), 4u);
    EXPECT_EQ(describeFault(faultsBack.faults[1]), "rtReadFile nth 3 abort reader KeyToken 1");
    EXPECT_EQ(faultsBack.faults[1].serial, 4u);
    EXPECT_EQ(describeFault(faultsBack.faults[2]), "rtUpdateFile every count 4294967295");
    EXPECT_EQ(faultsBack.faults[3].count, std::optional<std::uint32_t>(0u));
    EXPECT_EQ(describeFault(faultsBack.faults[3]), "rtReadFile nth 1 count 0 reader KeyToken 0");
    EXPECT_FALSE(faultsBack.faults[0].count.has_value());
}

TEST(StoreFormat, DamagedTokenFilesAreRefused)
{
    const std::string cases[] = {
        "",
        "softtoken-token 2\nid 1\nmemory 1\npin1 a\npin2 b\nend\n",
        "softtoken-readers 1\nend\n",
        GOOD_HEADER, // no end
        "softtoken-token 1\nmemory 1000\nid 0x1\npin1 a\npin2 b\nend\n",
        "softtoken-token 1\nid 0x100000000\nmemory 1000\npin1 a\npin2 b\nend\n",
        "softtoken-token 1\nid 1\nmemory 16777217\npin1 a\npin2 b\nend\n",
        GOOD_HEADER + "folder 7 attributes -\nfolder 7 attributes -\nend\n",      // duplicate
        GOOD_HEADER + "file 7/1 attributes - size 0 data -\nend\n",               // no parent
        GOOD_HEADER + "file 7 attributes - size 0 data -\nfile 7/1 attributes - size 0 data -\nend\n",
        GOOD_HEADER + "file 7 attributes - size 2 data 00\nend\n",               // size mismatch
        GOOD_HEADER + "file 7 attributes - size 1 data 0g\nend\n",               // bad hex
        GOOD_HEADER + "file 7 attributes - size 1 data 000\nend\n",              // odd hex
        GOOD_HEADER + "file 7 attributes 0 size 0 data -\nend\n",
        GOOD_HEADER + "file 7 attributes - size 70000 data -\nend\n",
        GOOD_HEADER + "file 7 attributes - size 999 data " + std::string(1998, 'a') + "\nend\n", // over memory
        GOOD_HEADER + "folder attributes -\nend\n",
        GOOD_HEADER + "folder / attributes -\nend\n",
        GOOD_HEADER + "folder 7 attributes - extra\nend\n",
        GOOD_HEADER + "directory 7\nend\n",
        GOOD_HEADER + "end\nfolder 7 attributes -\n",
        GOOD_HEADER + "end\nend\n",
        "softtoken-token 1\nid 1\nmemory 1000\npin1 a\x01\npin2 b\nend\n",
        std::string("softtoken-token 1\nid 1\nmemory 1000\npin1 a\0\npin2 b\nend\n", 53),
    };
    for (const auto& text : cases) {
        SCOPED_TRACE(text.substr(0, 120));
        EXPECT_THROW(parseTokenFile(text), StoreError);
    }
    EXPECT_NO_THROW(parseTokenFile(GOOD_HEADER + "end\n"));
    EXPECT_NO_THROW(parseTokenFile("softtoken-token 1\r\nid 1\r\nmemory 0\r\npin1 \r\npin2 \r\nend\r\n"));
}

TEST(StoreFormat, DamagedReadersAndFaultsFilesAreRefused)
{
    const std::string readers[] = {
        "",
        "softtoken-readers 1\nnext-key 2\nreader 1 A\n",                 // no end
        "softtoken-readers 1\nreader 1 A\nend\n",                        // no next-key
        "softtoken-readers 1\nnext-key 2\nreader 1 A\nreader - A\nend\n", // duplicate name
        "softtoken-readers 1\nnext-key 3\nreader 1 A\nreader 1 B\nend\n", // shared token
        "softtoken-readers 1\nnext-key 2\nreader 2 A\nend\n",             // key not below next
        "softtoken-readers 1\nnext-key 2\nreader 01 A\nend\n",
        "softtoken-readers 1\nnext-key 2\nreader 1 \nend\n",
        "softtoken-readers 1\nnext-key 2\nreader x A\nend\n",
        "softtoken-readers 1\nnext-key 2\nreader 1 " + std::string(256, 'n') + "\nend\n",
    };
    for (const auto& text : readers) {
        SCOPED_TRACE(text.substr(0, 120));
        EXPECT_THROW(parseReadersFile(text), StoreError);
    }
    const std::string faults[] = {
        "",
        "softtoken-faults 1\nnext-serial 2\nfault 1 rtLock every fail\n",
        "softtoken-faults 1\nnext-serial 2\nfault 1 rtNothing every fail\nend\n",
        "softtoken-faults 1\nnext-serial 2\nfault 1 rtLock nth 0 fail\nend\n",
        "softtoken-faults 1\nnext-serial 2\nfault 1 rtLock sometimes fail\nend\n",
        "softtoken-faults 1\nnext-serial 2\nfault 1 rtLock every explode\nend\n",
        "softtoken-faults 1\nnext-serial 2\nfault 1 rtLock every fail for X\nend\n",
        "softtoken-faults 1\nnext-serial 2\nfault 5 rtLock every fail\nend\n",
        // A serial that next-serial does not cover, because that line comes
        // later or is missing: found by fuzzing, once accepted and then
        // written out as a file that was refused.
        "softtoken-faults 1\nfault 5 rtLock every fail\nnext-serial 2\nend\n",
        "softtoken-faults 1\nfault 1 rtLock nth 2 fail reader tReadFile nth 2 count 0\nend\n",
        "softtoken-faults 1\nnext-serial 2\nfault 1 rtLock every count 3\nend\n",
        "softtoken-faults 1\nnext-serial 2\nfault 1 rtReadFile every count\nend\n",
        "softtoken-faults 1\nnext-serial 2\nfault 1 rtReadFile every count x\nend\n",
        "softtoken-faults 1\nnext-serial 2\nfault 1 rtReadFile every count 4294967296\nend\n",
        "softtoken-faults 1\nnext-serial 2\nfault 1 rtReadFile every count 3 abort\nend\n",
    };
    for (const auto& text : faults) {
        SCOPED_TRACE(text);
        EXPECT_THROW(parseFaultsFile(text), StoreError);
    }
}

TEST(StoreFormat, PathsAndNumbers)
{
    EXPECT_EQ(parseIdPath("7/0x1001"), (IdPath{7, 0x1001}));
    EXPECT_EQ(parseIdPath("/0/65535/"), (IdPath{0, 0xFFFF}));
    EXPECT_EQ(parseIdPath(""), IdPath{});
    for (const char* bad : {"65536", "7//1", "0x", "-1", "1a", "0x1g"}) {
        EXPECT_THROW(parseIdPath(bad), StoreError) << bad;
    }
    EXPECT_EQ(formatIdPath({7, 0x1001}), "0x0007/0x1001");
}
