// Console keys on Windows: the console's own unechoed key call; other
// input is read a byte at a time.
#include "app/console_platform.h"

#include <conio.h>
#include <io.h>
#include <cstdio>

bool inputIsTerminal()
{
    return _isatty(_fileno(stdin)) != 0;
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
    unsigned char byte = 0;
    return _read(_fileno(stdin), &byte, 1) == 1 ? byte : -1;
}
