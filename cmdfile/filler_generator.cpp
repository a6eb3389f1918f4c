#include "cmdfile/filler_generator.h"

void FillerGenerator::seed(std::uint32_t value)
{
    state = value;
    next();
}

std::uint32_t FillerGenerator::next()
{
    // Unsigned arithmetic wraps modulo 2^32 by definition.
    state = state * 22695477u + 1u;
    return (state >> 16) & 0x7FFFu;
}
