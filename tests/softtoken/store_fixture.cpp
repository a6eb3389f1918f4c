#include "store_fixture.h"

#include <cstdlib>

void StoreTest::SetUp()
{
    root = makeTempDir("softtoken");
    dir = root + "/store";
    ::setenv("SOFTTOKEN_DIR", dir.c_str(), 1);
    ::unsetenv("SOFTTOKEN_TRACE");
}

void StoreTest::TearDown()
{
    ::unsetenv("SOFTTOKEN_DIR");
    removeTree(root);
}

ProcessResult StoreTest::cli(const std::vector<std::string>& args, int expectedExit, const std::string& input)
{
    std::vector<std::string> argv = {SOFTTOKEN_EXE, "--dir", dir};
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessResult result = runProcess(argv, root, input);
    std::string command;
    for (const auto& arg : args) {
        command += " " + arg;
    }
    EXPECT_EQ(result.exitCode, expectedExit) << "softtoken" << command << "\n" << result.err;
    return result;
}

ProcessResult StoreTest::helper(const std::vector<std::string>& args, const Environment& env)
{
    std::vector<std::string> argv = {SOFTTOKEN_HELPER_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    Environment all = env;
    all.push_back({"SOFTTOKEN_DIR", dir});
    return runProcess(argv, root, "", all);
}

RT_HANDLE StoreTest::openLoggedIn(const std::string& reader)
{
    RT_HANDLE h = rtOpenReaderA(reader.c_str());
    EXPECT_NE(h, 0u);
    EXPECT_NE(rtLock(h), 0u);
    rtLogout(h);
    EXPECT_NE(rtLoginA(h, 2, PIN2), 0u);
    return h;
}

void StoreTest::closeReader(RT_HANDLE h)
{
    rtLogout(h);
    rtUnlock(h);
    EXPECT_NE(rtCloseReader(h), 0u);
}

std::vector<std::uint16_t> StoreTest::listChildren(RT_HANDLE h, const std::vector<std::uint16_t>& path)
{
    std::vector<std::uint16_t> ids;
    RT_RESULT selected = path.empty() ? rtSelectMF(h, 0)
                                      : rtSelectByPath(h, path.data(), static_cast<uint32_t>(path.size()), 1, 0);
    EXPECT_NE(selected, 0u);
    RT_HANDLE fcp = rtFCP_CreateFCP();
    EXPECT_NE(fcp, 0u);
    RT_RESULT more = rtSelectChildFileObject(h, 0, 0, fcp);
    while (more != 0 && ids.size() < 1000) {
        std::uint16_t id = 0;
        std::uint32_t isFolder = 0;
        EXPECT_NE(rtFCP_GetFileID(fcp, &id), 0u);
        EXPECT_NE(rtFCP_GetIsFolder(fcp, &isFolder), 0u);
        ids.push_back(id);
        if (isFolder != 0) {
            EXPECT_NE(rtSelectUpperFolder(h, 0), 0u);
        }
        more = rtSelectChildFileObject(h, id, 2, fcp);
    }
    rtFCP_RemoveFCP(fcp);
    return ids;
}

std::string StoreTest::readFile(RT_HANDLE h, const std::vector<std::uint16_t>& path, std::uint32_t chunk)
{
    RT_HANDLE fcp = rtFCP_CreateFCP();
    EXPECT_NE(rtSelectByPath(h, path.data(), static_cast<uint32_t>(path.size()), 1, fcp), 0u);
    std::uint16_t length = 0;
    EXPECT_NE(rtFCP_GetFileLength(fcp, &length), 0u);
    rtFCP_RemoveFCP(fcp);
    std::string data(length, '\0');
    std::uint32_t position = 0;
    while (position < length) {
        std::uint32_t got = 0;
        std::uint32_t want = std::min<std::uint32_t>(chunk, length - position);
        if (rtReadFile(h, position, data.data() + position, want, &got) == 0 || got == 0) {
            ADD_FAILURE() << "read failed at " << position;
            break;
        }
        position += got;
    }
    return data;
}

std::vector<std::string> StoreTest::enumerate(const char* filter)
{
    std::vector<std::string> names;
    RT_HANDLE e = rtEnumReadersA(filter);
    EXPECT_NE(e, 0u);
    std::int32_t count = rtGetReadersCount(e);
    for (std::int32_t i = 0; i < count; ++i) {
        char name[1024] = {};
        std::uint32_t length = sizeof name;
        EXPECT_NE(rtGetReaderNameFromListA(e, static_cast<std::uint32_t>(i), name, &length), 0u);
        names.push_back(name);
    }
    EXPECT_NE(rtEnumReadersClose(e), 0u);
    return names;
}
