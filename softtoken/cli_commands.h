// The emulator's command-line tool: one function per command. Each takes
// the store folder and the command's own arguments, and throws StoreError
// for a failure (with code USAGE_ERROR for a misused command line).
#ifndef SOFTTOKEN_CLI_COMMANDS_H
#define SOFTTOKEN_CLI_COMMANDS_H

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace softtoken {

inline constexpr std::uint32_t USAGE_ERROR = 0xFFFF;

using Arguments = std::vector<std::string>;

// Runs one command; `input` is standard input (for write), `out` standard
// output.
void runCliCommand(const std::string& dir, const Arguments& args, std::istream& input, std::ostream& out);

// The usage text, one command per line.
std::string cliUsage();

} // namespace softtoken

#endif
