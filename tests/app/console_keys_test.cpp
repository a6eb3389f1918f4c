// Key input from a terminal: a pseudo-terminal stands in for the console,
// its slave side as standard input.
#include "app/console_keys.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#endif

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "process.h"

namespace {

// Windows has no pseudo-terminals, fork or signals: there the console
// itself is the only terminal, and only redirected input is tested.
#ifndef _WIN32
class TerminalInput : public testing::Test {
protected:
    void SetUp() override
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(grantpt(master_), 0);
        ASSERT_EQ(unlockpt(master_), 0);
        slave_ = open(ptsname(master_), O_RDWR | O_NOCTTY);
        ASSERT_GE(slave_, 0);
        ASSERT_EQ(tcgetattr(slave_, &initial_), 0);
        ASSERT_TRUE((initial_.c_lflag & ICANON) && (initial_.c_lflag & ECHO));
    }
    void TearDown() override
    {
        if (slave_ >= 0) {
            close(slave_);
        }
        if (master_ >= 0) {
            close(master_);
        }
    }

    // Waits (at most two seconds) until the reader has switched the
    // terminal, so that the keys arrive as single unechoed keys.
    bool waitForKeyMode() const
    {
        for (int i = 0; i < 200; ++i) {
            termios now = {};
            if (tcgetattr(slave_, &now) == 0 && !(now.c_lflag & (ICANON | ECHO))) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // What the terminal has sent back (echo) so far.
    std::string pendingEcho() const
    {
        const int flags = fcntl(master_, F_GETFL);
        fcntl(master_, F_SETFL, flags | O_NONBLOCK);
        std::string echo;
        char buffer[64];
        ssize_t count = 0;
        while ((count = read(master_, buffer, sizeof buffer)) > 0) {
            echo.append(buffer, static_cast<std::size_t>(count));
        }
        fcntl(master_, F_SETFL, flags);
        return echo;
    }

    int master_ = -1;
    int slave_ = -1;
    termios initial_ = {};
};
#endif

#ifndef O_BINARY
#define O_BINARY 0
#endif

// Redirects the process's standard input and output around one call.
struct Redirected {
    int savedIn = dup(STDIN_FILENO);
    int savedOut = dup(STDOUT_FILENO);
    Redirected(int in, int out)
    {
        std::fflush(stdout);
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
    }
    ~Redirected()
    {
        std::fflush(stdout);
        dup2(savedIn, STDIN_FILENO);
        dup2(savedOut, STDOUT_FILENO);
        close(savedIn);
        close(savedOut);
    }
};

} // namespace

#ifndef _WIN32
TEST_F(TerminalInput, SingleUnechoedKeysWithoutLineEditingThenSettingsRestored)
{
    const std::string folder = makeTempDir("keys");
    const std::string outPath = folder + "/out";
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(out, 0);

    bool switched = false;
    // Erase and kill characters reach the reader as keys of their own.
    const std::string keys = std::string("ab") + static_cast<char>(initial_.c_cc[VERASE]) + "c" +
                             static_cast<char>(initial_.c_cc[VKILL]) + "\n";
    std::thread typist([&] {
        switched = waitForKeyMode();
        (void)!write(master_, keys.data(), keys.size());
    });
    char text[12] = {};
    std::size_t kept = 0;
    {
        Redirected redirected(slave_, out);
        kept = readHiddenText(text, 11);
    }
    typist.join();
    close(out);

    EXPECT_TRUE(switched);
    EXPECT_EQ(kept, 5u);
    EXPECT_EQ(std::string(text), keys.substr(0, 5));
    EXPECT_EQ(readFileBytes(outPath), "*****");
    EXPECT_EQ(pendingEcho(), "");

    termios after = {};
    ASSERT_EQ(tcgetattr(slave_, &after), 0);
    EXPECT_EQ(after.c_lflag, initial_.c_lflag);
    EXPECT_EQ(after.c_cc[VMIN], initial_.c_cc[VMIN]);
    EXPECT_EQ(after.c_cc[VTIME], initial_.c_cc[VTIME]);
    removeTree(folder);
}

TEST_F(TerminalInput, EleventhKeyEndsTheInputWithoutEnter)
{
    const int out = open("/dev/null", O_WRONLY);
    ASSERT_GE(out, 0);
    std::thread typist([&] {
        waitForKeyMode();
        (void)!write(master_, "0123456789AB", 12);
    });
    char text[12] = {};
    std::size_t kept = 0;
    {
        Redirected redirected(slave_, out);
        kept = readHiddenText(text, 11);
    }
    typist.join();
    close(out);
    EXPECT_EQ(kept, 11u);
    EXPECT_EQ(std::string(text), "0123456789A");
    // The twelfth key is still waiting in the terminal.
    const int flags = fcntl(slave_, F_GETFL);
    fcntl(slave_, F_SETFL, flags | O_NONBLOCK);
    termios raw = initial_;
    raw.c_lflag &= static_cast<tcflag_t>(~ICANON);
    tcsetattr(slave_, TCSANOW, &raw);
    char rest[8] = {};
    EXPECT_EQ(read(slave_, rest, sizeof rest), 1);
    EXPECT_EQ(rest[0], 'B');
    fcntl(slave_, F_SETFL, flags);
    tcsetattr(slave_, TCSANOW, &initial_);
}

TEST_F(TerminalInput, SettingsRestoredWhenASignalEndsTheProcessMidInput)
{
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            dup2(slave_, STDIN_FILENO);
            const int out = open("/dev/null", O_WRONLY);
            dup2(out, STDOUT_FILENO);
            char text[12] = {};
            readHiddenText(text, 11);
            _exit(0);
        }
        ASSERT_TRUE(waitForKeyMode());
        kill(child, signalNumber);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), signalNumber);
        termios after = {};
        ASSERT_EQ(tcgetattr(slave_, &after), 0);
        EXPECT_EQ(after.c_lflag, initial_.c_lflag);
    }
}

