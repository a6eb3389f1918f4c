#include <cstdio>

#include "token/board_ops.h"

void printNotice(const char* text)
{
    std::fputs(text, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
