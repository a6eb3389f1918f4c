#include "sweep.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "cmdfile/command_file.h"
#include "cmdfile/filler_generator.h"
#include "lock_check.h"
#include "process.h"
#include "store_model.h"
#include "token_messages.h"

namespace {

namespace fs = std::filesystem;

const std::string COMMAND_FILE = "command.rtn";
const std::string HEADER = "************Moving or Creating Board*********\n\n";
const std::string CLOSING_ROW(44, '*');

// "Ошибка токена: ошибка авторизации" (8)
const std::string LOGIN_FAILED = "\xCE\xF8\xE8\xE1\xEA\xE0 \xF2\xEE\xEA\xE5\xED\xE0: "
                                 "\xEE\xF8\xE8\xE1\xEA\xE0 "
                                 "\xE0\xE2\xF2\xEE\xF0\xE8\xE7\xE0\xF6\xE8\xE8";
// "Ошибка токена: не найдено доступного токена" (18)
const std::string NO_TOKEN_AVAILABLE =
    "\xCE\xF8\xE8\xE1\xEA\xE0 \xF2\xEE\xEA\xE5\xED\xE0: \xED\xE5 "
    "\xED\xE0\xE9\xE4\xE5\xED\xEE \xE4\xEE\xF1\xF2\xF3\xEF\xED\xEE\xE3\xEE "
    "\xF2\xEE\xEA\xE5\xED\xE0";

struct RunFolder {
    std::string root;
    std::string store;
    std::string work;
    std::string trace;
};

ProcessResult runSofttoken(const std::string& store, const std::vector<std::string>& args,
                        const std::string& input = "")
{
    std::vector<std::string> argv = {SOFTTOKEN_EXE, "--dir", store};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv, fs::path(store).parent_path().string(), input);
}

std::string logText(const RunFolder& run)
{
    const std::string path = run.work + "/log.txt";
    return fileExists(path) ? readFileBytes(path) : std::string();
}

// Runs boardtool in the run's working folder; returns the process result
// and the part of log.txt this run wrote.
ProcessResult boardtool(const RunFolder& run, const std::vector<std::string>& args, bool traced,
                        std::string& logged, SweepTotals& totals)
{
    const std::size_t before = logText(run).size();
    std::vector<std::string> argv = {BOARDTOOL_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    Environment env = {{"SOFTTOKEN_DIR", run.store}};
    if (traced) {
        env.emplace_back("SOFTTOKEN_TRACE", run.trace);
    }
    ProcessResult result = runProcess(argv, run.work, "", env);
    ++totals.runs;
    logged = logText(run).substr(before);
    return result;
}

std::string lastLine(const std::string& text)
{
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == '\n') {
        --end;
    }
    const std::size_t start = end == 0 ? std::string::npos : text.rfind('\n', end - 1);
    const std::size_t from = start == std::string::npos ? 0 : start + 1;
    return text.substr(from, end - from);
}

std::string decodedLine(const Flow& flow)
{
    return "fromBoard=" + std::to_string(flow.fromBoard) +
           ", toBoard=" + std::to_string(flow.toBoard) + "\n";
}

// The last log lines the execution mode leaves when it ends with 1 after a
// token failure, as far as they can follow a failed library call.
bool isFailureLine(const Flow& flow, const std::string& line)
{
    static const std::vector<std::string> messages = {
        msg::ENUMERATOR, msg::NO_SUCH_SLOT, msg::BROKEN_TOKEN, msg::LOCK_FAILED,
        msg::NOT_FOUND, msg::READ_FAILED, msg::WRITE_FAILED, msg::DELETE_FAILED,
        msg::NO_FOLDER, msg::CREATE_FAILED, LOGIN_FAILED, NO_TOKEN_AVAILABLE};
    for (const auto& message : messages) {
        if (line == "!!!FATAL ERROR!!!: " + message) {
            return true;
        }
    }
    if (flow.operation == Operation::Move) {
        return line == "\tBoard " + std::to_string(flow.fromBoard) + " not found, terminating" ||
               line == "\tFile 4097 not found, terminating";
    }
    return false;
}

