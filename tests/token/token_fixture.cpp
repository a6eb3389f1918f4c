#include "token_fixture.h"

#include <sstream>

#include "platform_text.h"

const std::vector<std::string> OPEN_CALLS = {
    "rtEnumReadersA", "rtGetReadersCount", "rtGetReaderNameFromListA", "rtOpenReaderA",
    "rtLock",         "rtLogout",          "rtLoginA",                 "rtEnumReadersClose",
};
const std::vector<std::string> CLOSE_CALLS = {"rtLogout", "rtUnlock", "rtCloseReader"};

std::vector<std::string> concat(std::vector<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

std::string raisedLine(int code, const std::string& message)
{
    return "rtError " + std::to_string(code) + " " + message + "\n";
}

namespace {

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace

void TokenStoreTest::SetUp()
{
    store = makeTempDir("token-store");
    work = makeTempDir("token-work");
    tracePath = work + "/trace.txt";
}

void TokenStoreTest::resetStore()
{
    removeTree(store);
    store = makeTempDir("token-store");
}

void TokenStoreTest::TearDown()
{
    removeTree(store);
    removeTree(work);
}

ProcessResult TokenStoreTest::softtokenRaw(const std::vector<std::string>& args,
                                           const std::string& input)
{
    std::vector<std::string> argv = {SOFTTOKEN_EXE, "--dir", store};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv, work, input, {{"SOFTTOKEN_DIR", store}});
}

std::string TokenStoreTest::softtoken(const std::vector<std::string>& args, const std::string& input)
{
    ProcessResult result = softtokenRaw(args, input);
    std::string command;
    for (const auto& arg : args) {
        command += " " + arg;
    }
    EXPECT_EQ(result.exitCode, 0) << "softtoken" << command << ": " << result.err;
    return result.out;
}

DriverRun TokenStoreTest::drive(const std::vector<std::string>& args, const std::string& input)
{
    removeTree(tracePath);
    // No operation takes long; one that loops ends its run, not the test.
    std::vector<std::string> argv = {TOKEN_DRIVER_EXE, "--time-limit", "20"};
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessResult result =
        runProcess(argv, work, input, {{"SOFTTOKEN_DIR", store}, {"SOFTTOKEN_TRACE", tracePath}});
    DriverRun run;
    run.exitCode = result.exitCode;
    // The console is in text mode: the tests compare its lines with "\n"
    // line ends once they are known to be the platform's.
    run.out = fromPlatformText(result.out);
    run.err = fromPlatformText(result.err);
    EXPECT_EQ(platformText(run.out), result.out) << "line ends on standard output";
    EXPECT_EQ(platformText(run.err), result.err) << "line ends on standard error";
    // The library appends its trace lines in binary; merged console lines
    // come in text mode.
    run.trace = splitLines(fromPlatformText(readFileBytes(tracePath)));
    for (const auto& line : run.trace) {
        if (line.rfind("leak", 0) == 0) {
            run.leaks.push_back(line);
        } else {
            run.calls.push_back(line.substr(0, line.find('(')));
        }
    }
    return run;
}

std::vector<std::string> TokenStoreTest::driveMerged(const std::vector<std::string>& args)
{
    std::vector<std::string> merged = {"--merge-stderr", tracePath};
    merged.insert(merged.end(), args.begin(), args.end());
    DriverRun run = drive(merged);
    EXPECT_TRUE(run.leaks.empty());
    // Console lines stay whole; calls are reduced to their names.
    std::vector<std::string> lines;
    for (const auto& line : run.trace) {
        lines.push_back(line.rfind("ERROR: ", 0) == 0 ? line : line.substr(0, line.find('(')));
    }
    return lines;
}

void TokenStoreTest::expectRaised(const DriverRun& run, int code, const std::string& message)
{
    EXPECT_EQ(run.exitCode, 3) << run.out;
    // A notice may come first; the report is the last line.
    EXPECT_TRUE(run.out.size() >= raisedLine(code, message).size() &&
                run.out.compare(run.out.size() - raisedLine(code, message).size(),
                                std::string::npos, raisedLine(code, message)) == 0)
        << "stdout: " << run.out;
    EXPECT_EQ(run.err, "ERROR: " + message + "\n");
    EXPECT_TRUE(run.leaks.empty()) << run.leaks.front();
}

std::string patternBytes(std::size_t length)
{
    std::string bytes;
    for (std::size_t i = 0; i < length; ++i) {
        bytes += static_cast<char>(i % 251);
    }
    return bytes;
}

std::string toHex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}
