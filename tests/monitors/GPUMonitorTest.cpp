#include "monitors/GPUMonitor.h"

#include "platform/linux/DrmGpus.h"
#include "support/FixtureTree.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace morvanex;
using morvanex::test::copyFixture;
using morvanex::test::writeFile;

namespace {

const QStringList pciIds{QStringLiteral(MORVANEX_FIXTURES "/gpu/pci.ids")};

struct ManualClock {
    double now = 1000;
    platform::Clock clock() {
        platform::Clock c;
        c.monotonic = [this] { return now; };
        return c;
    }
};

} // namespace

TEST(GPUMonitor, AmdDesktop) {
    GPUMonitor monitor(platform::Roots::under(copyFixture("gpu/amd-desktop")),
                       platform::Clock::system(), pciIds);
    EXPECT_TRUE(monitor.gpus.empty());
    EXPECT_EQ(monitor.utilization(), 0);
    monitor.sample();
    ASSERT_EQ(monitor.gpus.size(), 1u);
    const GPUMonitor::GPU& gpu = monitor.gpus[0];
    EXPECT_EQ(gpu.id, 0);
    EXPECT_EQ(gpu.name, QStringLiteral("AMD Radeon RX 6800/6800 XT / 6900 XT"));
    EXPECT_EQ(gpu.cores, std::nullopt);
    EXPECT_EQ(gpu.utilization, 37);
    EXPECT_EQ(gpu.renderer, std::nullopt);
    EXPECT_EQ(gpu.tiler, std::nullopt);
    EXPECT_EQ(gpu.memoryUsed, 1073741824.0);
    EXPECT_EQ(gpu.history.values, std::vector<double>{37});
    EXPECT_EQ(gpu.history.capacity, 120);
    EXPECT_EQ(monitor.utilization(), 37);
}

TEST(GPUMonitor, IntelBusyFromIdleTimeAndSleepingGpu) {
    const QString root = copyFixture("gpu/hybrid-laptop");
    ManualClock clock;
    GPUMonitor monitor(platform::Roots::under(root), clock.clock(), pciIds);
    monitor.sample();
    ASSERT_EQ(monitor.gpus.size(), 2u);
    EXPECT_EQ(monitor.gpus[0].name, QStringLiteral("Intel Iris Xe Graphics"));
    EXPECT_EQ(monitor.gpus[0].utilization, 0); // no interval yet
    EXPECT_EQ(monitor.gpus[1].name, QStringLiteral("AMD Radeon Pro 5300M"));
    EXPECT_EQ(monitor.gpus[1].utilization, 0);
    EXPECT_EQ(monitor.gpus[1].memoryUsed, std::nullopt);

    // 2 s later the GPU was idle for 1.5 s of them: 25 % busy.
    clock.now += 2;
    writeFile(root, "sys/class/drm/card0/gt/gt0/rc6_residency_ms", "1001500\n");
    monitor.sample();
    EXPECT_DOUBLE_EQ(monitor.gpus[0].utilization, 25);
    EXPECT_EQ(monitor.gpus[0].history.values, (std::vector<double>{0, 25}));
    EXPECT_EQ(monitor.utilization(), 25);
}

TEST(GPUMonitor, RecordsFollowTheDeviceNotThePosition) {
    const QString root = copyFixture("gpu/hybrid-laptop");
    writeFile(root, "sys/class/drm/card1/device/power/runtime_status", "active\n");
    GPUMonitor monitor(platform::Roots::under(root), platform::Clock::system(), pciIds);
    monitor.sample();
    monitor.sample();
    ASSERT_EQ(monitor.gpus.size(), 2u);
    EXPECT_EQ(monitor.gpus[1].utilization, 99);
    const GPUMonitor::GPU discrete = monitor.gpus[1];

    // The integrated GPU goes away: the discrete one keeps its own record.
    QDir(root + "/sys/class/drm/card0").removeRecursively();
    monitor.sample();
    ASSERT_EQ(monitor.gpus.size(), 1u);
    EXPECT_EQ(monitor.gpus[0].id, discrete.id);
    EXPECT_EQ(monitor.gpus[0].name, discrete.name);
    EXPECT_EQ(monitor.gpus[0].history.values, (std::vector<double>{99, 99, 99}));

    // A device that appears gets a fresh record and an id no other record holds.
    writeFile(root, "sys/class/drm/card2/device/uevent", "DRIVER=amdgpu\nPCI_ID=1002:73BF\n");
    writeFile(root, "sys/class/drm/card2/device/drm/renderD130/dev", "226:130\n");
    writeFile(root, "sys/class/drm/card2/device/gpu_busy_percent", "20\n");
    monitor.sample();
    ASSERT_EQ(monitor.gpus.size(), 2u);
    EXPECT_EQ(monitor.gpus[1].name, QStringLiteral("AMD Radeon RX 6800/6800 XT / 6900 XT"));
    EXPECT_NE(monitor.gpus[1].id, monitor.gpus[0].id);
    EXPECT_EQ(monitor.gpus[1].history.values, std::vector<double>{20});
    EXPECT_EQ(monitor.utilization(), 99);
}

TEST(GPUMonitor, Names) {
    platform::DrmGpu device;
    EXPECT_EQ(GPUMonitor::name(device, pciIds), QStringLiteral("GPU"));
    device.driver = "virtio_gpu";
    EXPECT_EQ(GPUMonitor::name(device, pciIds), QStringLiteral("virtio_gpu"));
    device.pciId = "10DE:2484";
    EXPECT_EQ(GPUMonitor::name(device, pciIds), QStringLiteral("NVIDIA GeForce RTX 3070"));
    EXPECT_EQ(GPUMonitor::name(device, {}), QStringLiteral("virtio_gpu"));
    device.productName = "AMD Radeon RX 6800 XT";
    EXPECT_EQ(GPUMonitor::name(device, pciIds), QStringLiteral("AMD Radeon RX 6800 XT"));
}

TEST(GPUMonitor, NoDrmNoGpus) {
    GPUMonitor monitor(platform::Roots::under(QStringLiteral(MORVANEX_FIXTURES "/sensors/vm")));
    monitor.sample();
    EXPECT_TRUE(monitor.gpus.empty());
    EXPECT_EQ(monitor.utilization(), 0);
    GPUMonitor display(platform::Roots::under(QStringLiteral(MORVANEX_FIXTURES "/gpu/simpledrm")));
    display.sample();
    EXPECT_TRUE(display.gpus.empty());
}

TEST(GPUMonitor, ThisMachineSamplesWithoutError) {
    GPUMonitor monitor;
    monitor.sample();
    // The test's own count: every DRM card whose device has a render node is a GPU.
    std::size_t cards = 0;
    const QDir drm(QStringLiteral("/sys/class/drm"));
    for (const QString& card :
         drm.entryList({QStringLiteral("card*")}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (card.contains(u'-'))
            continue; // a connector ("card0-HDMI-A-1"), not a card
        const QDir nodes(drm.filePath(card + QStringLiteral("/device/drm")));
        if (!nodes.entryList({QStringLiteral("renderD*")}, QDir::Dirs | QDir::NoDotAndDotDot)
                 .isEmpty())
            ++cards;
    }
    EXPECT_EQ(monitor.gpus.size(), cards);
    for (const auto& gpu : monitor.gpus) {
        EXPECT_FALSE(gpu.name.isEmpty());
        EXPECT_GE(gpu.utilization, 0);
        EXPECT_LE(gpu.utilization, 100);
    }
}
