#include "e2e_fixture.h"

#include <cstdio>
#include <sstream>

#include "cmdfile/command_file.h"
#include "cmdfile/filler_generator.h"

void E2eTest::SetUp()
{
    store = makeTempDir("e2e-store");
    work = makeTempDir("e2e-work");
}

void E2eTest::TearDown()
{
    removeTree(store);
    removeTree(work);
}

ProcessResult E2eTest::softtoken(const std::vector<std::string>& args, const std::string& input)
{
    std::vector<std::string> argv = {SOFTTOKEN_EXE, "--dir", store};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv, work, input, {{"SOFTTOKEN_DIR", store}});
}

std::string E2eTest::setUp(const std::vector<std::string>& args, const std::string& input)
{
    const ProcessResult result = softtoken(args, input);
    std::string command = "softtoken";
    for (const auto& arg : args) {
        command += " " + arg;
    }
    EXPECT_EQ(result.exitCode, 0) << command << ": " << result.err;
    return result.out;
}

void E2eTest::addToken(const std::string& reader, const std::vector<std::string>& extra)
{
    std::vector<std::string> args = {"add", reader};
    args.insert(args.end(), extra.begin(), extra.end());
    setUp(args);
}

void E2eTest::makeFolder(const std::string& reader, const std::string& path)
{
    setUp({"mkdir", reader, path});
}

void E2eTest::putFile(const std::string& reader, const std::string& path, const std::string& bytes)
{
    setUp({"write", reader, path}, bytes);
}

void E2eTest::addFault(const std::vector<std::string>& args)
{
    std::vector<std::string> all = {"fail"};
    all.insert(all.end(), args.begin(), args.end());
    setUp(all);
}

std::string E2eTest::listing(const std::string& reader, const std::string& path)
{
    std::vector<std::string> args = {"ls", reader};
    if (!path.empty()) {
        args.push_back(path);
    }
    return setUp(args);
}

std::string E2eTest::fileBytes(const std::string& reader, const std::string& path)
{
    return setUp({"read", reader, path});
}

std::string E2eTest::tree(const std::string& reader)
{
    return setUp({"tree", reader});
}

bool E2eTest::exists(const std::string& reader, const std::string& path)
{
    return softtoken({"ls", reader, path}).exitCode == 0;
}

long E2eTest::freeMemory(const std::string& reader)
{
    // `list` shows one reader per line; the free memory is the line's last
    // number.
    std::istringstream lines(setUp({"list"}));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find(reader) == std::string::npos) {
            continue;
        }
        std::istringstream words(line);
        std::string word;
        long last = -1;
        while (words >> word) {
            if (!word.empty() && word.find_first_not_of("0123456789") == std::string::npos) {
                last = std::stol(word);
            }
        }
        return last;
    }
    ADD_FAILURE() << "reader " << reader << " not listed";
    return -1;
}

ProcessResult E2eTest::boardtool(const std::vector<std::string>& args, const std::string& input,
                                 const Environment& extraEnv)
{
    std::vector<std::string> argv = {BOARDTOOL_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    Environment env = {{"SOFTTOKEN_DIR", store}};
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    return runProcess(argv, work, input, env);
}

std::string E2eTest::commandFile(std::uint32_t fromBoard, std::uint32_t toBoard,
                                 const std::string& name)
{
    FillerGenerator generator;
    generator.seed(20240517u + fromBoard * 10000u + toBoard);
    std::FILE* stream = std::fopen((work + "/" + name).c_str(), "w");
    EXPECT_NE(stream, nullptr) << name;
    if (stream != nullptr) {
        EXPECT_TRUE(writeCommandFile(stream, fromBoard, toBoard, generator));
        std::fclose(stream);
    }
    return name;
}

ProcessResult E2eTest::execute(std::uint32_t fromBoard, std::uint32_t toBoard)
{
    return boardtool({commandFile(fromBoard, toBoard)});
}

std::string E2eTest::logText()
{
    const std::string path = work + "/log.txt";
    return fileExists(path) ? readFileBytes(path) : std::string();
}

std::string patternBytes(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    std::uint32_t state = seed * 2654435761u + 1u;
    for (auto& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 23);
    }
    return bytes;
}

std::string executionHeader()
{
    return "************Moving or Creating Board*********\n\n";
}

std::string decodedLine(std::uint32_t fromBoard, std::uint32_t toBoard)
{
    return "fromBoard=" + std::to_string(fromBoard) + ", toBoard=" + std::to_string(toBoard) + "\n";
}

std::string executionClosingRow()
{
    return std::string(44, '*') + "\n\n";
}

std::string diagnosticsHeader()
{
    return "***************Diagnostics*******************\n\n";
}

std::string diagnosticsClosingRow()
{
    return std::string(45, '*') + "\n\n";
}
