#ifndef CMDFILE_COMMAND_FILE_NAME_H
#define CMDFILE_COMMAND_FILE_NAME_H

#include <cstdint>
#include <string>

// "create<T>.rtn" when fromBoard is 0, else "delete<F>.rtn" when toBoard is
// 0, else "<F>to<T>.rtn"; F and T are the argument texts as typed.
std::string buildCommandFileName(std::uint32_t fromBoard, std::uint32_t toBoard,
                                 const std::string& fromText, const std::string& toText);

#endif
