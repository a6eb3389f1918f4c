#include "cmdfile/command_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cmdfile/group_codec.h"
#include "log/log.h"
#include "platform_text.h"
#include "process.h"

namespace {

const char* const WORKED_BODY = "770683760906972520839129663383962088906306999756";

// Writes a body into memory through a temporary stream.
std::string writeBody(std::uint32_t fromBoard, std::uint32_t toBoard, FillerGenerator& generator)
{
    std::FILE* stream = std::tmpfile();
    EXPECT_NE(stream, nullptr);
    EXPECT_TRUE(writeCommandFile(stream, fromBoard, toBoard, generator));
    std::rewind(stream);
    std::string body;
    for (int c = std::fgetc(stream); c != EOF; c = std::fgetc(stream)) {
        body.push_back(static_cast<char>(c));
    }
    std::fclose(stream);
    return body;
}

// Decodes a body group by group; nothing when a group fails.
std::optional<BoardPair> decodeBody(const std::string& body)
{
    BoardPair pair;
    std::uint32_t place = 1000;
    for (std::size_t group = 0; group < 8; ++group) {
        const auto digit = decodeGroup(std::string_view(body).substr(group * 6, 6));
        if (!digit) {
            return std::nullopt;
        }
        (group % 2 == 0 ? pair.fromBoard : pair.toBoard) += *digit * place;
        if (group % 2 == 1) {
            place /= 10;
        }
    }
    return pair;
}

// Each test runs in its own empty working folder, where log.txt lands.
class CommandFileInFolder : public testing::Test {
protected:
    void SetUp() override
    {
        previous_ = std::filesystem::current_path();
        folder_ = makeTempDir("cmdfile");
        std::filesystem::current_path(folder_);
        logLevel = 10;
    }
    void TearDown() override
    {
        std::filesystem::current_path(previous_);
        removeTree(folder_);
    }
    std::string log() const { return readFileBytes(folder_ + "/log.txt"); }

    std::filesystem::path previous_;
    std::string folder_;
};

} // namespace

TEST(WriteCommandFile, WorkedExampleBodyByteForByteWithSixteenDraws)
{
    FillerGenerator generator;
    generator.seed(1000000000u);
    EXPECT_EQ(writeBody(12, 345, generator), WORKED_BODY);

    FillerGenerator reference;
    reference.seed(1000000000u);
    for (int i = 0; i < 16; ++i) {
        reference.next();
    }
    EXPECT_EQ(generator.state, reference.state);
}

TEST(WriteCommandFile, EveryWrittenFileReadsBackAsWritten)
{
    std::vector<BoardPair> pairs = {{0, 9999}, {9999, 0}, {12, 345}, {9090, 909}};
    for (std::uint32_t d = 0; d <= 9; ++d) {
        pairs.push_back({d * 1111, (9 - d) * 1111});
    }
    for (std::uint32_t seed = 0; seed < 2000; ++seed) {
        for (const BoardPair& pair : pairs) {
            FillerGenerator generator;
            generator.seed(seed * 2654435761u);
            const std::string body = writeBody(pair.fromBoard, pair.toBoard, generator);
            ASSERT_EQ(body.size(), 48u);
            ASSERT_EQ(body.find_first_not_of("0123456789"), std::string::npos) << body;
            const auto read = decodeBody(body);
            ASSERT_TRUE(read.has_value()) << "seed " << seed << ": " << body;
            ASSERT_EQ(read->fromBoard, pair.fromBoard) << "seed " << seed << ": " << body;
            ASSERT_EQ(read->toBoard, pair.toBoard) << "seed " << seed << ": " << body;
        }
    }
}

// A group that would not read back is drawn again: the next high filler,
// then the next low filler, and the following groups go on from there.
TEST(WriteCommandFile, UnreadableGroupIsRedrawnHighThenLow)
{
    int found = 0;
    for (std::uint32_t seed = 0; seed < 200000 && found < 3; ++seed) {
        FillerGenerator draws;
        draws.seed(seed);
        std::uint32_t d[8];
        for (auto& draw : d) {
            draw = draws.next() % 100;
        }
        // (0, 9999): group 1 carries 0 and reads back, group 2 carries 9
        // and its first fillers do not, its second ones do.
        if (decodeGroup(encodeGroup(0, d[0], d[1])) != 0u ||
            decodeGroup(encodeGroup(9, d[2], d[3])) == 9u ||
            decodeGroup(encodeGroup(9, d[4], d[5])) != 9u) {
            continue;
        }
        ++found;
        FillerGenerator generator;
        generator.seed(seed);
        const std::string body = writeBody(0, 9999, generator);
        EXPECT_EQ(body.substr(0, 6), encodeGroup(0, d[0], d[1]));
        EXPECT_EQ(body.substr(6, 6), encodeGroup(9, d[4], d[5]));
        if (decodeGroup(encodeGroup(0, d[6], d[7])) == 0u) {
            EXPECT_EQ(body.substr(12, 6), encodeGroup(0, d[6], d[7]));
        }
    }
    EXPECT_EQ(found, 3);
}