// The log of one execution run: the frame, and a last line that fits the
// exit code (`exitCode` -1: the run was killed, so it has no last line of
// its own but must not claim to have finished).
void checkLog(const Flow& flow, const std::string& logged, int exitCode,
              std::vector<std::string>& problems)
{
    if (logged.rfind(HEADER + decodedLine(flow), 0) != 0) {
        problems.push_back("the log does not start with the header and the decoded pair");
    }
    if (logged.empty() || logged.back() != '\n') {
        problems.push_back("the log does not end with a whole line");
    }
    const std::string last = lastLine(logged);
    if (exitCode == 0 && last != CLOSING_ROW) {
        problems.push_back("exit 0 but the last log line is \"" + last + "\"");
    }
    if (exitCode == 1 && !isFailureLine(flow, last)) {
        problems.push_back("exit 1 but the last log line is \"" + last + "\"");
    }
    if (exitCode == -1 && logged.find(CLOSING_ROW) != std::string::npos) {
        problems.push_back("a killed run logged the closing row");
    }
}

// The leak lines of a trace, less the one handle whose release the fault
// refused: the tool called the release and the library kept the handle,
// which only the end of the process gives back.
std::vector<std::string> leaksBesidesRefused(const std::string& trace, const TracedCall& injected)
{
    static const std::map<std::string, std::string> releases = {
        {"rtEnumReadersClose", "enumeration"}, {"rtCloseReader", "reader"},
        {"rtFCP_RemoveFCP", "fcp"}};
    std::string refused;
    const auto release = releases.find(injected.name);
    if (release != releases.end()) {
        const std::size_t open = injected.line.find('(');
        const std::size_t close = injected.line.find(')', open);
        refused = "leak " + release->second + " " + injected.line.substr(open + 1, close - open - 1);
    }
    std::vector<std::string> leaks;
    std::istringstream lines(trace);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("leak ", 0) != 0) {
            continue;
        }
        const bool isRefused = !refused.empty() && (line == refused || line.rfind(refused + " ", 0) == 0);
        if (!isRefused) {
            leaks.push_back(line);
        }
    }
    return leaks;
}

bool failedResult(const TracedCall& call)
{
    const std::size_t at = call.line.rfind(" = ");
    const std::string result = at == std::string::npos ? "" : call.line.substr(at + 3);
    return result == (call.name == "rtGetReadersCount" ? "-1" : "0");
}

std::string describe(const Flow& flow, Injection injection, const TracedCall& call)
{
    return flow.name + (injection == Injection::Fail ? ": failing " : ": aborting at ") +
           call.name + " #" + std::to_string(call.occurrence);
}

void writeCommandFileFor(const Flow& flow, const std::string& work)
{
    FillerGenerator generator;
    generator.seed(1000u + flow.fromBoard * 10000u + flow.toBoard);
    std::FILE* stream = std::fopen((work + "/" + COMMAND_FILE).c_str(), "w");
    ASSERT_NE(stream, nullptr);
    EXPECT_TRUE(writeCommandFile(stream, flow.fromBoard, flow.toBoard, generator));
    std::fclose(stream);
}

// A new run folder with a copy of the flow's store as it was set up.
RunFolder freshRun(const Flow& flow, const std::string& templateStore)
{
    RunFolder run;
    run.root = makeTempDir("sweep-run");
    run.store = run.root + "/store";
    run.work = run.root + "/work";
    run.trace = run.root + "/trace.txt";
    fs::copy(templateStore, run.store, fs::copy_options::recursive);
    fs::create_directory(run.work);
    writeCommandFileFor(flow, run.work);
    return run;
}

