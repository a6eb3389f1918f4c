#include "log/log.h"

#include <cstdarg>
#include <cstdio>

int logLevel = 0;

namespace {

// Refers to an open file only between the open and the close of one call.
std::FILE* logStream = nullptr;

const char* const LOG_FILE_NAME = "log.txt";

// Closes the stream; a failed close loses the message like any other
// failure of the log.
void closeLogStream()
{
    std::fclose(logStream);
    logStream = nullptr;
}

} // namespace

void logLine(const char* text, int level)
{
    if (level >= logLevel || text == nullptr) {
        return;
    }
    logStream = std::fopen(LOG_FILE_NAME, "a");
    if (logStream == nullptr) {
        return;
    }
    std::fprintf(logStream, "%s\n", text);
    closeLogStream();
}

void logPrintf(int level, const char* format, ...)
{
    if (level >= logLevel || format == nullptr) {
        return;
    }
    logStream = std::fopen(LOG_FILE_NAME, "a");
    if (logStream == nullptr) {
        return;
    }
    va_list args;
    va_start(args, format);
    std::vfprintf(logStream, format, args);
    va_end(args);
    closeLogStream();
}
