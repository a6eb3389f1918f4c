// The error class, the one way it is raised, and the stored messages.
#include <fcntl.h>
#include <unistd.h>
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "platform_text.h"
#include "process.h"
#include "token/messages.h"
#include "token/rt_error.h"

namespace {

#ifdef _WIN32
// The system's own code page conversion, through UTF-16.
std::string toCp1251(const std::string& utf8)
{
    const int wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                               static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                        wide.data(), wideLength);
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(1251, 0, wide.data(), wideLength, nullptr, 0, nullptr,
                                           &lossy);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(1251, 0, wide.data(), wideLength, out.data(), length, nullptr, &lossy);
    EXPECT_GT(wideLength, 0) << utf8;
    EXPECT_FALSE(lossy) << utf8;
    return out;
}
#else
std::string toCp1251(const std::string& utf8)
{
    iconv_t converter = iconv_open("CP1251", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "no UTF-8 to CP1251 converter";
        return {};
    }
    std::string in = utf8;
    std::string out(utf8.size(), '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    std::size_t done = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(converter);
    EXPECT_NE(done, static_cast<std::size_t>(-1)) << utf8;
    out.resize(out.size() - outLeft);
    return out;
}
#endif

struct Captured {
    std::string out;
    std::string err;
};

// The file that standard error goes to while `body` runs.
std::string capturedErrorFile;

// Runs `body` with file descriptors 1 and 2 sent to files.

Captured captureConsole(const std::function<void()>& body)
{
    std::string dir = makeTempDir("token-console");
    capturedErrorFile = dir + "/err";
    std::fflush(stdout);
    std::fflush(stderr);
    int savedOut = dup(1);
    int savedErr = dup(2);
    int outFd = open((dir + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int errFd = open((dir + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(outFd, 1);
    dup2(errFd, 2);
    close(outFd);
    close(errFd);
    body();
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut, 1);
    dup2(savedErr, 2);
    close(savedOut);
    close(savedErr);
    Captured captured{readFileBytes(dir + "/out"), readFileBytes(dir + "/err")};
    removeTree(dir);
    return captured;
}

struct MessageCase {
    const char* stored;
    std::int16_t code;
    int expectedCode;
    const char* text; // UTF-8
};

const MessageCase MESSAGES[] = {
    {MSG_NO_ENUMERATOR, CODE_NO_ENUMERATOR, 3, "Ошибка токена: не удалось создать энумератор"},
    {MSG_NO_SUCH_TOKEN, CODE_NO_SUCH_TOKEN, 5, "Ошибка токена: не найден токен с данным номером"},
    {MSG_TOKEN_FAULTY, CODE_TOKEN_FAULTY, 6, "Ошибка токена: токен не исправен"},
    {MSG_LOCK_FAILED, CODE_LOCK_FAILED, 7, "Ошибка токена: не удается блокировать токен"},
    {MSG_LOGIN_FAILED, CODE_LOGIN_FAILED, 8, "Ошибка токена: ошибка авторизации"},
    {MSG_NOT_FOUND, CODE_NOT_FOUND, 9, "Ошибка токена: файл с данными не найден"},
    {MSG_READ_FAILED, CODE_IO_FAILED, 10, "Ошибка токена: ошибка чтения данных из файла"},
    {MSG_WRITE_FAILED, CODE_IO_FAILED, 10, "Ошибка токена: ошибка записи данных в файл"},
    {MSG_DELETE_FAILED, CODE_DELETE_FAILED, 12, "Ошибка токена: ошибка удаления файла"},
    {MSG_NO_WORKING_FOLDER, CODE_NO_WORKING_FOLDER, 13,
     "Ошибка токена: отсутствует рабочая директория"},
    {MSG_CREATE_FAILED, CODE_CREATE_FAILED, 14, "Ошибка токена: ошибка создания файла"},
    {MSG_NO_TOKEN_AVAILABLE, CODE_NO_TOKEN_AVAILABLE, 18,
     "Ошибка токена: не найдено доступного токена"},
    {MSG_FREE_MEMORY_FAILED, CODE_FREE_MEMORY_FAILED, 19,
     "Ошибка токена: не удалось определить свободное пространство"},
};

TEST(TokenMessages, AreTheTextsInCodePage1251WithTheirCodes)
{
    for (const auto& entry : MESSAGES) {
        std::string expected = toCp1251(entry.text);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(std::string(entry.stored), expected) << entry.text;
        EXPECT_EQ(entry.code, entry.expectedCode) << entry.text;
    }
}

TEST(ThrowTokenError, WritesOneConsoleLineThenThrowsTheMessageAndCode)
{
    for (const auto& entry : MESSAGES) {
        bool caught = false;
        Captured console = captureConsole([&] {
            try {
                throwTokenError(entry.stored, entry.code);
            } catch (const rtError& error) {
                caught = true;
                // The line is already on the console when the catcher runs.
                std::string soFar = readFileBytes(capturedErrorFile);
                EXPECT_EQ(soFar, platformText(std::string("ERROR: ") + entry.stored + "\n"));
                EXPECT_EQ(error.message, entry.stored);
                EXPECT_EQ(error.code, entry.code);
            }
        });
        EXPECT_TRUE(caught) << entry.text;
        EXPECT_EQ(console.err, platformText(std::string("ERROR: ") + entry.stored + "\n"))
            << entry.text;
        EXPECT_EQ(console.out, "") << entry.text;
    }
}

TEST(RtError, CopiesCarryTheSameMessageAndCode)
{
    rtError original(MSG_WRITE_FAILED, CODE_IO_FAILED);
    rtError copy = original;
    rtError assigned("other", 1);
    assigned = original;
    for (const rtError* error : {&copy, &assigned}) {
        EXPECT_EQ(error->message, MSG_WRITE_FAILED);
        EXPECT_EQ(error->code, 10);
    }
    // The copy owns its own text.
    original.message.clear();
    EXPECT_EQ(copy.message, MSG_WRITE_FAILED);
}

TEST(RtError, ThrownByValueReachesACatcherByValue)
{
    Captured console = captureConsole([] {
        try {
            throwTokenError(MSG_NOT_FOUND, CODE_NOT_FOUND);
        } catch (rtError error) {
            EXPECT_EQ(error.message, MSG_NOT_FOUND);
            EXPECT_EQ(error.code, CODE_NOT_FOUND);
        }
    });
    EXPECT_EQ(console.err, platformText(std::string("ERROR: ") + MSG_NOT_FOUND + "\n"));
}

} // namespace
