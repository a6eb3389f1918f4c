// The pseudo-random generator that supplies the fillers of command files.
#ifndef CMDFILE_FILLER_GENERATOR_H
#define CMDFILE_FILLER_GENERATOR_H

#include <cstdint>

struct FillerGenerator {
    std::uint32_t state = 0;

    // The state becomes `value`; one step is taken and its output dropped.
    void seed(std::uint32_t value);
    // state = state * 22695477 + 1 (mod 2^32); returns bits 16..30 (0..32767).
    std::uint32_t next();
};

#endif
