#include "platform/linux/MountedVolumes.h"

#include "support/FixtureTree.h"

#include <QFile>
#include <QHash>
#include <algorithm>
#include <gtest/gtest.h>

using namespace morvanex::platform;
using morvanex::test::copyFixture;
using morvanex::test::writeFile;

namespace {

constexpr double GB = 1e9;

// Space for every mount point of the desktop fixture but the ones a test leaves out.
StatvfsFunction fixtureSpace(QStringList unreadable = {}) {
    return [unreadable](const QString& folder) -> std::optional<VolumeSpace> {
        if (unreadable.contains(folder))
            return std::nullopt;
        return VolumeSpace{500 * GB, 200 * GB};
    };
}

const VolumeValues* find(const std::vector<VolumeValues>& volumes, const QString& path) {
    const auto found =
        std::find_if(volumes.begin(), volumes.end(),
                     [&](const VolumeValues& volume) { return volume.path == path; });
    return found == volumes.end() ? nullptr : &*found;
}

} // namespace

TEST(MountedVolumes, AnswersTheValuesOfEachVolume) {
    MountedVolumes mounted(Roots::under(copyFixture("disks/desktop")), fixtureSpace());
    const auto volumes = mounted.list();
    QStringList paths;
    for (const VolumeValues& volume : volumes)
        paths.append(volume.path);
    EXPECT_EQ(paths, QStringList({"/", "/boot/efi", "/srv/data", "/mnt/installer", "/mnt/nas",
                                  "/mnt/team share", "/run/media/alex/STICK", "/media/alex/card",
                                  "/mnt/backup", "/mnt/archive", "/mnt/secure", "/mnt/over"}));

    struct Row {
        QString path;
        std::optional<QString> name;
        bool removable, ejectable, local, browsable, root, readOnly;
    };
    const Row rows[] = {
        {"/", std::nullopt, false, false, true, true, true, false},
        {"/boot/efi", std::nullopt, false, false, true, false, false, false},
        {"/srv/data", "Data Pool", false, false, true, true, false, false},
        {"/mnt/installer", std::nullopt, false, false, true, true, false, true},
        {"/mnt/nas", std::nullopt, false, false, false, true, false, false},
        {"/run/media/alex/STICK", "STICK", false, true, true, true, false, false},
        {"/media/alex/card", QString::fromUtf8("Caf\xc3\xa9"), true, false, true, true, false,
         false},
        {"/mnt/secure", "Vault", false, true, true, true, false, false},
        {"/mnt/over", QString::fromUtf8("bad\xef\xbf\xbdname"), false, false, true, true, false,
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        const VolumeValues* volume = find(volumes, row.path);
        ASSERT_NE(volume, nullptr);
        EXPECT_EQ(volume->name, row.name);
        EXPECT_EQ(volume->total, 500 * GB);
        EXPECT_EQ(volume->available, 200 * GB);
        EXPECT_FALSE(volume->availableImportant);
        EXPECT_EQ(volume->isRemovable, row.removable);
        EXPECT_EQ(volume->isEjectable, row.ejectable);
        EXPECT_EQ(volume->isLocal, row.local);
        EXPECT_EQ(volume->isBrowsable, row.browsable);
        EXPECT_EQ(volume->isRootFileSystem, row.root);
        EXPECT_EQ(volume->isReadOnly, row.readOnly);
    }
}

TEST(MountedVolumes, LeavesOutVolumesWhoseSpaceCannotBeRead) {
    MountedVolumes mounted(Roots::under(copyFixture("disks/desktop")),
                           fixtureSpace({"/mnt/backup", "/mnt/nas"}));
    const auto volumes = mounted.list();
    EXPECT_FALSE(find(volumes, "/mnt/backup"));
    EXPECT_FALSE(find(volumes, "/mnt/nas"));
    EXPECT_TRUE(find(volumes, "/mnt/archive"));
}

TEST(MountedVolumes, NoMountTableListsNothing) {
    MountedVolumes mounted(Roots::under("/nonexistent"), fixtureSpace());
    EXPECT_TRUE(mounted.list().empty());
}

TEST(MountedVolumes, ListsTheRootOfThisMachine) {
    MountedVolumes mounted;
    const auto volumes = mounted.list();
    const VolumeValues* root = find(volumes, "/");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->isRootFileSystem, true);
    ASSERT_TRUE(root->total);
    EXPECT_GT(*root->total, 0);
    ASSERT_TRUE(root->available);
    EXPECT_LE(*root->available, *root->total);
}

TEST(MountedVolumes, ReadsDevicesAgainWhenMountsChangeAndNowAndThenOtherwise) {
    const QString root = copyFixture("disks/desktop");
    MountedVolumes mounted(Roots::under(root), fixtureSpace());
    const auto nameOf = [&](const QString& path) -> std::optional<QString> {
        const auto volumes = mounted.list();
        const VolumeValues* volume = find(volumes, path);
        return volume ? volume->name : QStringLiteral("(not listed)");
    };
    EXPECT_EQ(nameOf("/mnt/backup"), "backup");
    for (int i = 0; i < 4; ++i)
        nameOf("/mnt/backup");
    EXPECT_EQ(mounted.deviceReads(), 1) << "devices read on every list while nothing changed";

    // A label changed while the volume stays mounted shows within a while.
    writeFile(root, "run/udev/data/b8:33", "E:ID_FS_LABEL_ENC=Backup\\x202026\n");
    int lists = 0;
    while (nameOf("/mnt/backup") != "Backup 2026" &&
           ++lists <= MountedVolumes::devicesRefreshLists) {
    }
    EXPECT_LE(lists, MountedVolumes::devicesRefreshLists) << "the new label never showed";

    // A change of mounts shows at once.
    writeFile(root, "run/udev/data/b8:49", "E:ID_FS_LABEL=Old Photos\n");
    QFile table(root + "/proc/self/mountinfo");
    ASSERT_TRUE(table.open(QIODevice::ReadOnly));
    QByteArray text = table.readAll();
    table.close();
    text.replace("36 21 8:33 / /mnt/backup rw,relatime shared:38 - ext4 /dev/sdc1 rw\n", "");
    writeFile(root, "proc/self/mountinfo", text);
    EXPECT_EQ(nameOf("/mnt/archive"), "Old Photos");
    EXPECT_EQ(nameOf("/mnt/backup"), "(not listed)");
}
