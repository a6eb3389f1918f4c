// softtoken [--dir DIR] COMMAND ...: plug in emulated tokens, look inside
// them, change them, and inject faults into the substitute library.
#include "cli_commands.h"
#include "store_files.h"
#include "store_model.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv)
{
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << softtoken::cliUsage();
        return 0;
    }
    std::string dir;
    if (args.size() >= 1 && args[0] == "--dir") {
        if (args.size() < 2 || args[1].empty()) {
            std::cerr << "softtoken: --dir needs a folder\n" << softtoken::cliUsage();
            return 2;
        }
        dir = args[1];
        args.erase(args.begin(), args.begin() + 2);
    } else {
        dir = softtoken::storeFolderFromEnvironment();
    }
    try {
        softtoken::runCliCommand(dir, args, std::cin, std::cout);
        std::cout.flush();
        return std::cout.good() ? 0 : 1;
    } catch (const softtoken::StoreError& e) {
        std::cout.flush();
        if (e.code == softtoken::USAGE_ERROR) {
            std::cerr << "softtoken: " << e.what() << "\n" << softtoken::cliUsage();
            return 2;
        }
        std::cerr << "softtoken: " << e.what() << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "softtoken: " << e.what() << "\n";
        return 1;
    }
}
