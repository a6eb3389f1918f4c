// Several programs running at once: started one after another without
// waiting, then waited for together with a deadline (POSIX).
#ifndef TESTS_RELIABILITY_BACKGROUND_RUNS_H
#define TESTS_RELIABILITY_BACKGROUND_RUNS_H

#include <sys/types.h>

#include <string>
#include <vector>

#include "process.h"

struct BackgroundRun {
    pid_t pid = 0;
    std::string workDir; // standard output and error go to out.txt and err.txt here
};

// Starts argv in workDir with the extra environment; does not wait.
BackgroundRun startInBackground(const std::vector<std::string>& argv, const std::string& workDir,
                                const Environment& env);

// Waits for every run for up to `seconds` in all; runs still going then are
// killed and reported with signal SIGKILL. Results are in the runs' order.
std::vector<ProcessResult> waitForAll(const std::vector<BackgroundRun>& runs, int seconds);

#endif
