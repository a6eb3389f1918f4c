// The softtoken command-line tool: its commands, their output, and the exit
// codes of usage errors (2) and failures (1), after which nothing changed.
#include "store_fixture.h"

#include <dirent.h>

#include <map>

namespace {

// Every file of the store folder with its bytes.
std::map<std::string, std::string> snapshot(const std::string& dir)
{
    std::map<std::string, std::string> files;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* entry = ::readdir(d)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") {
                files[name] = readFileBytes(dir + "/" + name);
            }
        }
        ::closedir(d);
    }
    return files;
}

} // namespace

class CliTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        cli({"add", "KeyToken 0", "--memory", "1000"});
        cli({"add", "KeyToken 1", "--empty"});
        cli({"mkdir", "KeyToken 0", "7"});
        cli({"write", "KeyToken 0", "7/0x1001"}, 0, "data");
        cli({"mkdir", "KeyToken 0", "7/0x20"});
        cli({"write", "KeyToken 0", "7/0x20/1", "--size", "3"});
    }
};

TEST_F(CliTest, CommandsShowWhatTheyChanged)
{
    EXPECT_EQ(cli({"list"}).out,
              "0\tKeyToken 0\t0x00000001\t1000\t865\n"
              "1\tKeyToken 1\t-\t-\t-\n");
    EXPECT_EQ(cli({"ls", "KeyToken 0"}).out, "0x0007 dir\n");
    EXPECT_EQ(cli({"ls", "KeyToken 0", "7"}).out, "0x1001 4\n0x0020 dir\n");
    EXPECT_EQ(cli({"ls", "KeyToken 0", "0x7/32"}).out, "0x0001 3\n");
    EXPECT_EQ(cli({"tree", "KeyToken 0"}).out, "/\n  0x0007 dir\n    0x1001 4\n    0x0020 dir\n      0x0001 3\n");
    EXPECT_EQ(cli({"read", "KeyToken 0", "7/4097"}).out, "data");
    EXPECT_EQ(cli({"read", "KeyToken 0", "7/0x20/1"}).out, std::string(3, '\0'));
    // Replacing keeps the file's place; bytes go through unchanged.
    std::string binary("\0\xff\r\n\x1a""end", 8);
    cli({"write", "KeyToken 0", "7/0x1001"}, 0, binary);
    EXPECT_EQ(cli({"read", "KeyToken 0", "7/0x1001"}).out, binary);
    EXPECT_EQ(cli({"ls", "KeyToken 0", "7"}).out, "0x1001 8\n0x0020 dir\n");
    cli({"rm", "KeyToken 0", "7/0x20/1"});
    cli({"rm", "KeyToken 0", "7/0x20"});
    EXPECT_EQ(cli({"ls", "KeyToken 0", "7"}).out, "0x1001 8\n");
    cli({"write", "KeyToken 0", "0xFFFF"}, 0, "");
    cli({"mkdir", "KeyToken 0", "0"});
    EXPECT_EQ(cli({"ls", "KeyToken 0", "/"}).out, "0x0007 dir\n0xFFFF 0\n0x0000 dir\n");
    cli({"remove", "KeyToken 0"});
    EXPECT_EQ(cli({"list"}).out, "0\tKeyToken 1\t-\t-\t-\n");
    cli({"add", "KeyToken 0", "--id", "4294967295", "--pin1", "a b", "--pin2", "c"});
    EXPECT_EQ(cli({"list"}).out, "0\tKeyToken 1\t-\t-\t-\n1\tKeyToken 0\t0xFFFFFFFF\t32768\t32768\n");
    EXPECT_EQ(cli({"ls", "KeyToken 0"}).out, "") << "a new token, not the removed one";
}

TEST_F(CliTest, FaultsAreListedAndCleared)
{
    cli({"fail", "rtLock"});
    cli({"fail", "rtUpdateFile", "--nth", "2", "--abort", "--reader", "KeyToken 0"});
    cli({"fail", "rtReadFile", "--count", "0x100", "--nth", "3", "--reader", "KeyToken 1"});
    cli({"fail", "rtUpdateFile", "--count", "0"});
    EXPECT_EQ(cli({"fail", "--list"}).out,
              "rtLock every fail\nrtUpdateFile nth 2 abort reader KeyToken 0\n"
              "rtReadFile nth 3 count 256 reader KeyToken 1\nrtUpdateFile every count 0\n");
    cli({"fail", "--clear"});
    EXPECT_EQ(cli({"fail", "--list"}).out, "");
}

struct BadCommand {
    std::vector<std::string> args;
    int exitCode;
    std::string input;
};

class CliErrorTest : public CliTest, public ::testing::WithParamInterface<BadCommand> {};

