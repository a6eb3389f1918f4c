// A fresh working folder for one run of the tool, and what it holds.
#ifndef TESTS_APP_TOOL_FOLDER_H
#define TESTS_APP_TOOL_FOLDER_H

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "process.h"

class ToolFolder : public testing::Test {
protected:
    void SetUp() override
    {
        folder_ = makeTempDir("boardtool");
        store_ = makeTempDir("store");
    }
    void TearDown() override
    {
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add);
        removeTree(folder_);
        removeTree(store_);
    }

    // Runs boardtool with the given arguments (after the program name) in
    // the folder, with `keys` on standard input and an empty token store.
    ProcessResult run(const std::vector<std::string>& args, const std::string& keys = "",
                      const std::string& workDir = "") const
    {
        std::vector<std::string> argv = {BOARDTOOL_EXE};
        argv.insert(argv.end(), args.begin(), args.end());
        return runProcess(argv, workDir.empty() ? folder_ : workDir, keys,
                          {{"SOFTTOKEN_DIR", store_}});
    }

    std::set<std::string> files() const
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }
    std::string file(const std::string& name) const { return readFileBytes(folder_ + "/" + name); }

    std::string folder_;
    std::string store_;
};

#endif
