#include "platform/linux/DrmGpus.h"

#include "platform/linux/DrmPciNames.h"

#include <gtest/gtest.h>

using namespace morvanex::platform;

namespace {

Roots gpu(const char* name) {
    return Roots::under(QStringLiteral(MORVANEX_FIXTURES "/gpu/") + QLatin1String(name));
}

const QStringList pciIds{QStringLiteral(MORVANEX_FIXTURES "/gpu/pci.ids")};

} // namespace

TEST(DrmGpus, AmdDesktop) {
    const auto gpus = readDrmGpus(gpu("amd-desktop"));
    ASSERT_EQ(gpus.size(), 1u); // card0 only: not its connector, not the render node
    EXPECT_EQ(gpus[0].card, QStringLiteral("card0"));
    EXPECT_EQ(gpus[0].driver, QStringLiteral("amdgpu"));
    EXPECT_EQ(gpus[0].pciId, QStringLiteral("1002:73BF"));
    EXPECT_TRUE(gpus[0].productName.isEmpty());
    EXPECT_EQ(gpus[0].busyPercent, 37.0);
    EXPECT_EQ(gpus[0].vramUsed, 1073741824.0);
    EXPECT_EQ(gpus[0].idleResidencyMs, std::nullopt);
    EXPECT_TRUE(gpus[0].devicePath.endsWith("card0/device"));
}

TEST(DrmGpus, IntelAndSleepingDiscreteGpu) {
    const auto gpus = readDrmGpus(gpu("hybrid-laptop"));
    ASSERT_EQ(gpus.size(), 2u);
    EXPECT_EQ(gpus[0].driver, QStringLiteral("i915"));
    EXPECT_EQ(gpus[0].idleResidencyMs, 1000000.0);
    EXPECT_EQ(gpus[0].busyPercent, std::nullopt);
    EXPECT_TRUE(gpus[1].suspended);
    EXPECT_EQ(gpus[1].busyPercent, std::nullopt); // left unread so as not to wake it
    EXPECT_EQ(gpus[1].productName, QStringLiteral("AMD Radeon Pro 5300M"));
}

TEST(DrmGpus, DisplayOnlyDevicesAndNoDrmAreNoGpus) {
    EXPECT_TRUE(readDrmGpus(gpu("simpledrm")).empty());
    EXPECT_TRUE(readDrmGpus(Roots::under(QStringLiteral(MORVANEX_FIXTURES "/sensors/vm"))).empty());
}

TEST(DrmPciNames, MarketingNames) {
    EXPECT_EQ(pciDeviceName(pciIds, "1002:73BF"),
              QStringLiteral("AMD Radeon RX 6800/6800 XT / 6900 XT"));
    EXPECT_EQ(pciDeviceName(pciIds, "8086:46a6"), QStringLiteral("Intel Iris Xe Graphics"));
    EXPECT_EQ(pciDeviceName(pciIds, "10DE:2484"), QStringLiteral("NVIDIA GeForce RTX 3070"));
    EXPECT_EQ(pciDeviceName(pciIds, "1234:1111"),
              QStringLiteral("Technical Corp. QEMU Virtual Video Controller"));
    EXPECT_EQ(pciDeviceName(pciIds, "1002:FFFF"), std::nullopt);
    EXPECT_EQ(pciDeviceName(pciIds, "1022:73bf"), std::nullopt); // another vendor's device list
    EXPECT_EQ(pciDeviceName(pciIds, ""), std::nullopt);
    EXPECT_EQ(pciDeviceName({"/nonexistent/pci.ids"}, "1002:73BF"), std::nullopt);
    EXPECT_EQ(pciDeviceName({"/nonexistent/pci.ids", pciIds[0]}, "1002:73BF"),
              QStringLiteral("AMD Radeon RX 6800/6800 XT / 6900 XT"));
}