TEST_P(CliErrorTest, FailsWithOneMessageAndChangesNothing)
{
    const auto& c = GetParam();
    auto before = snapshot(dir);
    ProcessResult result = cli(c.args, c.exitCode, c.input);
    EXPECT_EQ(result.out, "");
    ASSERT_FALSE(result.err.empty());
    EXPECT_EQ(result.err.rfind("softtoken: ", 0), 0u) << result.err;
    if (c.exitCode == 2) {
        EXPECT_NE(result.err.find("\nusage: softtoken"), std::string::npos) << result.err;
    } else {
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
    }
    EXPECT_EQ(snapshot(dir), before);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliErrorTest,
    ::testing::Values(
        // usage errors
        BadCommand{{}, 2, ""}, BadCommand{{"frobnicate"}, 2, ""}, BadCommand{{"add"}, 2, ""},
        BadCommand{{"add", "X", "--memory"}, 2, ""}, BadCommand{{"add", "X", "--memory", "lots"}, 2, ""},
        BadCommand{{"add", "X", "--memory", "16777217"}, 2, ""}, BadCommand{{"add", "X", "--id", "0x100000000"}, 2, ""},
        BadCommand{{"add", "X", "--empty", "--id", "1"}, 2, ""}, BadCommand{{"add", "X", "--color", "red"}, 2, ""},
        BadCommand{{"add", "X", "Y"}, 2, ""}, BadCommand{{"add", ""}, 2, ""}, BadCommand{{"list", "x"}, 2, ""},
        BadCommand{{"ls"}, 2, ""}, BadCommand{{"ls", "KeyToken 0", "7", "8"}, 2, ""},
        BadCommand{{"ls", "KeyToken 0", "7/x"}, 2, ""}, BadCommand{{"ls", "KeyToken 0", "0x10000"}, 2, ""},
        BadCommand{{"mkdir", "KeyToken 0"}, 2, ""}, BadCommand{{"mkdir", "KeyToken 0", "/"}, 2, ""},
        BadCommand{{"write", "KeyToken 0", "9", "--size", "65536"}, 2, ""},
        BadCommand{{"rm", "KeyToken 0", ""}, 2, ""}, BadCommand{{"fail"}, 2, ""},
        BadCommand{{"fail", "rtNothing"}, 2, ""}, BadCommand{{"fail", "rtLock", "--nth", "0"}, 2, ""},
        BadCommand{{"fail", "rtLock", "--nth", "-1"}, 2, ""}, BadCommand{{"fail", "--clear", "rtLock"}, 2, ""},
        BadCommand{{"fail", "--clear", "--list"}, 2, ""}, BadCommand{{"--dir"}, 2, ""},
        BadCommand{{"fail", "rtLock", "--count", "1"}, 2, ""},
        BadCommand{{"fail", "rtSelectByPath", "--count", "1"}, 2, ""},
        BadCommand{{"fail", "rtReadFile", "--count"}, 2, ""},
        BadCommand{{"fail", "rtReadFile", "--count", "-1"}, 2, ""},
        BadCommand{{"fail", "rtReadFile", "--count", "4294967296"}, 2, ""},
        BadCommand{{"fail", "rtUpdateFile", "--count", "1", "--abort"}, 2, ""},
        BadCommand{{"fail", "--clear", "--count", "1"}, 2, ""},
        // failures
        BadCommand{{"add", "KeyToken 0"}, 1, ""}, BadCommand{{"remove", "KeyToken 9"}, 1, ""},
        BadCommand{{"ls", "KeyToken 9"}, 1, ""}, BadCommand{{"ls", "KeyToken 1"}, 1, ""},
        BadCommand{{"ls", "KeyToken 0", "8"}, 1, ""}, BadCommand{{"ls", "KeyToken 0", "7/0x1001"}, 1, ""},
        BadCommand{{"tree", "KeyToken 1"}, 1, ""}, BadCommand{{"mkdir", "KeyToken 0", "8/1"}, 1, ""},
        BadCommand{{"mkdir", "KeyToken 0", "7"}, 1, ""}, BadCommand{{"mkdir", "KeyToken 0", "7/0x1001/1"}, 1, ""},
        BadCommand{{"write", "KeyToken 0", "8/1"}, 1, "x"}, BadCommand{{"write", "KeyToken 0", "7/0x20"}, 1, "x"},
        BadCommand{{"write", "KeyToken 0", "7/2"}, 1, std::string(65536, 'x')},
        BadCommand{{"write", "KeyToken 0", "7/2", "--size", "900"}, 1, ""},
        BadCommand{{"write", "KeyToken 0", "7/0x1001", "--size", "890"}, 1, ""},
        BadCommand{{"read", "KeyToken 0", "7"}, 1, ""}, BadCommand{{"read", "KeyToken 0", "7/2"}, 1, ""},
        BadCommand{{"rm", "KeyToken 0", "7"}, 1, ""}, BadCommand{{"rm", "KeyToken 0", "7/2"}, 1, ""},
        BadCommand{{"rm", "KeyToken 1", "7"}, 1, ""}));

TEST_F(CliTest, FileThatFillsFreeMemoryExactlyFits)
{
    // 865 free; replacing the 4-byte file frees 36 more.
    cli({"write", "KeyToken 0", "7/0x1001", "--size", "869"});
    EXPECT_EQ(cli({"list"}).out, "0\tKeyToken 0\t0x00000001\t1000\t0\n1\tKeyToken 1\t-\t-\t-\n");
}

TEST_F(StoreTest, StoreFolderComesFromTheEnvironmentUnlessDirIsGiven)
{
    std::string other = root + "/other";
    ProcessResult added = runProcess({SOFTTOKEN_EXE, "add", "KeyToken E"}, root, "", {{"SOFTTOKEN_DIR", other}});
    EXPECT_EQ(added.exitCode, 0) << added.err;
    EXPECT_TRUE(fileExists(other + "/readers.txt"));
    EXPECT_EQ(cli({"list"}).out, "") << "--dir overrides SOFTTOKEN_DIR";
    ProcessResult fallback = runProcess({SOFTTOKEN_EXE, "list"}, root, "",
                                        {{"SOFTTOKEN_DIR", ""}, {"XDG_DATA_HOME", root + "/xdg"}});
    EXPECT_EQ(fallback.exitCode, 0);
    runProcess({SOFTTOKEN_EXE, "add", "KeyToken X"}, root, "", {{"SOFTTOKEN_DIR", ""}, {"XDG_DATA_HOME", root + "/xdg"}});
    EXPECT_TRUE(fileExists(root + "/xdg/softtoken/readers.txt"));
}
