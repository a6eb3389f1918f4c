// The platform's part of the console key input (one implementation file
// per platform).
#ifndef APP_CONSOLE_PLATFORM_H
#define APP_CONSOLE_PLATFORM_H

// Whether standard input is an interactive terminal or console.
bool inputIsTerminal();

// Switches the terminal to unechoed single-key input, and back. The
// previous settings are also restored when the process is ended by a
// signal in between.
void startUnechoedKeys();
void stopUnechoedKeys();

// One key from the terminal, or -1 when it delivers none.
int readTerminalKey();

// One byte of standard input, or -1 at its end or on an error.
int readInputByte();

#endif
