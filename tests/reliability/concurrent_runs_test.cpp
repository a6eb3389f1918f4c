// Several boardtool processes at once on one store: moves over boards that
// share tokens, creates of one board by two processes at once, a
// diagnostics report beside them. The token lock must serialise their
// changes: every run ends with 0 or 1, no file is torn, and the data files
// are what the finished runs imply.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "background_runs.h"
#include "cmdfile/command_file.h"
#include "cmdfile/filler_generator.h"
#include "flows.h"
#include "lock_check.h"
#include "process.h"
#include "store_state.h"
#include "token_messages.h"

namespace {

constexpr int ROUNDS = 3;
constexpr int MOVES = 4;
constexpr std::uint16_t SHARED_EXISTING = 50;
constexpr int SECONDS_PER_ROUND = 60;

struct Job {
    std::uint32_t fromBoard = 0;
    std::uint32_t toBoard = 0;
    bool diagnostics = false;
};

class ConcurrentRuns : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = makeTempDir("concurrent");
        store = root + "/store";
    }
    void TearDown() override { removeTree(root); }

    void cli(const std::vector<std::string>& args, const std::string& input = "")
    {
        std::vector<std::string> argv = {SOFTTOKEN_EXE, "--dir", store};
        argv.insert(argv.end(), args.begin(), args.end());
        const ProcessResult result = runProcess(argv, root, input);
        ASSERT_EQ(result.exitCode, 0) << args.at(0) << ": " << result.err;
    }

    std::string workFolder(int round, std::size_t index, const Job& job)
    {
        const std::string work =
            root + "/work-" + std::to_string(round) + "-" + std::to_string(index);
        std::filesystem::create_directory(work);
        if (!job.diagnostics) {
            FillerGenerator generator;
            generator.seed(77u + static_cast<std::uint32_t>(index));
            std::FILE* stream = std::fopen((work + "/command.rtn").c_str(), "w");
            EXPECT_NE(stream, nullptr);
            if (stream != nullptr) {
                EXPECT_TRUE(writeCommandFile(stream, job.fromBoard, job.toBoard, generator));
                std::fclose(stream);
            }
        }
        return work;
    }

    std::string root;
    std::string store;
};

std::uint16_t board(int round, int move)
{
    return static_cast<std::uint16_t>(round * 10 + move);
}

std::string sourceBytes(int move)
{
    return patternBytes(500 + 37 * static_cast<std::size_t>(move), 100 + move);
}

std::string lastLogLine(const std::string& work)
{
    const std::string path = work + "/log.txt";
    std::string text = fileExists(path) ? readFileBytes(path) : "";
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    const std::size_t start = text.rfind('\n');
    return start == std::string::npos ? text : text.substr(start + 1);
}

TEST_F(ConcurrentRuns, LockSerialisesMovesAndCreatesOverSharedTokens)
{
    cli({"add", "KeyToken 0"});
    cli({"add", "KeyToken 1"});
    for (int move = 1; move <= MOVES; ++move) {
        const std::string reader = move % 2 == 1 ? "KeyToken 0" : "KeyToken 1";
        cli({"mkdir", reader, std::to_string(move)});
        cli({"write", reader, std::to_string(move) + "/0x1001"}, sourceBytes(move));
    }
    cli({"mkdir", "KeyToken 1", std::to_string(SHARED_EXISTING)});
    cli({"write", "KeyToken 1", std::to_string(SHARED_EXISTING) + "/0x1001"},
        patternBytes(100, 50));
    cli({"mkdir", "KeyToken 0", "900"});
    cli({"write", "KeyToken 0", "900/0x1001"}, patternBytes(200, 900));
    const StoreState original = loadStore(store);
    const std::string zeros(340, '\0');

    for (int round = 1; round <= ROUNDS; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const auto newBoard = static_cast<std::uint16_t>(60 + round);
        std::vector<Job> jobs;
        for (int move = 1; move <= MOVES; ++move) {
            jobs.push_back({board(round - 1, move), board(round, move), false});
        }
        jobs.push_back({0, newBoard, false});
        jobs.push_back({0, SHARED_EXISTING, false});
        jobs.push_back({0, newBoard, false});
        jobs.push_back({0, SHARED_EXISTING, false});
        jobs.push_back({0, 0, true});

        std::vector<std::string> works;
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            works.push_back(workFolder(round, i, jobs[i]));
        }
        std::vector<BackgroundRun> runs;
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            std::vector<std::string> argv = {BOARDTOOL_EXE};
            if (!jobs[i].diagnostics) {
                argv.push_back("command.rtn");
            }
            runs.push_back(startInBackground(argv, works[i], {{"SOFTTOKEN_DIR", store}}));
        }
        const std::vector<ProcessResult> results = waitForAll(runs, SECONDS_PER_ROUND);

        for (std::size_t i = 0; i < jobs.size(); ++i) {
            SCOPED_TRACE("run " + std::to_string(i));
            EXPECT_EQ(results[i].signal, 0);
            EXPECT_TRUE(results[i].exitCode == 0 || results[i].exitCode == 1);
            // Runs wait for each other's token lock, well inside its 5 seconds.
            EXPECT_EQ(results[i].exitCode, 0) << lastLogLine(works[i]) << "\n" << results[i].err;
            if (!jobs[i].diagnostics) {
                EXPECT_EQ(lastLogLine(works[i]), std::string(44, '*'));
            }
        }

        StoreState state;
        ASSERT_NO_THROW(state = loadStore(store)) << "a store file is torn";
        EXPECT_TRUE(tokensThatWillNotLock(store).empty());
        for (int move = 1; move <= MOVES; ++move) {
            SCOPED_TRACE("move " + std::to_string(move));
            const std::uint16_t from = board(round - 1, move);
            const std::uint16_t to = board(round, move);
            EXPECT_EQ(dataFiles(state, to), std::vector<std::string>{sourceBytes(move)});
            EXPECT_EQ(boardCount(state, from), 0);
            EXPECT_EQ(boardCount(state, to), 1);
        }
        // Both creates of the new board found or made one folder, on slot 0.
        EXPECT_EQ(boardCount(state, newBoard), 1);
        EXPECT_EQ(dataFiles(state, newBoard), std::vector<std::string>{zeros});
        EXPECT_EQ(boardCount(state, SHARED_EXISTING), 1);
        EXPECT_EQ(dataFiles(state, SHARED_EXISTING), std::vector<std::string>{zeros});
        // The board no run touches.
        EXPECT_EQ(dataFiles(state, 900), dataFiles(original, 900));
    }
}

} // namespace
