// The parts of the test support that are the same on every platform: whole
// files read and written byte for byte.
#include "process.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef _WIN32
// Windows has its own, in process_windows.cpp.
void removeTree(const std::string& path)
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}
#endif

std::string readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool fileExists(const std::string& path)
{
    return std::filesystem::exists(path);
}
