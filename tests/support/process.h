// Test support: runs a program as a separate process in a working folder,
// with given standard input and extra environment, and captures its
// standard output, standard error and exit status byte for byte.
#ifndef TESTS_SUPPORT_PROCESS_H
#define TESTS_SUPPORT_PROCESS_H

#include <string>
#include <utility>
#include <vector>

struct ProcessResult {
    // The exit code, or -1 when the process did not exit normally. Windows
    // has no signals: there exitCode is the process's whole exit code (an
    // abort gives 3, a crash its exception code) and signal stays 0.
    int exitCode = -1;
    int signal = 0;      // the signal that ended it, or 0
    std::string out;     // standard output
    std::string err;     // standard error
};

using Environment = std::vector<std::pair<std::string, std::string>>;

// argv[0] is the program's path. `env` is added to (or overrides) the
// environment of the test process.
ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& workDir,
                         const std::string& input = "", const Environment& env = {});

// A new empty folder under the system's temporary folder.
std::string makeTempDir(const std::string& prefix);
void removeTree(const std::string& path);

std::string readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);

#endif
