// The fault sweep fails each library call of each flow in turn; the crash
// sweep kills the process at each call in turn. Each prints its closing
// figure and must lose no data.
#include <gtest/gtest.h>

#include <cstdio>

#include "sweep.h"

namespace {

void runSweep(const std::string& name, Injection injection)
{
    SweepTotals totals;
    for (const auto& flow : sweepFlows()) {
        sweepFlow(flow, injection, totals);
    }
    std::printf("%s\n", closingFigure(name, totals).c_str());
    std::fflush(stdout);
    EXPECT_EQ(totals.flows, 7);
    EXPECT_EQ(totals.dataLost, 0);
}

TEST(Sweep, FailingEachCallOfEachFlowLosesNoData)
{
    runSweep("fault sweep", Injection::Fail);
}

TEST(Sweep, KillingTheProcessAtEachCallOfEachFlowLosesNoData)
{
    runSweep("crash sweep", Injection::Abort);
}

TEST(Sweep, TraceParsingCountsEachCallsOccurrences)
{
    const auto calls = parseTrace("rtEnumReadersA(\"KeyToken\") = 1\n"
                                  "rtGetReadersCount(1) = 2\n"
                                  "rtEnumReadersA(\"KeyToken\") = 3\n"
                                  "leak reader 2 \"KeyToken 0\"\n");
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].name, "rtEnumReadersA");
    EXPECT_EQ(calls[0].occurrence, 1);
    EXPECT_EQ(calls[1].name, "rtGetReadersCount");
    EXPECT_EQ(calls[1].occurrence, 1);
    EXPECT_EQ(calls[2].name, "rtEnumReadersA");
    EXPECT_EQ(calls[2].occurrence, 2);
}

} // namespace
