#include "app/console_keys.h"

#include <cstdio>

#include "app/console_platform.h"

std::size_t readHiddenText(char* text, std::size_t capacity)
{
    const bool terminal = inputIsTerminal();
    if (terminal) {
        startUnechoedKeys();
    }
    std::size_t kept = 0;
    while (kept < capacity) {
        int key = terminal ? readTerminalKey() : readInputByte();
        if (key < 0) {
            key = '\n';
        }
        if (key == '\r' || key == '\n') {
            break;
        }
        text[kept++] = static_cast<char>(key);
        std::fputs("*", stdout);
        std::fflush(stdout);
    }
    text[kept] = '\0';
    if (terminal) {
        stopUnechoedKeys();
    }
    return kept;
}
