#include "platform/linux/MountTable.h"

#include "support/FixtureTree.h"

#include <gtest/gtest.h>

using namespace morvanex::platform;
using morvanex::test::copyFixture;

TEST(MountTable, ParsesFieldsAroundTheOptionalOnes) {
    const auto entries = parseMountInfo(
        "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 shared:7 - ext3 /dev/root rw,errors=continue\n"
        "28 1 254:0 / / ro,relatime - ext4 /dev/vda rw\n");
    ASSERT_EQ(entries.size(), 2u);
    const MountEntry& bind = entries[0];
    EXPECT_EQ(bind.id, 36);
    EXPECT_EQ(bind.parentId, 35);
    EXPECT_EQ(bind.major, 98u);
    EXPECT_EQ(bind.minor, 0u);
    EXPECT_EQ(bind.root, "/mnt1");
    EXPECT_EQ(bind.mountPoint, "/mnt2");
    EXPECT_EQ(bind.mountOptions, QStringList({"rw", "noatime"}));
    EXPECT_EQ(bind.fsType, "ext3");
    EXPECT_EQ(bind.source, "/dev/root");
    EXPECT_EQ(bind.superOptions, QStringList({"rw", "errors=continue"}));
    EXPECT_FALSE(bind.readOnly());
    // Read-only either per mount or for the whole file system.
    EXPECT_TRUE(entries[1].readOnly());
    EXPECT_TRUE(parseMountInfo("1 0 8:1 / /x rw - ext4 /dev/sda1 ro\n").at(0).readOnly());
}

TEST(MountTable, DecodesEscapedPaths) {
    struct Row {
        QByteArray field;
        QString text;
    };
    const Row rows[] = {
        {"/mnt/team\\040share", "/mnt/team share"},
        {"/a\\011tab\\012line", "/a\ttab\nline"},
        {"/back\\134slash", "/back\\slash"},
        {"/caf\\303\\251", QString::fromUtf8("/caf\xc3\xa9")},
        {"/bad\\377byte", QString::fromUtf8("/bad\xef\xbf\xbd"
                                            "byte")}, // replacement character
        {"/short\\04", "/short\\04"},                 // not an escape
        {"/not\\999octal", "/not\\999octal"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.field.constData());
        EXPECT_EQ(unescapeMountField(row.field), row.text);
    }
}

TEST(MountTable, SkipsLinesThatDoNotParse) {
    const auto entries = parseMountInfo("\n"
                                        "garbage\n"
                                        "1 0 8:1 / /no-separator rw ext4 /dev/sda1 rw\n"
                                        "x 0 8:1 / /bad-id rw - ext4 /dev/sda1 rw\n"
                                        "2 0 8 / /bad-device rw - ext4 /dev/sda1 rw\n"
                                        "3 0 8:1 / /no-source rw -\n"
                                        "4 0 8:1 / /good rw - ext4 /dev/sda1\n");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].mountPoint, "/good");
    EXPECT_TRUE(entries[0].superOptions.isEmpty());
}

TEST(MountTable, ReadsTheTableOfAFixtureAndNothingWithout) {
    const QString root = copyFixture("disks/desktop");
    const auto table = readMountTable(Roots::under(root));
    ASSERT_TRUE(table);
    ASSERT_EQ(table->size(), 22u);
    EXPECT_EQ(table->front().mountPoint, "/");
    EXPECT_EQ(table->at(12).mountPoint, "/mnt/team share");
    EXPECT_FALSE(readMountTable(Roots::under(root + "/missing")));
}

TEST(MountTable, ReadsThisMachine) {
    const auto table = readMountTable(Roots::system());
    ASSERT_TRUE(table);
    EXPECT_TRUE(std::any_of(table->begin(), table->end(),
                            [](const MountEntry& entry) { return entry.mountPoint == "/"; }));
}
