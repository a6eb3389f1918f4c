// readDataFile and writeDataFile against the emulator's store.
#include "token_fixture.h"

#include "token/messages.h"

#include <ostream>

namespace {

using Names = std::vector<std::string>;

// The counts asked for by each rtReadFile call of a trace, with the
// positions they were asked at.
struct ReadCall {
    unsigned long position;
    unsigned long count;
    bool operator==(const ReadCall&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const ReadCall& call)
    {
        return out << "{" << call.position << ", " << call.count << "}";
    }
};

std::vector<std::string> argumentsOf(const std::string& line)
{
    std::vector<std::string> args;
    std::size_t open = line.find('(');
    std::size_t close = line.rfind(')');
    std::string inner = line.substr(open + 1, close - open - 1);
    std::size_t start = 0;
    while (start <= inner.size()) {
        std::size_t comma = inner.find(',', start);
        if (comma == std::string::npos) {
            comma = inner.size();
        }
        std::string arg = inner.substr(start, comma - start);
        arg.erase(0, arg.find_first_not_of(' '));
        args.push_back(arg);
        start = comma + 1;
    }
    return args;
}

std::vector<ReadCall> readCalls(const DriverRun& run)
{
    std::vector<ReadCall> reads;
    for (const auto& line : run.trace) {
        if (line.rfind("rtReadFile(", 0) == 0) {
            auto args = argumentsOf(line);
            reads.push_back({std::stoul(args.at(1), nullptr, 0), std::stoul(args.at(3), nullptr, 0)});
        }
    }
    return reads;
}

class DataFile : public TokenStoreTest {
protected:
    void SetUp() override
    {
        TokenStoreTest::SetUp();
        softtoken({"add", "KeyToken 0"});
        softtoken({"mkdir", "KeyToken 0", "7"});
    }

    std::string fileOnToken(const std::string& path) { return softtoken({"read", "KeyToken 0", path}); }
};

TEST_F(DataFile, ReadGoesInChunksOfAtMost256Bytes)
{
    struct Case {
        std::size_t fileSize;
        const char* capacity;
        std::size_t expected;
        std::vector<ReadCall> reads;
    } cases[] = {
        {600, "20479", 600, {{0, 256}, {256, 256}, {512, 88}}},
        {256, "20479", 256, {{0, 256}}},
        {1, "20479", 1, {{0, 1}}},
        {0, "20479", 0, {}},
        // A file longer than the buffer gives exactly the capacity.
        {600, "300", 300, {{0, 256}, {256, 44}}},
        {340, "256", 256, {{0, 256}}},
        {340, "0", 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.fileSize) + " bytes, capacity " + c.capacity);
        std::string content = patternBytes(c.fileSize);
        softtoken({"write", "KeyToken 0", "7/0x1001"}, content);
        DriverRun run = drive({"read", "7/0x1001", "0", c.capacity});
        EXPECT_EQ(run.exitCode, 0) << run.out;
        EXPECT_EQ(run.out, "read " + std::to_string(c.expected) + " " +
                               toHex(content.substr(0, c.expected)) + " tail-clean\n");
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(readCalls(run), c.reads);
        EXPECT_TRUE(run.leaks.empty());
    }
}

TEST_F(DataFile, ReadCallOrderRemovesTheFcpBeforeClosingTheToken)
{
    softtoken({"write", "KeyToken 0", "7/0x1001"}, patternBytes(300));
    DriverRun run = drive({"read", "7/0x1001", "0", "20479"});
    EXPECT_EQ(run.calls, concat({OPEN_CALLS,
                                 {"rtFCP_CreateFCP", "rtSelectByPath", "rtFCP_GetFileLength",
                                  "rtReadFile", "rtReadFile", "rtFCP_RemoveFCP"},
                                 CLOSE_CALLS}));
}

