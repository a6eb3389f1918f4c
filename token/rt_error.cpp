#include "token/rt_error.h"

#include <cstdio>
#include <cstring>
#include <utility>

rtError::rtError(std::string message, std::int16_t code) : message(std::move(message)), code(code)
{
}

void throwTokenError(const char* message, std::int16_t code)
{
    // The C standard error stream is never fully buffered (unbuffered on
    // glibc and on the Windows runtime); the flush makes the line reach the
    // console before the exception leaves, whatever the stream's mode.
    std::fputs("ERROR: ", stderr);
    std::fwrite(message, 1, std::strlen(message), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    throw rtError(message, code);
}
