// createFolder, listChildren and deleteObject against the emulator's store.
#include "token_fixture.h"

#include "token/messages.h"

namespace {

using Names = std::vector<std::string>;

class Folders : public TokenStoreTest {
protected:
    void SetUp() override
    {
        TokenStoreTest::SetUp();
        softtoken({"add", "KeyToken 0"});
    }
    std::string ls(const std::string& path = "") {
        return path.empty() ? softtoken({"ls", "KeyToken 0"}) : softtoken({"ls", "KeyToken 0", path});
    }
};

TEST_F(Folders, CreateFolderMakesANewBoardAndLeavesAnExistingOneAlone)
{
    DriverRun created = drive({"mkdir", "7", "0"});
    EXPECT_EQ(created.out, "Created\nmkdir 1\n");
    EXPECT_EQ(created.err, "");
    EXPECT_TRUE(created.leaks.empty());
    EXPECT_EQ(created.calls,
              concat({OPEN_CALLS, {"rtSelectByPath", "rtSelectMF", "rtCreateFolder"}, CLOSE_CALLS}));
    EXPECT_EQ(ls(), "0x0007 dir\n");

    softtoken({"write", "KeyToken 0", "7/0x1001"}, "keep");
    DriverRun existing = drive({"mkdir", "7", "0"});
    EXPECT_EQ(existing.out, "Directory exist\nmkdir 1\n");
    EXPECT_EQ(existing.err, "");
    EXPECT_EQ(existing.calls, concat({OPEN_CALLS, {"rtSelectByPath"}, CLOSE_CALLS}));
    EXPECT_EQ(ls(), "0x0007 dir\n");
    EXPECT_EQ(ls("7"), "0x1001 4\n");

    // A folder inside a board selects the board as its parent.
    DriverRun nested = drive({"mkdir", "7/5", "0"});
    EXPECT_EQ(nested.out, "Created\nmkdir 1\n");
    EXPECT_EQ(nested.calls, concat({OPEN_CALLS, {"rtSelectByPath", "rtSelectByPath", "rtCreateFolder"},
                                    CLOSE_CALLS}));
    EXPECT_EQ(ls("7"), "0x1001 4\n0x0005 dir\n");
}

TEST_F(Folders, CreateFolderFailuresCreateNothing)
{
    struct Case {
        const char* name;
        Names fault;
        const char* path;
        int code;
        const char* message;
    } cases[] = {
        {"master folder not selected", {"fail", "rtSelectMF"}, "7", 13, MSG_NO_WORKING_FOLDER},
        {"parent board missing", {}, "8/5", 13, MSG_NO_WORKING_FOLDER},
        {"create fails", {"fail", "rtCreateFolder"}, "7", 14, MSG_CREATE_FAILED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        softtoken({"fail", "--clear"});
        if (!c.fault.empty()) {
            softtoken(c.fault);
        }
        DriverRun run = drive({"mkdir", c.path, "0"});
        expectRaised(run, c.code, c.message);
        EXPECT_EQ(run.out, raisedLine(c.code, c.message)); // no notice
        softtoken({"fail", "--clear"});
        EXPECT_EQ(ls(), "");
    }
}

TEST_F(Folders, ListChildrenGivesDirectChildrenInTheTokensOrder)
{
    softtoken({"mkdir", "KeyToken 0", "7"});
    softtoken({"write", "KeyToken 0", "7/0x1001", "--size", "340"});
    softtoken({"mkdir", "KeyToken 0", "7/5"});
    softtoken({"write", "KeyToken 0", "7/5/6", "--size", "3"});
    softtoken({"write", "KeyToken 0", "7/2", "--size", "8"});
    softtoken({"mkdir", "KeyToken 0", "9"});
    softtoken({"mkdir", "KeyToken 0", "0"});
    softtoken({"mkdir", "KeyToken 0", "0xFFFF"});
    softtoken({"write", "KeyToken 0", "0x3000", "--size", "1"});
    struct Case {
        const char* path;
        const char* expected;
    } cases[] = {
        {"7", "children 0x1001 0x0005 0x0002\n"},
        {"7/5", "children 0x0006\n"},
        {"9", "children\n"},
        {"-", "children 0x0007 0x0009 0x0000 0xFFFF 0x3000\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        DriverRun run = drive({"children", c.path, "0"});
        EXPECT_EQ(run.out, c.expected);
        EXPECT_EQ(run.err, "");
        EXPECT_TRUE(run.leaks.empty());
    }
}

TEST_F(Folders, ListChildrenStepsBackUpAfterEachFolderChild)
{
    softtoken({"mkdir", "KeyToken 0", "7"});
    softtoken({"mkdir", "KeyToken 0", "7/5"});
    softtoken({"write", "KeyToken 0", "7/0x1001", "--size", "1"});
    DriverRun run = drive({"children", "7", "0"});
    EXPECT_EQ(run.out, "children 0x0005 0x1001\n");
    const Names child = {"rtSelectChildFileObject", "rtFCP_GetFileID", "rtFCP_GetIsFolder"};
    EXPECT_EQ(run.calls, concat({OPEN_CALLS,
                                 {"rtSelectByPath", "rtFCP_CreateFCP"},
                                 child,
                                 {"rtSelectUpperFolder"},
                                 child,
                                 {"rtSelectChildFileObject", "rtFCP_RemoveFCP"},
                                 CLOSE_CALLS}));

    DriverRun master = drive({"children", "-", "0"});
    EXPECT_EQ(master.out, "children 0x0007\n");
    EXPECT_EQ(master.calls, concat({OPEN_CALLS,
                                    {"rtSelectMF", "rtFCP_CreateFCP"},
                                    child,
                                    {"rtSelectUpperFolder", "rtSelectChildFileObject",
                                     "rtFCP_RemoveFCP"},
                                    CLOSE_CALLS}));
}

TEST_F(Folders, ListChildrenOfAFolderThatCannotBeSelected)
{
    softtoken({"mkdir", "KeyToken 0", "7"});
    struct Case {
        const char* name;
        Names fault;
        const char* path;
        Names tail;
    } cases[] = {
        {"missing board", {}, "8", {"rtSelectByPath"}},
        {"selection fails", {"fail", "rtSelectByPath"}, "7", {"rtSelectByPath"}},
        {"master folder fails", {"fail", "rtSelectMF"}, "-", {"rtSelectMF"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        softtoken({"fail", "--clear"});
        if (!c.fault.empty()) {
            softtoken(c.fault);
        }
        DriverRun run = drive({"children", c.path, "0"});
        expectRaised(run, 13, MSG_NO_WORKING_FOLDER);
        // No FCP was created, so none is removed.
        EXPECT_EQ(run.calls, concat({OPEN_CALLS, c.tail, CLOSE_CALLS}));
    }
}

TEST_F(Folders, DeleteObjectRemovesFilesAndEmptyFolders)
{
    softtoken({"mkdir", "KeyToken 0", "7"});
    softtoken({"write", "KeyToken 0", "7/0x1001", "--size", "340"});
    softtoken({"write", "KeyToken 0", "7/2", "--size", "1"});

    DriverRun file = drive({"delete", "7/0x1001", "0"});
    EXPECT_EQ(file.out, "delete 1\n");
    EXPECT_EQ(file.err, "");
    EXPECT_EQ(file.calls,
              concat({OPEN_CALLS, {"rtSelectByPath", "rtDeleteCurrentFileObject"}, CLOSE_CALLS}));
    EXPECT_EQ(ls("7"), "0x0002 1\n");

    // The library refuses a folder that still has children.
    expectRaised(drive({"delete", "7", "0"}), 12, MSG_DELETE_FAILED);
    EXPECT_EQ(ls(), "0x0007 dir\n");

    softtoken({"rm", "KeyToken 0", "7/2"});
    EXPECT_EQ(drive({"delete", "7", "0"}).out, "delete 1\n");
    EXPECT_EQ(ls(), "");
}

TEST_F(Folders, DeleteObjectFailures)
{
    softtoken({"mkdir", "KeyToken 0", "7"});
    softtoken({"write", "KeyToken 0", "7/0x1001", "--size", "340"});
    struct Case {
        const char* name;
        Names fault;
        const char* path;
        int code;
        const char* message;
    } cases[] = {
        {"missing file", {}, "7/0x1002", 9, MSG_NOT_FOUND},
        {"missing folder", {}, "8", 9, MSG_NOT_FOUND},
        {"selection fails", {"fail", "rtSelectByPath"}, "7/0x1001", 9, MSG_NOT_FOUND},
        {"delete fails", {"fail", "rtDeleteCurrentFileObject"}, "7/0x1001", 12, MSG_DELETE_FAILED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        softtoken({"fail", "--clear"});
        if (!c.fault.empty()) {
            softtoken(c.fault);
        }
        expectRaised(drive({"delete", c.path, "0"}), c.code, c.message);
        softtoken({"fail", "--clear"});
        EXPECT_EQ(ls("7"), "0x1001 340\n");
    }
}

} // namespace
