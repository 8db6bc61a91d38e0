#include "app/TickInterval.h"

#include <gtest/gtest.h>
#include <limits>

using namespace std::chrono_literals;

namespace {

TEST(TickInterval, UnusableIntervalsNeverMakeABusyTimer) {
    const struct {
        double seconds;
        std::chrono::milliseconds expected;
    } rows[] = {
        {2, 2000ms},
        {1.5, 1500ms},
        {0, 2000ms},
        {-5, 2000ms},
        {std::numeric_limits<double>::quiet_NaN(), 2000ms},
        {-std::numeric_limits<double>::infinity(), 2000ms},
        {std::numeric_limits<double>::infinity(), 86'400'000ms},
        {1e300, 86'400'000ms},
        {1e-9, 100ms},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.seconds);
        EXPECT_EQ(morvanex::tickInterval(row.seconds), row.expected);
    }
}

} // namespace
