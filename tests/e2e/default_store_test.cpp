// Without SOFTTOKEN_DIR the emulator's CLI and the library that boardtool
// loads both use the per-user store: %LOCALAPPDATA%\softtoken on Windows,
// $XDG_DATA_HOME/softtoken elsewhere.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform_text.h"
#include "process.h"

namespace {

TEST(DefaultStore, ToolAndEmulatorShareThePerUserStore)
{
    const std::string user = makeTempDir("e2e-user");
    const std::string work = makeTempDir("e2e-work");
#ifdef _WIN32
    const char* const USER_FOLDER = "LOCALAPPDATA";
#else
    const char* const USER_FOLDER = "XDG_DATA_HOME";
#endif
    // An empty SOFTTOKEN_DIR counts as none.
    const Environment env = {{"SOFTTOKEN_DIR", ""}, {USER_FOLDER, user}};

    const ProcessResult added = runProcess({SOFTTOKEN_EXE, "add", "KeyToken 0"}, work, "", env);
    EXPECT_EQ(added.exitCode, 0) << added.err;
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(user) / "softtoken"));

    const ProcessResult report = runProcess({BOARDTOOL_EXE}, work, "", env);
    EXPECT_EQ(report.exitCode, 0);
    const std::string log = readFileBytes(work + "/log.txt");
    EXPECT_NE(log.find(platformText("Slot 0: KeyToken 0 0x00000001 \n")), std::string::npos) << log;

    removeTree(work);
    removeTree(user);
}

} // namespace
