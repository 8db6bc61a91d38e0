#include "platform/linux/MountDevices.h"

#include "support/FixtureTree.h"

#include <gtest/gtest.h>

using namespace morvanex::platform;
using morvanex::test::copyFixture;

TEST(MountDevices, FindsDevicesByNumberAndBySource) {
    const MountDevices devices = MountDevices::read(Roots::under(copyFixture("disks/desktop")));
    const auto root = devices.byNumber(259, 2);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->name, "nvme0n1p2");
    EXPECT_EQ(root->disk, "nvme0n1");
    EXPECT_TRUE(root->label.isEmpty());

    const auto disk = devices.byNumber(8, 0);
    ASSERT_TRUE(disk);
    EXPECT_EQ(disk->disk, "sda");

    const auto data = devices.bySource("/dev/sda1");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->major, 8u);
    EXPECT_EQ(data->minor, 1u);

    const auto mapped = devices.bySource("/dev/mapper/cryptusb");
    ASSERT_TRUE(mapped);
    EXPECT_EQ(mapped->name, "dm-0");
    EXPECT_EQ(mapped->slaves, QStringList{"sdg1"});

    EXPECT_FALSE(devices.byNumber(8, 200));
    EXPECT_FALSE(devices.bySource("/dev/nothing"));
    EXPECT_FALSE(devices.bySource("nas:/export"));
}

TEST(MountDevices, LabelsRemovableMediaAndUsb) {
    const MountDevices devices = MountDevices::read(Roots::under(copyFixture("disks/desktop")));
    struct Row {
        std::uint32_t major, minor;
        QString label;
        bool removable;
        bool usb;
    };
    const Row rows[] = {
        {8, 1, "Data Pool", false, false},                               // encoded space
        {8, 17, "STICK", false, true},                                   // USB by the bus
        {179, 1, QString::fromUtf8("Caf\xc3\xa9"), true, false},         // card reader
        {8, 81, QString::fromUtf8("bad\xef\xbf\xbdname"), false, false}, // not UTF-8
        {253, 0, "Vault", false, true}, // encrypted volume on a USB partition
        {7, 0, "", false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label.toStdString());
        const auto device = devices.byNumber(row.major, row.minor);
        ASSERT_TRUE(device);
        EXPECT_EQ(device->label, row.label);
        EXPECT_EQ(devices.isRemovable(*device), row.removable);
        EXPECT_EQ(devices.isUsb(*device), row.usb);
    }
}

TEST(MountDevices, DecodesDeviceManagerEscapes) {
    EXPECT_EQ(decodeDeviceManagerValue("My\\x20Stick"), "My Stick");
    EXPECT_EQ(decodeDeviceManagerValue("a\\x2fb"), "a/b");
    EXPECT_EQ(decodeDeviceManagerValue("no\\xzzescape"), "no\\xzzescape");
    EXPECT_EQ(decodeDeviceManagerValue("end\\x2"), "end\\x2");
    // Two hexadecimal digits or no escape: a sign is not a digit.
    EXPECT_EQ(decodeDeviceManagerValue("sign\\x-1"), "sign\\x-1");
    EXPECT_EQ(decodeDeviceManagerValue("plus\\x+f"), "plus\\x+f");
}

TEST(MountDevices, StackedDevicesThatLoopAreNotFollowedForever) {
    const QString root = copyFixture("disks/desktop");
    morvanex::test::writeFile(root, "sys/block/dm-1/dev", "253:1\n");
    morvanex::test::writeFile(root, "sys/block/dm-1/slaves/dm-2", "");
    morvanex::test::writeFile(root, "sys/block/dm-2/dev", "253:2\n");
    morvanex::test::writeFile(root, "sys/block/dm-2/slaves/dm-1", "");
    const MountDevices devices = MountDevices::read(Roots::under(root));
    const auto looped = devices.byNumber(253, 1);
    ASSERT_TRUE(looped);
    EXPECT_FALSE(devices.isRemovable(*looped));
    EXPECT_FALSE(devices.isUsb(*looped));
}

TEST(MountDevices, NoBlockFolderKnowsNoDevices) {
    const MountDevices devices = MountDevices::read(Roots::under("/nonexistent"));
    EXPECT_TRUE(devices.devices().empty());
}
