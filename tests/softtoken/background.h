// Starting a program in the background and waiting for it (POSIX).
#ifndef TESTS_SOFTTOKEN_BACKGROUND_H
#define TESTS_SOFTTOKEN_BACKGROUND_H

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

// Starts argv with the extra environment; its output goes to /dev/null.
pid_t startBackground(const std::vector<std::string>& argv,
                      const std::vector<std::pair<std::string, std::string>>& env);
// Waits for the process; returns the wait status.
int waitForProcess(pid_t pid);
// Waits up to `milliseconds` for the file to appear.
bool waitForFile(const std::string& path, int milliseconds);

#endif
