// Console keys on Windows: the console's own unechoed key call when
// standard input is a console; other input (a file, a pipe, NUL) is read a
// byte at a time, unchanged.
#include "app/console_platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <cstdio>

bool inputIsTerminal()
{
    // _isatty is true for every character device, NUL included; only a
    // console has a console mode.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

// The console's key call never echoes; there is no mode to switch.
void startUnechoedKeys() {}
void stopUnechoedKeys() {}

int readTerminalKey()
{
    return _getch();
}

int readInputByte()
{
    // Redirected input is read in binary mode, so that the bytes arrive as
    // on other systems: no CR LF folding, no end at Ctrl+Z.
    _setmode(_fileno(stdin), _O_BINARY);
    unsigned char byte = 0;
    return _read(_fileno(stdin), &byte, 1) == 1 ? byte : -1;
}
