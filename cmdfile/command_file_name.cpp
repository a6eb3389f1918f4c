#include "cmdfile/command_file_name.h"

std::string buildCommandFileName(std::uint32_t fromBoard, std::uint32_t toBoard,
                                 const std::string& fromText, const std::string& toText)
{
    if (fromBoard == 0) {
        return "create" + toText + ".rtn";
    }
    if (toBoard == 0) {
        return "delete" + fromText + ".rtn";
    }
    return fromText + "to" + toText + ".rtn";
}
