#include "background_runs.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <thread>

extern char** environ;

BackgroundRun startInBackground(const std::vector<std::string>& argv, const std::string& workDir,
                                const Environment& env)
{
    std::vector<std::string> envTexts;
    // The extra variables replace those of the same name.
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        bool replaced = false;
        for (const auto& extra : env) {
            replaced = replaced || text.rfind(extra.first + "=", 0) == 0;
        }
        if (!replaced) {
            envTexts.push_back(text);
        }
    }
    for (const auto& [name, value] : env) {
        envTexts.push_back(name + "=" + value);
    }
    std::vector<std::string> args = argv;
    std::vector<char*> argPointers;
    for (auto& arg : args) {
        argPointers.push_back(arg.data());
    }
    argPointers.push_back(nullptr);
    std::vector<char*> envPointers;
    for (auto& text : envTexts) {
        envPointers.push_back(text.data());
    }
    envPointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (workDir + "/out.txt").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (workDir + "/err.txt").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // The child inherits the working folder; the test's own thread is the
    // only one, so changing it around the spawn is safe.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(workDir);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, args.at(0).c_str(), &actions, nullptr, argPointers.data(),
                               envPointers.data());
    std::filesystem::current_path(previous);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        throw std::runtime_error("cannot start " + args.at(0) + ": " + std::strerror(rc));
    }
    return {pid, workDir};
}

std::vector<ProcessResult> waitForAll(const std::vector<BackgroundRun>& runs, int seconds)
{
    std::vector<ProcessResult> results(runs.size());
    std::vector<bool> done(runs.size(), false);
    std::size_t left = runs.size();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (left > 0) {
        const bool late = std::chrono::steady_clock::now() > deadline;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            if (done[i]) {
                continue;
            }
            if (late) {
                kill(runs[i].pid, SIGKILL);
            }
            int status = 0;
            const pid_t got = waitpid(runs[i].pid, &status, late ? 0 : WNOHANG);
            if (got != runs[i].pid) {
                continue;
            }
            if (WIFEXITED(status)) {
                results[i].exitCode = WEXITSTATUS(status);
            } else if (WIFSIGNALED(status)) {
                results[i].signal = WTERMSIG(status);
            }
            results[i].out = readFileBytes(runs[i].workDir + "/out.txt");
            results[i].err = readFileBytes(runs[i].workDir + "/err.txt");
            done[i] = true;
            --left;
        }
        if (left > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    return results;
}