TEST_F(DataFile, ReadFailures)
{
    softtoken({"write", "KeyToken 0", "7/0x1001"}, patternBytes(600));
    softtoken({"write", "KeyToken 0", "7/0x20"}, "");
    softtoken({"add", "KeyToken 1", "--empty"});
    struct Case {
        const char* name;
        Names fault;
        const char* path;
        const char* slot;
        int code;
        const char* message;
        Names tail; // calls after the open, up to the close
    } cases[] = {
        {"missing file", {}, "7/0x1002", "0", 9, MSG_NOT_FOUND,
         {"rtFCP_CreateFCP", "rtSelectByPath", "rtFCP_RemoveFCP"}},
        {"missing board", {}, "8/0x1001", "0", 9, MSG_NOT_FOUND,
         {"rtFCP_CreateFCP", "rtSelectByPath", "rtFCP_RemoveFCP"}},
        {"selection fails", {"fail", "rtSelectByPath"}, "7/0x1001", "0", 9, MSG_NOT_FOUND,
         {"rtFCP_CreateFCP", "rtSelectByPath", "rtFCP_RemoveFCP"}},
        {"second chunk fails", {"fail", "rtReadFile", "--nth", "2"}, "7/0x1001", "0", 10,
         MSG_READ_FAILED,
         {"rtFCP_CreateFCP", "rtSelectByPath", "rtFCP_GetFileLength", "rtReadFile", "rtReadFile",
          "rtFCP_RemoveFCP"}},
        // Without the file's length a non-empty file would read as 0 bytes.
        // There is no FCP to remove when none was created.
        {"no FCP", {"fail", "rtFCP_CreateFCP"}, "7/0x1001", "0", 10, MSG_READ_FAILED,
         {"rtFCP_CreateFCP", "rtSelectByPath"}},
        {"no FCP, missing file", {"fail", "rtFCP_CreateFCP"}, "7/0x1002", "0", 9, MSG_NOT_FOUND,
         {"rtFCP_CreateFCP", "rtSelectByPath"}},
        {"length not reported", {"fail", "rtFCP_GetFileLength"}, "7/0x1001", "0", 10,
         MSG_READ_FAILED, {"rtFCP_CreateFCP", "rtSelectByPath", "rtFCP_GetFileLength", "rtFCP_RemoveFCP"}},
        {"length of an empty file not reported", {"fail", "rtFCP_GetFileLength"}, "7/0x20", "0", 10,
         MSG_READ_FAILED, {"rtFCP_CreateFCP", "rtSelectByPath", "rtFCP_GetFileLength", "rtFCP_RemoveFCP"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        softtoken({"fail", "--clear"});
        if (!c.fault.empty()) {
            softtoken(c.fault);
        }
        DriverRun run = drive({"read", c.path, c.slot, "20479"});
        expectRaised(run, c.code, c.message);
        EXPECT_EQ(run.calls, concat({OPEN_CALLS, c.tail, CLOSE_CALLS}));
    }
    // The open's own failures pass out unchanged.
    softtoken({"fail", "--clear"});
    expectRaised(drive({"read", "7/0x1001", "1", "20479"}), 6, MSG_TOKEN_FAULTY);
    expectRaised(drive({"read", "7/0x1001", "2", "20479"}), 5, MSG_NO_SUCH_TOKEN);
}

// A chunk read that succeeds but reports no bytes would never reach the
// end; one that reports more than asked would move past what was copied.
// Either is a read failure, raised at that chunk. Each driver run has a
// time limit, so a read that loops fails instead of hanging.
TEST_F(DataFile, ChunkReadReportingNoBytesOrMoreThanAskedIsAReadFailure)
{
    softtoken({"write", "KeyToken 0", "7/0x1001"}, patternBytes(600));
    struct Case {
        const char* name;
        Names fault; // `softtoken fail rtReadFile --count N ...`
        std::vector<ReadCall> reads;
    } cases[] = {
        {"every chunk reports 0", {"--count", "0"}, {{0, 256}}},
        {"second chunk reports 0", {"--count", "0", "--nth", "2"}, {{0, 256}, {256, 256}}},
        {"last chunk reports 0", {"--count", "0", "--nth", "3"}, {{0, 256}, {256, 256}, {512, 88}}},
        {"first chunk reports 257", {"--count", "257"}, {{0, 256}}},
        {"last chunk reports 89 of 88", {"--count", "89", "--nth", "3"},
         {{0, 256}, {256, 256}, {512, 88}}},
        {"a chunk reports the largest count", {"--count", "0xFFFFFFFF", "--nth", "2"},
         {{0, 256}, {256, 256}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        softtoken({"fail", "--clear"});
        softtoken(concat({{"fail", "rtReadFile"}, c.fault}));
        DriverRun run = drive({"read", "7/0x1001", "0", "20479"});
        expectRaised(run, 10, MSG_READ_FAILED);
        EXPECT_EQ(readCalls(run), c.reads);
        Names tail = {"rtFCP_CreateFCP", "rtSelectByPath", "rtFCP_GetFileLength"};
        tail.insert(tail.end(), c.reads.size(), "rtReadFile");
        tail.push_back("rtFCP_RemoveFCP");
        EXPECT_EQ(run.calls, concat({OPEN_CALLS, tail, CLOSE_CALLS}));
    }
}

// A chunk that reports fewer bytes than asked, but some, is read on from
// where it stopped: the copy is still whole and exact.
TEST_F(DataFile, ShortChunkReportsAreReadOnFromWhereTheyStopped)
{
    std::string content = patternBytes(600);
    softtoken({"write", "KeyToken 0", "7/0x1001"}, content);
    softtoken({"fail", "rtReadFile", "--count", "100"});
    DriverRun run = drive({"read", "7/0x1001", "0", "20479"});
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out, "read 600 " + toHex(content) + " tail-clean\n");
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(run.leaks.empty());
    EXPECT_EQ(readCalls(run), (std::vector<ReadCall>{
                                  {0, 256}, {100, 256}, {200, 256}, {300, 256}, {400, 200}, {500, 100}}));
}

TEST_F(DataFile, AFailedReadWritesItsLineBeforeAnyHandleIsReleased)
{
    softtoken({"write", "KeyToken 0", "7/0x1001"}, patternBytes(600));
    softtoken({"fail", "rtReadFile", "--nth", "2"});
    Names lines = driveMerged({"read", "7/0x1001", "0", "20479"});
    EXPECT_EQ(lines, concat({OPEN_CALLS,
                             {"rtFCP_CreateFCP", "rtSelectByPath", "rtFCP_GetFileLength",
                              "rtReadFile", "rtReadFile",
                              std::string("ERROR: ") + MSG_READ_FAILED, "rtFCP_RemoveFCP"},
                             CLOSE_CALLS}));
}

TEST_F(DataFile, WriteReplacesAFileOfAnySizeWithExactlyTheNewBytes)
{
    struct Case {
        const char* name;
        int oldSize; // -1: no old file
        std::string data;
    } cases[] = {
        {"none to 340 zeros", -1, std::string(340, '\0')},
        {"empty to 340 zeros", 0, std::string(340, '\0')},
        {"smaller to 340 zeros", 100, std::string(340, '\0')},
        {"same size", 340, std::string(340, '\0')},
        {"larger to 340 zeros", 1000, std::string(340, '\0')},
        {"340 to 600 bytes", 340, patternBytes(600)},
        {"600 to 5 bytes", 600, patternBytes(5)},
        {"to empty", 50, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        softtokenRaw({"rm", "KeyToken 0", "7/0x1001"});
        if (c.oldSize >= 0) {
            softtoken({"write", "KeyToken 0", "7/0x1001"}, std::string(c.oldSize, 'x'));
        }
        DriverRun run = drive({"write", "7/0x1001", "0"}, c.data);
        EXPECT_EQ(run.out, "write 1\n");
        EXPECT_EQ(run.err, "");
        EXPECT_TRUE(run.leaks.empty());
        EXPECT_EQ(fileOnToken("7/0x1001"), c.data);
        EXPECT_EQ(softtoken({"ls", "KeyToken 0", "7"}),
                  "0x1001 " + std::to_string(c.data.size()) + "\n");
        Names middle = {"rtSelectByPath", "rtSelectByPath", "rtCreateFile", "rtSelectByPath",
                        "rtUpdateFile"};
        if (c.oldSize >= 0) {
            middle.insert(middle.begin() + 1, "rtDeleteCurrentFileObject");
        }
        EXPECT_EQ(run.calls, concat({OPEN_CALLS, middle, CLOSE_CALLS}));
    }
}

TEST_F(DataFile, WriteOfAFileInTheMasterFolderSelectsItAsParent)
{
    DriverRun run = drive({"write", "0x2000", "0"}, "abc");
    EXPECT_EQ(run.out, "write 1\n");
    EXPECT_EQ(fileOnToken("0x2000"), "abc");
    EXPECT_EQ(run.calls, concat({OPEN_CALLS,
                                 {"rtSelectByPath", "rtSelectMF", "rtCreateFile", "rtSelectByPath",
                                  "rtUpdateFile"},
                                 CLOSE_CALLS}));
}

TEST_F(DataFile, WriteFailuresAndWhatTheyLeave)
{
    struct Case {
        const char* name;
        Names fault;
        const char* path;
        int code;
        const char* message;
        const char* lsBoard; // `ls KeyToken 0 7` afterwards
    } cases[] = {
        // The old file is 10 bytes; the new data is 20.
        {"board folder missing", {}, "8/0x1001", 13, MSG_NO_WORKING_FOLDER, "0x1001 10\n"},
        {"old file not deleted", {"fail", "rtDeleteCurrentFileObject"}, "7/0x1001", 12,
         MSG_DELETE_FAILED, "0x1001 10\n"},
        {"parent not selected", {"fail", "rtSelectByPath", "--nth", "2"}, "7/0x1001", 13,
         MSG_NO_WORKING_FOLDER, ""},
        {"file not created", {"fail", "rtCreateFile"}, "7/0x1001", 14, MSG_CREATE_FAILED, ""},
        {"new file not selected", {"fail", "rtSelectByPath", "--nth", "3"}, "7/0x1001", 14,
         MSG_CREATE_FAILED, "0x1001 20\n"},
        {"update fails", {"fail", "rtUpdateFile"}, "7/0x1001", 10, MSG_WRITE_FAILED,
         "0x1001 20\n"},
        // A write reported as partial is a failure, whatever was written.
        {"update reports nothing written", {"fail", "rtUpdateFile", "--count", "0"}, "7/0x1001", 10,
         MSG_WRITE_FAILED, "0x1001 20\n"},
        {"update reports one byte short", {"fail", "rtUpdateFile", "--count", "19"}, "7/0x1001", 10,
         MSG_WRITE_FAILED, "0x1001 20\n"},
        {"update reports one byte more", {"fail", "rtUpdateFile", "--count", "21"}, "7/0x1001", 10,
         MSG_WRITE_FAILED, "0x1001 20\n"},
        {"update reports 20 + 65536, 20 in 16 bits", {"fail", "rtUpdateFile", "--count", "65556"}, "7/0x1001", 10,
         MSG_WRITE_FAILED, "0x1001 20\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        softtoken({"fail", "--clear"});
        softtoken({"write", "KeyToken 0", "7/0x1001"}, std::string(10, 'o'));
        if (!c.fault.empty()) {
            softtoken(c.fault);
        }
        DriverRun run = drive({"write", c.path, "0"}, std::string(20, 'n'));
        expectRaised(run, c.code, c.message);
        softtoken({"fail", "--clear"});
        EXPECT_EQ(softtoken({"ls", "KeyToken 0", "7"}), c.lsBoard);
        EXPECT_EQ(run.calls.back(), "rtCloseReader");
    }
}

TEST_F(DataFile, UpdateReportingExactlyItsLengthIsASuccess)
{
    softtoken({"fail", "rtUpdateFile", "--count", "20"});
    DriverRun run = drive({"write", "7/0x1001", "0"}, patternBytes(20));
    EXPECT_EQ(run.out, "write 1\n");
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(run.leaks.empty());
    EXPECT_EQ(fileOnToken("7/0x1001"), patternBytes(20));
}

TEST_F(DataFile, WriteIntoAMissingBoardMakesNoDeleteCall)
{
    DriverRun run = drive({"write", "8/0x1001", "0"}, "data");
    expectRaised(run, 13, MSG_NO_WORKING_FOLDER);
    EXPECT_EQ(run.calls, concat({OPEN_CALLS, {"rtSelectByPath", "rtSelectByPath"}, CLOSE_CALLS}));
    EXPECT_EQ(softtokenRaw({"ls", "KeyToken 0", "8"}).exitCode, 1);
}

} // namespace
