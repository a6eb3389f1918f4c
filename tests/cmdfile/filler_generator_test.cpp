#include "cmdfile/filler_generator.h"

#include <gtest/gtest.h>

#include <vector>

TEST(FillerGenerator, WorkedExampleDrawsAfterTheDiscardedSeedingStep)
{
    FillerGenerator generator;
    generator.seed(1000000000u);
    // The seeding step's output (1175) is dropped: the first draw is 2756.
    const std::vector<std::uint32_t> expected = {2756,  18617, 10355, 8749, 7285,  2141,
                                                 30163, 16687, 26846, 16976, 4682, 17014,
                                                 27172, 2422,  698,   8194};
    std::vector<std::uint32_t> drawn;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        drawn.push_back(generator.next());
    }
    EXPECT_EQ(drawn, expected);
}

TEST(FillerGenerator, SeedingStepOutputIsTheOneBeforeTheFirstDraw)
{
    FillerGenerator generator;
    generator.state = 1000000000u;
    EXPECT_EQ(generator.next(), 1175u);
    EXPECT_EQ(generator.next(), 2756u);
}

TEST(FillerGenerator, StateWrapsModulo2To32AndOutputDropsBit31)
{
    FillerGenerator generator;
    generator.state = 0xFFFFFFFFu;
    // 0xFFFFFFFF * 22695477 + 1 = -22695476 mod 2^32 = 0xFEA5B1CC.
    EXPECT_EQ(generator.next(), (0xFEA5B1CCu >> 16) & 0x7FFFu);
    EXPECT_EQ(generator.state, 0xFEA5B1CCu);

    FillerGenerator fromZero;
    fromZero.seed(0);
    EXPECT_EQ(fromZero.state, 1u);
    EXPECT_EQ(fromZero.next(), 346u);
    EXPECT_EQ(fromZero.state, 22695478u);
}

TEST(FillerGenerator, OutputsStayBelow32768)
{
    FillerGenerator generator;
    generator.seed(12345u);
    for (int i = 0; i < 100000; ++i) {
        ASSERT_LE(generator.next(), 32767u);
    }
}
