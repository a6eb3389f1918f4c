// A child for the process runner's tests. It copies its standard input to
// standard output byte for byte, then writes PROBE_FILL bytes more when that
// variable is set; on standard error it reports its arguments, its working
// folder and PROBE_VAR; it exits with the code its first argument gives.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv)
{
#if defined(_WIN32)
    // Binary streams: the tests compare bytes, not text lines.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    int c = 0;
    while ((c = std::getchar()) != EOF) {
        std::putchar(c);
    }
    if (const char* fill = std::getenv("PROBE_FILL")) {
        for (long i = 0, n = std::atol(fill); i < n; ++i) {
            std::putchar('a' + static_cast<int>(i % 26));
        }
    }
    std::string report;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        report += "arg " + std::to_string(arg.size()) + ":" + arg + "\n";
    }
    report += "cwd " + std::filesystem::current_path().string() + "\n";
    const char* var = std::getenv("PROBE_VAR");
    report += var != nullptr ? "var " + std::string(var) + "\n" : "var unset\n";
    std::fwrite(report.data(), 1, report.size(), stderr);
    return argc > 1 ? std::atoi(argv[1]) : 0;
}
