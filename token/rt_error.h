// The token layer's one exception, and the one way it is raised.
#ifndef TOKEN_RT_ERROR_H
#define TOKEN_RT_ERROR_H

#include <cstdint>
#include <string>

class rtError {
public:
    rtError(std::string message, std::int16_t code);

    std::string message; // code page 1251 text
    std::int16_t code;
};

// Writes "ERROR: " + message + line end on standard error (unit-buffered),
// then throws rtError(message, code).
[[noreturn]] void throwTokenError(const char* message, std::int16_t code);

#endif
