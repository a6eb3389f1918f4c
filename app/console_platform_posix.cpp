// Console keys on POSIX systems: a terminal in non-canonical mode without
// echo, one byte per read.
#include "app/console_platform.h"

#include <cerrno>
#include <csignal>

#include <termios.h>
#include <unistd.h>

namespace {

termios savedSettings;
bool settingsSaved = false;

// Signals that end the process while a key is awaited; the terminal must
// not be left without echo.
const int RESTORING_SIGNALS[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP};
struct sigaction previousActions[sizeof RESTORING_SIGNALS / sizeof RESTORING_SIGNALS[0]];

extern "C" void restoreTerminalAndDie(int signalNumber)
{
    tcsetattr(STDIN_FILENO, TCSANOW, &savedSettings);
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

int readOneByte()
{
    unsigned char byte = 0;
    for (;;) {
        const ssize_t count = read(STDIN_FILENO, &byte, 1);
        if (count == 1) {
            return byte;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        return -1;
    }
}

} // namespace

bool inputIsTerminal()
{
    return isatty(STDIN_FILENO) == 1;
}

void startUnechoedKeys()
{
    if (tcgetattr(STDIN_FILENO, &savedSettings) != 0) {
        return;
    }
    settingsSaved = true;
    struct sigaction action = {};
    action.sa_handler = restoreTerminalAndDie;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < sizeof RESTORING_SIGNALS / sizeof RESTORING_SIGNALS[0]; ++i) {
        sigaction(RESTORING_SIGNALS[i], &action, &previousActions[i]);
    }
    termios keys = savedSettings;
    keys.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    keys.c_cc[VMIN] = 1;
    keys.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &keys);
}

void stopUnechoedKeys()
{
    if (!settingsSaved) {
        return;
    }
    tcsetattr(STDIN_FILENO, TCSANOW, &savedSettings);
    for (std::size_t i = 0; i < sizeof RESTORING_SIGNALS / sizeof RESTORING_SIGNALS[0]; ++i) {
        sigaction(RESTORING_SIGNALS[i], &previousActions[i], nullptr);
    }
    settingsSaved = false;
}

int readTerminalKey()
{
    return readOneByte();
}

int readInputByte()
{
    return readOneByte();
}
