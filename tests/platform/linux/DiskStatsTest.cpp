#include "platform/linux/DiskStats.h"

#include "platform/linux/ProcFiles.h"
#include "support/FixtureTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>

using namespace morvanex::platform;
using morvanex::test::copyFixture;
using morvanex::test::writeFile;

TEST(DiskStats, ParsesEveryRowInBytes) {
    const auto rows =
        parseDiskStats("   8       0 sda 100 0 200 0 50 0 400 0 0 0 0\n"              // old kernels
                       " 259       0 nvme0n1 1 0 3 0 1 0 5 0 0 0 0 0 0 0 0 0 0\n"     // newer ones
                       "   8       1 sda1 1 0 18446744073709551615 0 1 0 1 0 0 0 0\n" // overflows
                       "   8       2 sda2 1 0 x 0 1 0 1 0 0 0 0\n" // not a number
                       "   8       3 sda3 1 0 2\n"                 // too short
                       "\n");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (DiskCounters{"sda", 200 * 512, 400 * 512}));
    EXPECT_EQ(rows[1], (DiskCounters{"nvme0n1", 3 * 512, 5 * 512}));
}

TEST(DiskStats, CountsWholePhysicalDisksOnly) {
    const Roots roots = Roots::under(copyFixture("disks/machine"));
    struct Row {
        const char* name;
        bool physical;
    };
    const Row rows[] = {
        {"nvme0n1", true},    {"sda", true},    {"cciss/c0d0", true}, {"nvme0n1p1", false},
        {"sda1", false},      {"loop0", false}, {"dm-0", false},      {"zram0", false},
        {"nvme1c1n1", false}, // a hidden path of a multipath disk
        {"missing", false},   {"", false},      {"../block", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(isPhysicalDisk(roots, row.name), row.physical) << row.name;

    const auto disks = readDiskStats(roots);
    ASSERT_TRUE(disks);
    EXPECT_EQ(*disks, (std::vector<DiskCounters>{{"nvme0n1", 2000 * 512, 4000 * 512},
                                                 {"sda", 200 * 512, 400 * 512},
                                                 {"cciss/c0d0", 10 * 512, 20 * 512}}));
}

TEST(DiskStats, UnreadableTableIsNothingAndAnEmptyOneIsNoDisks) {
    const QString root = copyFixture("disks/machine");
    writeFile(root, "proc/diskstats", "");
    const auto empty = readDiskStats(Roots::under(root));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
    EXPECT_FALSE(readDiskStats(Roots::under(root + "/missing")));
}

TEST(DiskStats, ReaderAsksAboutEachDiskOnceUntilTheSetChanges) {
    const QString root = copyFixture("disks/machine");
    const Roots roots = Roots::under(root);
    DiskStatsReader reader(roots);
    EXPECT_EQ(reader.read(), readDiskStats(roots));
    EXPECT_EQ(reader.probes(), 10);

    // New counters, the same disks: nothing is asked again, even what would now answer
    // otherwise (sda lost its device link).
    QByteArray table = *morvanex::platform::procfiles::read(roots.proc + "/diskstats");
    table.replace(" sda 100 0 200 0 50 0 400", " sda 100 0 300 0 50 0 500");
    writeFile(root, "proc/diskstats", table);
    ASSERT_TRUE(QFile::remove(root + "/sys/block/sda/device/model"));
    ASSERT_TRUE(QDir().rmdir(root + "/sys/block/sda/device"));
    auto disks = reader.read();
    ASSERT_TRUE(disks);
    EXPECT_EQ(disks->at(1), (DiskCounters{"sda", 300 * 512, 500 * 512}));
    EXPECT_EQ(reader.probes(), 10);

    // A new disk is asked about, and only it.
    writeFile(root, "sys/block/sdb/device/model", "USB\n");
    table += "   8      16 sdb 1 0 8 0 1 0 16 0 0 0 0\n";
    writeFile(root, "proc/diskstats", table);
    disks = reader.read();
    ASSERT_TRUE(disks);
    EXPECT_EQ(disks->back(), (DiskCounters{"sdb", 8 * 512, 16 * 512}));
    EXPECT_EQ(reader.probes(), 11);

    // The same name under new device numbers is another device: asked again.
    table.replace("   8       0 sda ", "   8      32 sda ");
    writeFile(root, "proc/diskstats", table);
    disks = reader.read();
    ASSERT_TRUE(disks);
    EXPECT_EQ(std::count_if(disks->begin(), disks->end(),
                            [](const DiskCounters& disk) { return disk.name == "sda"; }),
              0);
    EXPECT_EQ(reader.probes(), 12);

    // A disk that leaves and comes back is asked about again.
    QByteArray withoutSdb = table;
    withoutSdb.replace("   8      16 sdb 1 0 8 0 1 0 16 0 0 0 0\n", "");
    writeFile(root, "proc/diskstats", withoutSdb);
    reader.read();
    writeFile(root, "proc/diskstats", table);
    reader.read();
    EXPECT_EQ(reader.probes(), 13);
}

// Beside the test's own reads: the disks are the rows of /proc/diskstats whose block device
// has a device behind it (and is no hidden path of another), and each one's counters lie
// between the test's reads of the table before and after.
TEST(DiskStats, ReadsThisMachine) {
    const auto table = [] {
        std::map<QString, std::pair<double, double>> rows; // sectors read, written
        QFile file(QStringLiteral("/proc/diskstats"));
        if (!file.open(QIODevice::ReadOnly))
            return rows;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() >= 10)
                rows[QString::fromUtf8(fields[2])] = {fields[5].toDouble(), fields[9].toDouble()};
        }
        return rows;
    };
    const auto before = table();
    const auto disks = readDiskStats(Roots::system());
    const auto after = table();
    ASSERT_TRUE(disks);

    QStringList expected;
    for (const auto& [name, sectors] : before) {
        const QString folder = "/sys/block/" + QString(name).replace('/', '!');
        QFile hidden(folder + "/hidden");
        const bool isHidden = hidden.open(QIODevice::ReadOnly) && hidden.readAll().trimmed() == "1";
        if (QFileInfo::exists(folder + "/device") && !isHidden && after.count(name))
            expected << name;
    }
    QStringList read;
    for (const DiskCounters& disk : *disks) {
        read << disk.name;
        SCOPED_TRACE(disk.name.toStdString());
        if (!before.count(disk.name) || !after.count(disk.name))
            continue;
        EXPECT_GE(double(disk.bytesRead), before.at(disk.name).first * 512);
        EXPECT_LE(double(disk.bytesRead), after.at(disk.name).first * 512);
        EXPECT_GE(double(disk.bytesWritten), before.at(disk.name).second * 512);
        EXPECT_LE(double(disk.bytesWritten), after.at(disk.name).second * 512);
    }
    read.sort();
    expected.sort();
    EXPECT_EQ(read, expected);
}
