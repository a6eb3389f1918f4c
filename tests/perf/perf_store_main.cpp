// perf_store: writes the stores and command files of the performance runs,
// for bench/run.sh.
//   perf_store store DIR TOKENS BOARDS FILES
//   perf_store command FILE FROM TO
#include "perf_store.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>

namespace {

unsigned number(const char* text)
{
    char* end = nullptr;
    unsigned long value = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || value > 100000) {
        throw std::invalid_argument(std::string("not a number: ") + text);
    }
    return static_cast<unsigned>(value);
}

} // namespace

int main(int argc, char** argv)
{
    try {
        std::string command = argc > 1 ? argv[1] : "";
        if (command == "store" && argc == 6) {
            writePerfStore(argv[2], {number(argv[3]), number(argv[4]), number(argv[5])});
            return 0;
        }
        if (command == "command" && argc == 5) {
            return writePerfCommandFile(argv[2], number(argv[3]), number(argv[4])) ? 0 : 1;
        }
        std::fprintf(stderr, "usage: perf_store store DIR TOKENS BOARDS FILES\n"
                             "       perf_store command FILE FROM TO\n");
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "perf_store: %s\n", e.what());
        return 1;
    }
}
