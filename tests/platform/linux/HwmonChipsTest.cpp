#include "platform/linux/HwmonChips.h"

#include <gtest/gtest.h>

using namespace morvanex::platform;

TEST(HwmonChips, ChipsByNameWithTheirChannels) {
    const auto chips =
        readHwmonChips(Roots::under(QStringLiteral(MORVANEX_FIXTURES "/sensors/amd-desktop")));
    std::vector<QString> names;
    for (const auto& chip : chips)
        names.push_back(chip.name);
    EXPECT_EQ(names, (std::vector<QString>{"amdgpu", "k10temp", "nct6798", "nvme"}));

    const HwmonChip& gpu = chips[0];
    ASSERT_EQ(gpu.channels.size(), 5u); // three temperatures, the fan, the power
    EXPECT_EQ(gpu.channels[0].kind, HwmonChannel::Kind::temperature);
    EXPECT_EQ(gpu.channels[0].label, QStringLiteral("edge"));
    EXPECT_EQ(gpu.channels[2].label, QStringLiteral("mem"));
    EXPECT_EQ(gpu.channels[3].kind, HwmonChannel::Kind::fan);
    EXPECT_TRUE(gpu.channels[3].minimum.endsWith("fan1_min"));
    EXPECT_TRUE(gpu.channels[3].maximum.endsWith("fan1_max"));
    EXPECT_EQ(gpu.channels[4].kind, HwmonChannel::Kind::power);
    EXPECT_TRUE(gpu.channels[4].input.endsWith("power1_average"));
    EXPECT_EQ(readHwmonValue(gpu.channels[4].input), 35000000.0);

    const HwmonChip& superIo = chips[2];
    EXPECT_TRUE(superIo.channels[3].maximum.isEmpty());
}

TEST(HwmonChips, NumbersSortNumerically) {
    const auto chips =
        readHwmonChips(Roots::under(QStringLiteral(MORVANEX_FIXTURES "/sensors/intel-laptop")));
    const auto coretemp = std::find_if(chips.begin(), chips.end(),
                                       [](const auto& c) { return c.name == "coretemp"; });
    ASSERT_NE(coretemp, chips.end());
    std::vector<int> numbers;
    for (const auto& channel : coretemp->channels)
        numbers.push_back(channel.number);
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 6, 10, 14, 18, 19, 20, 21, 22, 23, 24, 25}));
    const auto battery =
        std::find_if(chips.begin(), chips.end(), [](const auto& c) { return c.name == "BAT0"; });
    ASSERT_NE(battery, chips.end());
    EXPECT_EQ(battery->deviceType, QStringLiteral("Battery"));
    EXPECT_EQ(readHwmonValue("/nonexistent/temp1_input"), std::nullopt);
}

TEST(HwmonChips, NoneWithoutTheClass) {
    EXPECT_TRUE(
        readHwmonChips(Roots::under(QStringLiteral(MORVANEX_FIXTURES "/sensors/vm"))).empty());
}