#endif

TEST(NonTerminalInput, BytesOneAtATimeAndEndOfInputCountsAsEnter)
{
    const std::string folder = makeTempDir("keys");
    struct Case {
        std::string input;
        std::string text;
    };
    const Case cases[] = {
        {"abc\ndef", "abc"},
        {"abc\rdef", "abc"},
        {"abc", "abc"},
        {"", ""},
        {"\n", ""},
        {"0123456789ABCDEF", "0123456789A"},
        // Bytes arrive unchanged: no CR LF folding, Ctrl+Z is a key.
        {"ab\r\ncd", "ab"},
        {"a\x1a" "b", "a\x1a" "b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        writeFileBytes(folder + "/in", c.input);
        // Text-mode descriptors on Windows: the reader itself must switch
        // standard input to binary.
        const int in = open((folder + "/in").c_str(), O_RDONLY);
        const int out = open((folder + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_BINARY, 0600);
        ASSERT_GE(in, 0);
        ASSERT_GE(out, 0);
        char text[12] = {};
        std::size_t kept = 0;
        {
            Redirected redirected(in, out);
            kept = readHiddenText(text, 11);
        }
        // Only the bytes up to the end of the text were taken from the input.
        const off_t consumed = lseek(in, 0, SEEK_CUR);
        close(in);
        close(out);
        EXPECT_EQ(std::string(text), c.text);
        EXPECT_EQ(kept, c.text.size());
        EXPECT_EQ(readFileBytes(folder + "/out"), std::string(c.text.size(), '*'));
        const std::size_t expectedConsumed =
            c.text.size() < c.input.size() && c.text.size() < 11 ? c.text.size() + 1 : c.text.size();
        EXPECT_EQ(static_cast<std::size_t>(consumed), expectedConsumed);
    }
    removeTree(folder);
}
