// Line ends as text mode writes them on this platform: "\n" on POSIX
// systems, "\r\n" on Windows. Tests of output written through a text-mode
// stream (log.txt, the console) build their expected bytes with it.
#ifndef TESTS_SUPPORT_PLATFORM_TEXT_H
#define TESTS_SUPPORT_PLATFORM_TEXT_H

#include <string>

inline std::string platformText(const std::string& text)
{
#ifdef _WIN32
    std::string converted;
    converted.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        if (c == '\n') {
            converted += '\r';
        }
        converted += c;
    }
    return converted;
#else
    return text;
#endif
}

#endif
