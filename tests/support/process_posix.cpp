// Running a child process on POSIX systems: posix_spawn with the standard
// streams opened on files.
#include "process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace {

std::vector<char*> toCStrings(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (auto& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

std::vector<std::string> mergedEnvironment(const Environment& extra)
{
    std::map<std::string, std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string text = *entry;
        auto eq = text.find('=');
        if (eq != std::string::npos) {
            merged[text.substr(0, eq)] = text.substr(eq + 1);
        }
    }
    for (const auto& [name, value] : extra) {
        merged[name] = value;
    }
    std::vector<std::string> result;
    for (const auto& [name, value] : merged) {
        result.push_back(name + "=" + value);
    }
    return result;
}

} // namespace

ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& workDir,
                         const std::string& input, const Environment& env)
{
    // Standard streams go through files in a private folder: no pipe can
    // fill up and stall the child, whatever it writes.
    std::string io = makeTempDir("proc");
    writeFileBytes(io + "/in", input);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, (io + "/in").c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (io + "/out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (io + "/err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);

    // posix_spawn has no portable chdir action, so the test process changes
    // folder around the spawn; the child inherits it. Tests are
    // single-threaded, so nothing else sees the change.
    std::vector<std::string> args = argv;
    auto argPointers = toCStrings(args);
    auto envTexts = mergedEnvironment(env);
    auto envPointers = toCStrings(envTexts);

    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(workDir);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, argv.at(0).c_str(), &actions, nullptr, argPointers.data(),
                         envPointers.data());
    std::filesystem::current_path(previous);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        removeTree(io);
        throw std::runtime_error("cannot start " + argv.at(0) + ": " + std::strerror(rc));
    }

    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    ProcessResult result;
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    result.out = readFileBytes(io + "/out");
    result.err = readFileBytes(io + "/err");
    removeTree(io);
    return result;
}

std::string makeTempDir(const std::string& prefix)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    return pattern;
}