// The store after a run, or a problem when a file of it does not parse.
bool loadAfter(const RunFolder& run, StoreState& state, std::vector<std::string>& problems)
{
    try {
        state = loadStore(run.store);
        return true;
    } catch (const softtoken::StoreError& error) {
        problems.push_back(std::string("the store is damaged: ") + error.what());
        return false;
    }
}

// A second run of the same command file, without faults, then the
// diagnostics report: both must work on what the first run left, with no
// repair in between.
void checkNextRuns(const Flow& flow, const RunFolder& run, const StoreState& original,
                   const StoreState& left, std::vector<std::string>& problems, SweepTotals& totals)
{
    std::string logged;
    const ProcessResult again = boardtool(run, {COMMAND_FILE}, false, logged, totals);
    StoreState after;
    if (!loadAfter(run, after, problems)) {
        return;
    }
    bool finishable = true;
    std::string expectedLast = CLOSING_ROW;
    if (flow.operation == Operation::Move && !holdsData(left, flow.fromBoard, flow.sourceBytes)) {
        // The source is gone already: the move stops, finding nothing to move.
        finishable = false;
        expectedLast = boardCount(left, flow.fromBoard) > 0
                           ? "\tFile 4097 not found, terminating"
                           : "\tBoard " + std::to_string(flow.fromBoard) + " not found, terminating";
    }
    if (flow.operation == Operation::Delete && boardCount(left, flow.fromBoard) == 0) {
        finishable = false;
        expectedLast = "!!!FATAL ERROR!!!: " + msg::NOT_FOUND;
    }
    if (again.signal != 0 || again.exitCode != (finishable ? 0 : 1) ||
        lastLine(logged) != expectedLast) {
        problems.push_back("the next run ended with " + std::to_string(again.exitCode) +
                           " (signal " + std::to_string(again.signal) + "), last log line \"" +
                           lastLine(logged) + "\"");
    }
    if (finishable) {
        for (const auto& problem : finishedStateProblems(flow, after)) {
            problems.push_back("after the next run: " + problem);
        }
    }
    bool lost = false;
    for (const auto& problem : invariantProblems(flow, original, after, lost)) {
        problems.push_back("after the next run: " + problem);
    }

    const ProcessResult report = boardtool(run, {}, false, logged, totals);
    if (report.exitCode != 0 || logged.find("!!!") != std::string::npos) {
        problems.push_back("the diagnostics report afterwards found failures:\n" + logged);
    }
}

