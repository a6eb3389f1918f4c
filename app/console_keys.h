// Hidden console input for the access code: keys are read one at a time
// without echo, and one "*" is shown for each key kept.
#ifndef APP_CONSOLE_KEYS_H
#define APP_CONSOLE_KEYS_H

#include <cstddef>

// Reads up to `capacity` keys into `text` (which holds capacity + 1
// characters) and terminates the text with a NUL. A carriage return or a
// line feed ends the input and is not kept; every other key, Backspace and
// NUL included, is kept as typed, and "*" is printed and flushed for it.
// When standard input is a terminal, keys are read unechoed and singly;
// otherwise bytes are read one at a time and the end of input counts as
// Enter. Returns the number of keys kept.
std::size_t readHiddenText(char* text, std::size_t capacity);

#endif
