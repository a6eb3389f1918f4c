#include "cmdfile/command_file_name.h"

#include <gtest/gtest.h>

struct NameCase {
    std::uint32_t fromBoard;
    std::uint32_t toBoard;
    const char* fromText;
    const char* toText;
    const char* expected;
};

class CommandFileName : public testing::TestWithParam<NameCase> {};

TEST_P(CommandFileName, FormChosenByNumbersFilledWithTextsAsTyped)
{
    const NameCase& c = GetParam();
    EXPECT_EQ(buildCommandFileName(c.fromBoard, c.toBoard, c.fromText, c.toText), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, CommandFileName,
    testing::Values(NameCase{0, 5, "0", "5", "create5.rtn"},
                    NameCase{0, 12, "000", "0012", "create0012.rtn"},
                    NameCase{34, 0, "34", "0", "delete34.rtn"},
                    NameCase{34, 0, "34", "00", "delete34.rtn"},
                    NameCase{7, 12, "007", "12", "007to12.rtn"},
                    NameCase{12, 345, "12abc", "345", "12abcto345.rtn"},
                    NameCase{9999, 1, "9999", "1", "9999to1.rtn"},
                    // (0, 0) is named like a create, after the second text.
                    NameCase{0, 0, "0", "00", "create00.rtn"}));