TEST(WriteCommandFile, SameSeedSameFileOtherSeedOtherGroupsSameNumbers)
{
    FillerGenerator a;
    FillerGenerator b;
    FillerGenerator c;
    a.seed(42);
    b.seed(42);
    c.seed(43);
    const std::string first = writeBody(1234, 5678, a);
    EXPECT_EQ(first, writeBody(1234, 5678, b));
    const std::string other = writeBody(1234, 5678, c);
    EXPECT_NE(first, other);
    const auto read = decodeBody(other);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->fromBoard, 1234u);
    EXPECT_EQ(read->toBoard, 5678u);
}

TEST(WriteCommandFile, ReportsAStreamThatRefusesWrites)
{
    const std::string folder = makeTempDir("cmdfile");
    writeFileBytes(folder + "/readonly", "");
    std::FILE* stream = std::fopen((folder + "/readonly").c_str(), "r");
    ASSERT_NE(stream, nullptr);
    FillerGenerator generator;
    generator.seed(1);
    EXPECT_FALSE(writeCommandFile(stream, 12, 345, generator));
    std::fclose(stream);
    removeTree(folder);
}

TEST_F(CommandFileInFolder, ReadsWorkedExampleAndLogsThePair)
{
    // Any name will do, and what follows the 48th character is ignored.
    writeFileBytes("any name.txt", std::string(WORKED_BODY) + "\nrest of the file");
    const auto pair = readCommandFile("any name.txt");
    ASSERT_TRUE(pair.has_value());
    EXPECT_EQ(pair->fromBoard, 12u);
    EXPECT_EQ(pair->toBoard, 345u);
    EXPECT_EQ(log(), platformText("fromBoard=12, toBoard=345\n"));
}

TEST_F(CommandFileInFolder, MissingFileIsLogged)
{
    EXPECT_FALSE(readCommandFile("nothing.rtn").has_value());
    EXPECT_EQ(log(), platformText("File not found!!!\n"));
}

TEST_F(CommandFileInFolder, ShortOrMalformedFilesAreRejected)
{
    const std::string body = WORKED_BODY;
    const std::vector<std::string> contents = {
        "",
        "7",
        body.substr(0, 5),
        body.substr(0, 6),
        body.substr(0, 42),
        body.substr(0, 47),
        // A bad group after good ones.
        body.substr(0, 12) + "000000" + body.substr(18),
        body.substr(0, 42) + " 99756",
        // Sine rounded to one, written as zeros, in the last group.
        body.substr(0, 42) + "000000",
    };
    for (const std::string& content : contents) {
        SCOPED_TRACE("content \"" + content + "\"");
        std::filesystem::remove("log.txt");
        writeFileBytes("cmd.rtn", content);
        EXPECT_FALSE(readCommandFile("cmd.rtn").has_value());
        EXPECT_EQ(log(), platformText("Bad file format!!!\n"));
    }
}

TEST_F(CommandFileInFolder, WrittenFileReadsBackThroughTheReader)
{
    for (const BoardPair pair : {BoardPair{0, 1}, BoardPair{9999, 0}, BoardPair{7, 12}}) {
        FillerGenerator generator;
        generator.seed(pair.fromBoard * 31 + pair.toBoard);
        std::FILE* file = std::fopen("pair.rtn", "w");
        ASSERT_NE(file, nullptr);
        EXPECT_TRUE(writeCommandFile(file, pair.fromBoard, pair.toBoard, generator));
        ASSERT_EQ(std::fclose(file), 0);
        const auto read = readCommandFile("pair.rtn");
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(read->fromBoard, pair.fromBoard);
        EXPECT_EQ(read->toBoard, pair.toBoard);
    }
    EXPECT_EQ(log(), platformText("fromBoard=0, toBoard=1\nfromBoard=9999, toBoard=0\n"
                                  "fromBoard=7, toBoard=12\n"));
}
