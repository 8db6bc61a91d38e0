#include "monitors/History.h"

#include <gtest/gtest.h>
#include <limits>

using morvanex::History;

namespace {

TEST(History, NonFiniteValuesAreStoredAsZero) {
    History history(5);
    history.add(1.5);
    for (double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity()})
        history.add(bad);
    EXPECT_EQ(history.values, (std::vector<double>{1.5, 0, 0, 0}));
}

TEST(History, DropsTheOldestBeyondCapacity) {
    History history(120);
    for (int i = 0; i < 121; ++i)
        history.add(i);
    ASSERT_EQ(history.values.size(), 120u);
    EXPECT_EQ(history.values.front(), 1);
    EXPECT_EQ(history.values.back(), 120);
}

TEST(History, CapacityZeroOrNegativeKeepsNothing) {
    for (std::int64_t capacity : {0, -3}) {
        History history(capacity);
        history.add(7);
        history.add(8);
        EXPECT_TRUE(history.values.empty());
    }
}

TEST(History, ShrinksAnOverfullListToCapacity) {
    History history(2);
    history.values = {1, 2, 3, 4};
    history.add(5);
    EXPECT_EQ(history.values, (std::vector<double>{4, 5}));
}

} // namespace