void injectAt(const Flow& flow, Injection injection, const TracedCall& call,
              const std::string& templateStore, const StoreState& original, SweepTotals& totals)
{
    const RunFolder run = freshRun(flow, templateStore);
    std::vector<std::string> problems;

    std::vector<std::string> fault = {"fail", call.name, "--nth", std::to_string(call.occurrence)};
    if (injection == Injection::Abort) {
        fault.push_back("--abort");
    }
    const ProcessResult set = runSofttoken(run.store, fault);
    EXPECT_EQ(set.exitCode, 0) << set.err;

    std::string logged;
    const ProcessResult result = boardtool(run, {COMMAND_FILE}, true, logged, totals);
    ++totals.injections;

    // The fault hit the call it was meant for.
    const std::vector<TracedCall> calls = parseTrace(readFileBytes(run.trace));
    const TracedCall* hit = nullptr;
    for (const auto& traced : calls) {
        if (traced.name == call.name && traced.occurrence == call.occurrence) {
            hit = &traced;
        }
    }
    if (hit == nullptr) {
        ADD_FAILURE() << describe(flow, injection, call) << ": the call was never reached";
        removeTree(run.root);
        return;
    } else if (injection == Injection::Fail && !failedResult(*hit)) {
        problems.push_back("the call did not fail: " + hit->line);
    } else if (injection == Injection::Abort &&
               (hit != &calls.back() || hit->line.find(" = aborted") == std::string::npos)) {
        problems.push_back("the process did not end at the call");
    }

    int exitCode = result.exitCode;
    if (injection == Injection::Fail) {
        if (result.signal != 0 || (result.exitCode != 0 && result.exitCode != 1)) {
            problems.push_back("ended with exit code " + std::to_string(result.exitCode) +
                               ", signal " + std::to_string(result.signal));
        }
        for (const auto& leak : leaksBesidesRefused(readFileBytes(run.trace), *hit)) {
            problems.push_back("left held: " + leak);
        }
    } else {
        if (result.signal != SIGKILL) {
            problems.push_back("the abort did not end the process (exit code " +
                               std::to_string(result.exitCode) + ")");
        }
        exitCode = -1;
    }
    checkLog(flow, logged, exitCode, problems);

    std::error_code ignored;
    fs::remove(run.store + "/faults.txt", ignored);
    StoreState left;
    if (loadAfter(run, left, problems)) {
        for (const auto& problem : tokensThatWillNotLock(run.store)) {
            problems.push_back("afterwards " + problem);
        }
        bool lost = false;
        for (const auto& problem : invariantProblems(flow, original, left, lost)) {
            problems.push_back(problem);
        }
        totals.dataLost += lost ? 1 : 0;
        if (exitCode == 0) {
            for (const auto& problem : finishedStateProblems(flow, left)) {
                problems.push_back("exit 0 but " + problem);
            }
        }
        checkNextRuns(flow, run, original, left, problems, totals);
    }

    if (!problems.empty()) {
        std::string text = describe(flow, injection, call) + ":";
        for (const auto& problem : problems) {
            text += "\n  " + problem;
        }
        ADD_FAILURE() << text << "\n  log:\n" << logged;
    }
    removeTree(run.root);
}

} // namespace

std::vector<TracedCall> parseTrace(const std::string& text)
{
    std::vector<TracedCall> calls;
    std::map<std::string, int> seen;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t paren = line.find('(');
        if (line.rfind("leak ", 0) == 0 || paren == std::string::npos) {
            continue;
        }
        const std::string name = line.substr(0, paren);
        calls.push_back({name, ++seen[name], line});
    }
    return calls;
}

void sweepFlow(const Flow& flow, Injection injection, SweepTotals& totals)
{
    SCOPED_TRACE(flow.name);
    const std::string templateRoot = makeTempDir("sweep-template");
    const std::string templateStore = templateRoot + "/store";
    for (const auto& step : flow.setup) {
        const ProcessResult result = runSofttoken(templateStore, step.args, step.input);
        ASSERT_EQ(result.exitCode, 0) << step.args.at(0) << ": " << result.err;
    }
    const StoreState original = loadStore(templateStore);
    ++totals.flows;

    // The run without faults: it must finish, and its trace is the list of
    // calls to inject at.
    const RunFolder baseline = freshRun(flow, templateStore);
    std::string logged;
    const ProcessResult result = boardtool(baseline, {COMMAND_FILE}, true, logged, totals);
    ASSERT_EQ(result.exitCode, 0) << logged << result.err;
    const std::string trace = readFileBytes(baseline.trace);
    EXPECT_EQ(trace.find("leak "), std::string::npos) << trace;
    std::vector<std::string> problems;
    checkLog(flow, logged, 0, problems);
    const StoreState after = loadStore(baseline.store);
    for (const auto& problem : finishedStateProblems(flow, after)) {
        problems.push_back(problem);
    }
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
    removeTree(baseline.root);

    const std::vector<TracedCall> calls = parseTrace(trace);
    ASSERT_FALSE(calls.empty());
    for (const auto& call : calls) {
        injectAt(flow, injection, call, templateStore, original, totals);
    }
    removeTree(templateRoot);
}

std::string closingFigure(const std::string& sweep, const SweepTotals& totals)
{
    return sweep + ": " + std::to_string(totals.flows) + " flows, " +
           std::to_string(totals.injections) + " injections, " + std::to_string(totals.runs) +
           " runs, data lost: " + std::to_string(totals.dataLost);
}
