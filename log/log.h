// The tool's log: every message is appended to "log.txt" in the working
// directory, which is opened and closed again for each message. A message
// is written only when its level is below logLevel. Failures to open, write
// or close the file are absorbed: the message is lost, the caller never
// notices.
#ifndef LOG_LOG_H
#define LOG_LOG_H

extern int logLevel;

// Appends `text` and one line end.
void logLine(const char* text, int level);

// Appends the formatted text; adds no line end of its own.
void logPrintf(int level, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

#endif
