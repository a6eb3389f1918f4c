#include "cmdfile/group_codec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct WorkedGroup {
    unsigned digit;
    unsigned hi;
    unsigned lo;
    const char* written;
};

// The eight groups of the worked example: (12, 345) seeded with 1000000000.
const WorkedGroup WORKED_GROUPS[] = {
    {0, 56, 17, "770683"}, {0, 55, 49, "760906"}, {0, 85, 41, "972520"},
    {3, 63, 87, "839129"}, {1, 46, 76, "663383"}, {4, 82, 14, "962088"},
    {2, 72, 22, "906306"}, {5, 98, 94, "999756"},
};

} // namespace

TEST(GroupCodec, WorkedExampleGroupsEncodeAndReadBack)
{
    for (const WorkedGroup& g : WORKED_GROUPS) {
        SCOPED_TRACE(g.written);
        EXPECT_EQ(encodeGroup(g.digit, g.hi, g.lo), g.written);
        EXPECT_EQ(decodeGroup(g.written), g.digit);
    }
}

TEST(GroupCodec, GroupValueZeroAndSineRoundedToOneAreWrittenAsZeros)
{
    EXPECT_EQ(encodeGroup(0, 0, 0), "000000");
    EXPECT_EQ(encodeGroup(9, 99, 35), "999999");
    for (unsigned lo = 36; lo <= 99; ++lo) {
        EXPECT_EQ(encodeGroup(9, 99, lo), "000000") << lo;
    }
}

// Every group value 0..99999, sorted by what reading it back gives.
TEST(GroupCodec, EveryGroupValueReadsBackAsCounted)
{
    int rejected = 0;
    int oneLower = 0;
    int oneHigher = 0;
    int firstTrouble = -1;
    for (unsigned value = 0; value <= 99999; ++value) {
        const unsigned hi = value / 1000;
        const unsigned digit = value / 100 % 10;
        const unsigned lo = value % 100;
        const std::string group = encodeGroup(digit, hi, lo);
        ASSERT_EQ(group.size(), 6u) << value;
        const auto read = decodeGroup(group);
        if (read == digit) {
            continue;
        }
        if (firstTrouble < 0 && value > 0) {
            firstTrouble = static_cast<int>(value);
        }
        if (!read) {
            ++rejected;
            EXPECT_TRUE(value == 0 || value >= 99936) << value;
            continue;
        }
        EXPECT_TRUE(lo == 0 || hi == 99) << value;
        if (*read == (digit + 9) % 10) {
            ++oneLower;
        } else if (*read == (digit + 1) % 10) {
            ++oneHigher;
        } else {
            ADD_FAILURE() << value << " reads as " << *read;
        }
    }
    EXPECT_GE(firstTrouble, 81800);
    EXPECT_EQ(rejected, 65);
    EXPECT_EQ(oneLower, 60);
    EXPECT_EQ(oneHigher, 16);
}

struct DecodeCase {
    std::string group;
    std::optional<unsigned> digit;
};

class DecodeGroup : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeGroup, ReadsTheLongestNumberAfterZeroPoint)
{
    EXPECT_EQ(decodeGroup(GetParam().group), GetParam().digit);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DecodeGroup,
    testing::Values(DecodeCase{"000000", std::nullopt}, DecodeCase{"999999", 9u},
                    // Read as 0.12: the rest of the group is ignored.
                    DecodeCase{"12ab56", 6u}, DecodeCase{std::string("12\0" "456", 6), 6u},
                    DecodeCase{"12", 6u},
                    // No digit right after the point: the value is 0.
                    DecodeCase{" 12345", std::nullopt}, DecodeCase{"+12345", std::nullopt},
                    DecodeCase{"-12345", std::nullopt}, DecodeCase{"x12345", std::nullopt},
                    DecodeCase{"", std::nullopt},
                    // Only six characters take part, whatever follows.
                    DecodeCase{"7706839", 0u}));
