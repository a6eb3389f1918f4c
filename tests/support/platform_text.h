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

// The reverse: text-mode output read back with "\n" line ends (on Windows
// each "\r\n" becomes "\n"). A test that compares the result should also
// check platformText(fromPlatformText(x)) == x, which fails on a line
// end that is not the platform's.
inline std::string fromPlatformText(const std::string& text)
{
#ifdef _WIN32
    std::string converted;
    converted.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        converted += text[i];
    }
    return converted;
#else
    return text;
#endif
}

#endif
