#include "ui/panels/overview/OverviewTileContent.h"

#include "base/Units.h"
#include "support/HubFixture.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;
using namespace morvanex::ui::overview;

TEST(OverviewTileValues, WholeNumbersAndNetworkSplit) {
    EXPECT_EQ(wholeText(15.5), "16");
    EXPECT_EQ(wholeText(0.4), "0");
    EXPECT_EQ(wholeText(-2.5), "-3");
    EXPECT_EQ(wholeText(std::nan("")), "—");

    const std::vector<std::pair<QString, HeroTextContent>> table = {
        {"1.2 MB/s", {"1.2", QString(" MB/s ↓"), 22}},
        {"512 KB/s", {"512", QString(" KB/s ↓"), 22}},
        {"12.5 Mb/s", {"12.5", QString(" Mb/s ↓"), 22}},
        {"—", {"—", QString("  ↓"), 22}},
        {"", {"0", QString("  ↓"), 22}},
        {" KB/s", {"KB/s", QString("  ↓"), 22}},
    };
    for (const auto& [rate, hero] : table)
        EXPECT_EQ(networkHero(rate), hero) << rate.toStdString();
}

TEST(OverviewTileValues, DiskShareCountsSpaceForImportantUse) {
    DiskMonitor::Volume volume;
    volume.total = 1000;
    volume.available = 50;
    volume.availableImportant = 100;
    EXPECT_DOUBLE_EQ(diskUsedPercent(volume), 90);
    EXPECT_EQ(diskBarTint(diskUsedPercent(volume)), Tint::blue);
    volume.availableImportant = 90;
    EXPECT_DOUBLE_EQ(diskUsedPercent(volume), 91);
    EXPECT_EQ(diskBarTint(91), Tint::red);
    volume.availableImportant = 2000;
    EXPECT_DOUBLE_EQ(diskUsedPercent(volume), 0);
    volume.total = 0;
    EXPECT_DOUBLE_EQ(diskUsedPercent(volume), 0);
    EXPECT_DOUBLE_EQ(diskUsedPercent(std::nullopt), 0);
}

TEST(OverviewBigTiles, ReadTheMonitors) {
    test::HubFixture f;
    Hub& hub = *f.hub;
    hub.cpu.user = 12.4;
    hub.cpu.system = 3.1;
    hub.cpu.totalHistory.add(10);
    hub.cpu.totalHistory.add(15.5);
    BigTileContent cpu = bigTile(OverviewItem::cpu, hub, false);
    EXPECT_EQ(cpu.label, "CPU");
    EXPECT_EQ(cpu.color, Tint::blue);
    EXPECT_EQ(cpu.value, (HeroTextContent{"16", QString("%"), 22}));
    EXPECT_EQ(cpu.history, (std::vector<double>{10, 15.5}));
    EXPECT_EQ(cpu.maxValue, 100);
    hub.cpu.user = 0.3;
    hub.cpu.system = 0.1;
    EXPECT_EQ(bigTile(OverviewItem::cpu, hub, false).value.value, "0");

    hub.gpu.gpus.clear();
    BigTileContent gpu = bigTile(OverviewItem::gpu, hub, false);
    EXPECT_EQ(gpu.value, (HeroTextContent{"—", std::nullopt, 22}));
    EXPECT_TRUE(gpu.history.empty());
    GPUMonitor::GPU first;
    first.utilization = 30;
    first.history.add(30);
    GPUMonitor::GPU second;
    second.utilization = 70;
    second.history.add(70);
    second.history.add(71);
    hub.gpu.gpus = {first, second};
    gpu = bigTile(OverviewItem::gpu, hub, false);
    EXPECT_EQ(gpu.label, "GPU");
    EXPECT_EQ(gpu.color, Tint::purple);
    EXPECT_EQ(gpu.value.value, "70");
    EXPECT_EQ(gpu.history, std::vector<double>{30});

    hub.memory.total = 0;
    hub.memory.app = 5;
    EXPECT_EQ(bigTile(OverviewItem::memory, hub, false).value.value, "0");
    hub.memory.total = 200;
    hub.memory.app = 50;
    hub.memory.wired = 20;
    hub.memory.compressed = 11;
    const BigTileContent memory = bigTile(OverviewItem::memory, hub, false);
    EXPECT_EQ(memory.label, "Memory");
    EXPECT_EQ(memory.color, Tint::green);
    EXPECT_EQ(memory.value.value, "41"); // 40.5 rounds away from zero

    hub.network.download = 512 * 1024;
    BigTileContent network = bigTile(OverviewItem::network, hub, false);
    EXPECT_EQ(network.label, "Network");
    EXPECT_EQ(network.color, Tint::teal);
    EXPECT_EQ(network.value, (HeroTextContent{"512", QString(" KB/s ↓"), 22}));
    EXPECT_FALSE(network.maxValue.has_value());
    network = bigTile(OverviewItem::network, hub, true);
    EXPECT_EQ(network.value.unit, QString(" Mb/s ↓"));
}

TEST(OverviewSmallTiles, ReadTheMonitors) {
    test::HubFixture f;
    Hub& hub = *f.hub;
    hub.disks.volumes.clear();
    SmallTileContent disk = smallTile(OverviewItem::disk, hub, TempUnit::celsius);
    EXPECT_EQ(disk.label, "Disk");
    EXPECT_EQ(disk.value, "0%");
    DiskMonitor::Volume root;
    root.isRoot = true;
    root.total = 100;
    root.availableImportant = 9;
    hub.disks.volumes = {root};
    disk = smallTile(OverviewItem::disk, hub, TempUnit::celsius);
    EXPECT_EQ(disk.value, "91%");
    const auto* bar = std::get_if<UsageBar>(&disk.detail);
    ASSERT_NE(bar, nullptr);
    EXPECT_DOUBLE_EQ(bar->fraction, 0.91);
    EXPECT_EQ(bar->color, Tint::red);
    EXPECT_EQ(bar->height, 4);

    hub.battery.present = true;
    hub.battery.percent = 42.5;
    hub.battery.minutesRemaining = 95;
    hub.battery.isCharging = true;
    const SmallTileContent battery = smallTile(OverviewItem::battery, hub, TempUnit::celsius);
    EXPECT_EQ(battery.label, "Battery");
    EXPECT_EQ(battery.value, "43%");
    EXPECT_EQ(std::get<QString>(battery.detail), "1:35 to full");

    hub.sensors.fans.clear();
    hub.sensors.isReady = true;
    const SmallTileContent sensors = smallTile(OverviewItem::sensors, hub, TempUnit::fahrenheit);
    EXPECT_EQ(sensors.label, "Sensors");
    EXPECT_EQ(sensors.value, format(TempUnit::fahrenheit, hub.menubarTemperature(), 0));
    EXPECT_EQ(std::get<QString>(sensors.detail), "Fanless");
}

TEST(OverviewSmallTiles, SensorsTileSaysWhatThePanelSaysWhenNothingIsReadable) {
    test::HubFixture f([](Hub::Sources& sources) { sources.smc = std::make_shared<SMC>(nullptr); });
    Hub& hub = *f.hub;
    hub.sensors.isReady = true;
    ASSERT_FALSE(hub.smc().isOpen());
    const SmallTileContent sensors = smallTile(OverviewItem::sensors, hub, TempUnit::celsius);
    EXPECT_EQ(std::get<QString>(sensors.detail), "Not readable");
}
