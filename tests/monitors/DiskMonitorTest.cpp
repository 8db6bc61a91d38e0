#include "monitors/DiskMonitor.h"

#include "support/FixtureTree.h"
#include "support/MachineReads.h"
#include "support/TestEnv.h"

#include <QProcess>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <sys/statvfs.h>

using namespace morvanex;
using platform::VolumeSpace;
using platform::VolumeValues;
using test::copyFixture;
using test::writeFile;

namespace {

constexpr double GB = 1e9;

VolumeValues plain(const QString& path, const QString& name) {
    VolumeValues value;
    value.path = path;
    value.name = name;
    value.total = 100 * GB;
    value.available = 40 * GB;
    value.isRemovable = false;
    value.isEjectable = false;
    value.isLocal = true;
    value.isBrowsable = true;
    value.isRootFileSystem = false;
    value.isReadOnly = false;
    return value;
}

QStringList names(const std::vector<DiskMonitor::Volume>& volumes) {
    QStringList list;
    for (const DiskMonitor::Volume& volume : volumes)
        list.append(volume.name);
    return list;
}

// A clock the test moves by hand.
struct ManualClock {
    double seconds = 1000;
    platform::Clock clock() {
        return {[] { return QDateTime::currentDateTimeUtc(); }, [this] { return seconds; }};
    }
};

platform::StatvfsFunction fixedSpace() {
    return [](const QString&) -> std::optional<VolumeSpace> {
        return VolumeSpace{500 * GB, 200 * GB};
    };
}

QByteArray diskstats(std::uint64_t nvmeRead, std::uint64_t nvmeWritten, std::uint64_t sdaRead = 0,
                     std::uint64_t sdaWritten = 0, bool withSda = true) {
    const auto row = [](const char* device, std::uint64_t read, std::uint64_t written) {
        return QByteArray(" 259 0 ") + device + " 1 0 " + QByteArray::number(read) + " 0 1 0 " +
               QByteArray::number(written) + " 0 0 0 0 0 0 0 0 0 0\n";
    };
    QByteArray text = row("nvme0n1", nvmeRead, nvmeWritten);
    // The partition moves the same bytes again; the kernel counts them twice, we do not.
    text += row("nvme0n1p2", nvmeRead, nvmeWritten);
    text += row("dm-0", nvmeRead * 3, nvmeWritten * 3);
    if (withSda)
        text += row("sda", sdaRead, sdaWritten);
    return text;
}

} // namespace

TEST(DiskMonitor, VolumeRules) {
    struct Row {
        const char* name;
        VolumeValues value;
        bool network, removable; // the filters
        bool listed;
        bool isRoot = false;
        bool isRemovable = false;
        bool isLocal = true;
    };
    std::vector<Row> rows;
    const auto add = [&](const char* name, auto change, bool network, bool removable, bool listed,
                         bool isRoot = false, bool isRemovable = false, bool isLocal = true) {
        VolumeValues value = plain("/mnt/x", "X");
        change(value);
        rows.push_back({name, value, network, removable, listed, isRoot, isRemovable, isLocal});
    };
    add(
        "plain volume", [](VolumeValues&) {}, false, false, true);
    add(
        "not browsable", [](VolumeValues& v) { v.isBrowsable = false; }, true, true, false);
    add(
        "browsable unknown", [](VolumeValues& v) { v.isBrowsable.reset(); }, false, false, true);
    add(
        "no total", [](VolumeValues& v) { v.total.reset(); }, true, true, false);
    add(
        "total below a byte", [](VolumeValues& v) { v.total = 0.5; }, true, true, false);
    add(
        "total of one byte", [](VolumeValues& v) { v.total = 1; }, false, false, true);
    add(
        "removable, filter off", [](VolumeValues& v) { v.isRemovable = true; }, true, false, false);
    add(
        "removable, filter on", [](VolumeValues& v) { v.isRemovable = true; }, false, true, true,
        false, true);
    add(
        "ejectable counts as removable", [](VolumeValues& v) { v.isEjectable = true; }, false, true,
        true, false, true);
    add(
        "ejectable, filter off", [](VolumeValues& v) { v.isEjectable = true; }, true, false, false);
    add(
        "read-only disk image", [](VolumeValues& v) { v.isReadOnly = true; }, true, true, false);
    add(
        "read-only root file system",
        [](VolumeValues& v) {
            v.isReadOnly = true;
            v.isRootFileSystem = true;
        },
        false, false, true, true);
    add(
        "read-only at / without the root value",
        [](VolumeValues& v) {
            v.path = "/";
            v.isReadOnly = true;
            v.isRootFileSystem.reset();
        },
        false, false, true, true);
    add(
        "network, filter off", [](VolumeValues& v) { v.isLocal = false; }, false, true, false);
    add(
        "network, filter on", [](VolumeValues& v) { v.isLocal = false; }, true, false, true, false,
        false, false);
    add(
        "locality unknown counts as local", [](VolumeValues& v) { v.isLocal.reset(); }, false,
        false, true);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto volumes = DiskMonitor::volumesFrom({row.value}, row.network, row.removable);
        ASSERT_EQ(volumes.size(), row.listed ? 1u : 0u);
        if (!row.listed)
            continue;
        EXPECT_EQ(volumes[0].isRoot, row.isRoot);
        EXPECT_EQ(volumes[0].isRemovable, row.isRemovable);
        EXPECT_EQ(volumes[0].isLocal, row.isLocal);
    }
}

TEST(DiskMonitor, VolumeRecordValues) {
    struct Row {
        const char* name;
        QString path;
        std::optional<QString> volumeName;
        std::optional<double> available, important;
        QString expectedName;
        double expectedAvailable, expectedImportant;
    };
    const Row rows[] = {
        {"named", "/mnt/x", "Data", 40 * GB, 60 * GB, "Data", 40 * GB, 60 * GB},
        {"no name: last path component", "/run/media/alex/STICK", std::nullopt, 40 * GB,
         std::nullopt, "STICK", 40 * GB, 40 * GB},
        {"no name at the root", "/", std::nullopt, 40 * GB, std::nullopt, "/", 40 * GB, 40 * GB},
        {"important space below available", "/mnt/x", "X", 40 * GB, 10 * GB, "X", 40 * GB, 40 * GB},
        {"no available space", "/mnt/x", "X", std::nullopt, std::nullopt, "X", 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        VolumeValues value = plain(row.path, "");
        value.name = row.volumeName;
        value.available = row.available;
        value.availableImportant = row.important;
        const auto volumes = DiskMonitor::volumesFrom({value}, false, false);
        ASSERT_EQ(volumes.size(), 1u);
        const DiskMonitor::Volume& volume = volumes[0];
        EXPECT_EQ(volume.name, row.expectedName);
        EXPECT_EQ(volume.url, QUrl::fromLocalFile(row.path));
        EXPECT_EQ(volume.id(), row.path);
        EXPECT_EQ(volume.total, 100 * GB);
        EXPECT_EQ(volume.available, row.expectedAvailable);
        EXPECT_EQ(volume.availableImportant, row.expectedImportant);
        EXPECT_GE(volume.availableImportant, volume.available);
    }
}

TEST(DiskMonitor, RootFirstThenPlainNameOrder) {
    std::vector<VolumeValues> values = {
        plain("/mnt/b", "backup"),  plain("/mnt/z", "Zeta"),
        plain("/mnt/a", "Archive"), plain("/mnt/e", "\xc3\x89t\xc3\xa9"),
        plain("/", "System"),       plain("/mnt/a2", "Archive")};
    values[4].isRootFileSystem = true;
    const auto volumes = DiskMonitor::volumesFrom(values, false, false);
    EXPECT_EQ(names(volumes), QStringList({"System", "Archive", "Archive", "Zeta", "backup",
                                           QString::fromUtf8("\xc3\x89t\xc3\xa9")}));
    // Equal names keep the order they were found in.
    EXPECT_EQ(volumes[1].id(), "/mnt/a");
    EXPECT_EQ(volumes[2].id(), "/mnt/a2");
}

TEST(DiskMonitor, StartupVolume) {
    DiskMonitor monitor(platform::Roots::under("/nonexistent"), {}, fixedSpace());
    EXPECT_FALSE(monitor.startupVolume());

    monitor.volumes =
        DiskMonitor::volumesFrom({plain("/mnt/a", "A"), plain("/mnt/b", "B")}, false, false);
    ASSERT_TRUE(monitor.startupVolume());
    EXPECT_EQ(monitor.startupVolume()->name, "A"); // no root: the first

    monitor.volumes.back().isRoot = true; // as a list the scan did not sort
    EXPECT_EQ(monitor.startupVolume()->name, "B");
}

TEST(DiskMonitor, ScanListsTheFixtureMachinesVolumes) {
    struct Row {
        bool network, removable;
        QStringList names;
    };
    const QString bad = QString::fromUtf8("bad\xef\xbf\xbdname");
    const QString cafe = QString::fromUtf8("Caf\xc3\xa9");
    const Row rows[] = {
        {false, false, {"/", "Archive", "Data Pool", "backup", bad}},
        {true, false, {"/", "Archive", "Data Pool", "backup", bad, "nas", "team share"}},
        {false, true, {"/", "Archive", cafe, "Data Pool", "STICK", "Vault", "backup", bad}},
        {true,
         true,
         {"/", "Archive", cafe, "Data Pool", "STICK", "Vault", "backup", bad, "nas", "team share"}},
    };
    const QString root = copyFixture("disks/desktop");
    DiskMonitor monitor(platform::Roots::under(root), {}, fixedSpace());
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.network << row.removable);
        monitor.scanVolumes(row.network, row.removable);
        EXPECT_EQ(names(monitor.volumes), row.names);
    }
    // The last scan had both filters on.
    const auto byName = [&](const QString& name) {
        return *std::find_if(
            monitor.volumes.begin(), monitor.volumes.end(),
            [&](const DiskMonitor::Volume& volume) { return volume.name == name; });
    };
    EXPECT_TRUE(byName("/").isRoot);
    EXPECT_EQ(byName("/").id(), "/");
    EXPECT_EQ(monitor.startupVolume()->id(), "/");
    EXPECT_TRUE(byName("STICK").isRemovable);
    EXPECT_TRUE(byName(cafe).isRemovable);
    EXPECT_TRUE(byName("Vault").isRemovable);
    EXPECT_FALSE(byName("nas").isLocal);
    EXPECT_EQ(byName("team share").id(), "/mnt/team share");
    EXPECT_EQ(byName("Data Pool").id(), "/srv/data");
    EXPECT_EQ(byName("Data Pool").total, 500 * GB);
    EXPECT_EQ(byName("Data Pool").available, 200 * GB);
}

// Linux's rule, as df counts: the blocks a file system keeps back for root are neither used nor
// free, and the share in use is of the space an ordinary user can fill.
TEST(DiskMonitor, ReservedBlocksCountAsNeitherUsedNorFree) {
    struct Row {
        const char* name;
        unsigned long frsize, bsize;
        fsblkcnt_t blocks, bfree, bavail;
        double used, free, percent; // bytes, bytes, percent
    };
    const Row rows[] = {
        // The default 5 % reserve of ext4: df says 43 % (it rounds up), not 45 %.
        {"ext4 with its reserve", 4096, 4096, 1000000, 600000, 550000, 400000 * 4096.0,
         550000 * 4096.0, 400000.0 / 950000 * 100},
        {"no reserve", 4096, 4096, 1000000, 600000, 600000, 400000 * 4096.0, 600000 * 4096.0, 40},
        {"full but for the reserve", 4096, 4096, 1000000, 50000, 0, 950000 * 4096.0, 0, 100},
        {"block size from f_bsize", 0, 1024, 1000, 300, 250, 700 * 1024.0, 250 * 1024.0,
         700.0 / 950 * 100},
        {"more available than free", 512, 512, 1000, 100, 200, 800 * 512.0, 200 * 512.0, 80},
    };
    const QString root = copyFixture("disks/desktop");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        struct statvfs info {};
        info.f_frsize = row.frsize;
        info.f_bsize = row.bsize;
        info.f_blocks = row.blocks;
        info.f_bfree = row.bfree;
        info.f_bavail = row.bavail;
        DiskMonitor monitor(platform::Roots::under(root), {},
                            [info](const QString&) -> std::optional<VolumeSpace> {
                                return platform::volumeSpaceOf(info);
                            });
        monitor.scanVolumes(false, false);
        const auto volume = monitor.startupVolume();
        ASSERT_TRUE(volume);
        EXPECT_EQ(volume->total, double(row.blocks) * double(row.frsize ? row.frsize : row.bsize));
        EXPECT_DOUBLE_EQ(volume->used(), row.used);
        EXPECT_DOUBLE_EQ(volume->availableImportant, row.free);
        EXPECT_DOUBLE_EQ(volume->usedPercent(), row.percent);
    }
}

TEST(DiskMonitor, AHangingNetworkShareDoesNotHoldUpTheScan) {
    // The share's server is gone: its statvfs does not come back until the test ends.
    struct Gate {
        std::mutex mutex;
        std::condition_variable opened;
        bool isOpen = false;
        std::atomic<int> stuck = 0;
    };
    const auto gate = std::make_shared<Gate>();
    const auto release = [gate] {
        const std::lock_guard lock(gate->mutex);
        gate->isOpen = true;
        gate->opened.notify_all();
    };
    const std::shared_ptr<void> releaseAtEnd(nullptr, [release](void*) { release(); });
    platform::StatvfsFunction space = [gate](const QString& folder) -> std::optional<VolumeSpace> {
        if (folder == "/mnt/nas") {
            ++gate->stuck;
            std::unique_lock lock(gate->mutex);
            gate->opened.wait(lock, [&] { return gate->isOpen; });
        }
        return VolumeSpace{500 * GB, 200 * GB};
    };
    ManualClock clock;
    DiskMonitor monitor(platform::Roots::under(copyFixture("disks/desktop")), clock.clock(), space,
                        std::chrono::milliseconds(50));
    for (int tick = 0; tick < 3; ++tick) {
        monitor.scanVolumes(true, false);
        EXPECT_EQ(names(monitor.volumes),
                  QStringList({"/", "Archive", "Data Pool", "backup",
                               QString::fromUtf8("bad\xef\xbf\xbdname"), "team share"}));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate->stuck == 1; }, 60000));
    EXPECT_EQ(gate->stuck, 1); // one stuck read, not one per scan

    // The server answers again: a later scan lists the share.
    release();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            monitor.scanVolumes(true, false);
            return names(monitor.volumes).contains("nas");
        },
        60000));
}

TEST(DiskMonitor, ScanTimeAndWhenTheNextScanIsDue) {
    ManualClock clock;
    const QString root = copyFixture("disks/desktop");
    DiskMonitor monitor(platform::Roots::under(root), clock.clock(), fixedSpace());
    EXPECT_TRUE(monitor.volumeScanDue()); // the distant past, and an empty list
    monitor.scanVolumes(false, false);
    EXPECT_EQ(monitor.lastVolumeScan, 1000);
    EXPECT_FALSE(monitor.volumeScanDue());
    clock.seconds = 1010;
    EXPECT_FALSE(monitor.volumeScanDue()); // exactly 10 seconds: not yet
    clock.seconds = 1010.5;
    EXPECT_TRUE(monitor.volumeScanDue());

    // A scan that finds nothing still counts as a scan, and an empty list is always due.
    writeFile(root, "proc/self/mountinfo", "");
    monitor.scanVolumes(false, false);
    EXPECT_TRUE(monitor.volumes.empty());
    EXPECT_EQ(monitor.lastVolumeScan, 1010.5);
    EXPECT_TRUE(monitor.volumeScanDue());
}

TEST(DiskMonitor, ActivityFromTheSecondSampleOn) {
    ManualClock clock;
    const QString root = copyFixture("disks/machine");
    writeFile(root, "proc/diskstats", diskstats(1000, 2000, 100, 0));
    DiskMonitor monitor(platform::Roots::under(root), clock.clock(), fixedSpace());
    monitor.sampleActivity();
    EXPECT_EQ(monitor.readRate, 0);
    EXPECT_EQ(monitor.writeRate, 0);
    EXPECT_TRUE(monitor.readHistory.values.empty());
    ASSERT_TRUE(monitor.lastBytes);
    EXPECT_EQ(*monitor.lastBytes, (DiskMonitor::Bytes{1100 * 512, 2000 * 512}));
    EXPECT_EQ(monitor.lastSample, 1000);

    clock.seconds = 1002;
    writeFile(root, "proc/diskstats", diskstats(1400, 2000, 100, 800));
    monitor.sampleActivity();
    EXPECT_EQ(monitor.readRate, 400.0 * 512 / 2);
    EXPECT_EQ(monitor.writeRate, 800.0 * 512 / 2);
    EXPECT_EQ(monitor.readHistory.values, std::vector<double>{400.0 * 512 / 2});
    EXPECT_EQ(monitor.writeHistory.values, std::vector<double>{800.0 * 512 / 2});
    EXPECT_EQ(*monitor.lastBytes, (DiskMonitor::Bytes{1500 * 512, 2800 * 512}));

    // No time has passed: nothing to measure, the rates stay.
    writeFile(root, "proc/diskstats", diskstats(9000, 9000, 100, 800));
    monitor.sampleActivity();
    EXPECT_EQ(monitor.readRate, 400.0 * 512 / 2);
    EXPECT_EQ(monitor.readHistory.values.size(), 1u);
    EXPECT_EQ(*monitor.lastBytes, (DiskMonitor::Bytes{9100 * 512, 9800 * 512}));
}

TEST(DiskMonitor, DisksThatComeAndGoNeverShowASpike) {
    struct Row {
        const char* name;
        QByteArray before, after;
        double read, write; // sectors per second over one second
    };
    const Row rows[] = {
        {"only whole disks count", diskstats(1000, 1000, 10, 10), diskstats(1100, 1300, 10, 10),
         100, 300},
        {"a disk is ejected", diskstats(1000, 1000, 5000, 5000), diskstats(1000, 1000, 0, 0, false),
         0, 0},
        {"the remaining disk still counts", diskstats(1000, 1000, 5000, 5000),
         diskstats(1050, 1000, 0, 0, false), 50, 0},
        {"a new disk arrives with its totals", diskstats(1000, 1000, 0, 0, false),
         diskstats(1000, 1020, 900000, 900000), 0, 20},
        {"a disk replaced under the same name", diskstats(1000, 1000, 5000, 5000),
         diskstats(1000, 1000, 10, 10), 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ManualClock clock;
        const QString root = copyFixture("disks/machine");
        writeFile(root, "proc/diskstats", row.before);
        DiskMonitor monitor(platform::Roots::under(root), clock.clock(), fixedSpace());
        monitor.sampleActivity();
        clock.seconds += 1;
        writeFile(root, "proc/diskstats", row.after);
        monitor.sampleActivity();
        EXPECT_EQ(monitor.readRate, row.read * 512);
        EXPECT_EQ(monitor.writeRate, row.write * 512);
        EXPECT_GE(monitor.readRate, 0);
    }
}

TEST(DiskMonitor, AFailedReadShowsNoActivityAndNoSpikeAfterwards) {
    ManualClock clock;
    const QString root = copyFixture("disks/machine");
    writeFile(root, "proc/diskstats", diskstats(1000, 1000));
    DiskMonitor monitor(platform::Roots::under(root), clock.clock(), fixedSpace());
    monitor.sampleActivity();
    clock.seconds += 1;
    writeFile(root, "proc/diskstats", diskstats(1100, 1100));
    monitor.sampleActivity();
    EXPECT_EQ(monitor.readRate, 100 * 512);

    // The table cannot be read for a tick: no activity that tick.
    QFile::remove(root + "/proc/diskstats");
    clock.seconds += 1;
    monitor.sampleActivity();
    EXPECT_EQ(monitor.readRate, 0);
    EXPECT_EQ(monitor.writeRate, 0);
    EXPECT_EQ(monitor.readHistory.values, (std::vector<double>{100 * 512, 0}));
    EXPECT_EQ(*monitor.lastBytes, (DiskMonitor::Bytes{1100 * 512, 1100 * 512}));

    // Readable again: measured from the last good reading over the time since, not from zero.
    clock.seconds += 1;
    writeFile(root, "proc/diskstats", diskstats(1300, 1500));
    monitor.sampleActivity();
    EXPECT_EQ(monitor.readRate, 200.0 * 512 / 2);
    EXPECT_EQ(monitor.writeRate, 400.0 * 512 / 2);
    EXPECT_EQ(monitor.readHistory.values, (std::vector<double>{100 * 512, 0, 200.0 * 512 / 2}));
}

TEST(DiskMonitor, AFailedFirstReadMeasuresNothing) {
    ManualClock clock;
    DiskMonitor monitor(platform::Roots::under("/nonexistent"), clock.clock(), fixedSpace());
    monitor.sampleActivity();
    clock.seconds += 1;
    monitor.sampleActivity();
    EXPECT_FALSE(monitor.lastBytes);
    EXPECT_FALSE(monitor.lastSample);
    EXPECT_TRUE(monitor.readHistory.values.empty());
}

TEST(DiskMonitor, ThisMachinesRootComesFirst) {
    DiskMonitor monitor;
    monitor.scanVolumes(false, false);
    ASSERT_FALSE(monitor.volumes.empty());
    const DiskMonitor::Volume& first = monitor.volumes.front();
    EXPECT_EQ(first.id(), "/");
    EXPECT_TRUE(first.isRoot);
    EXPECT_TRUE(first.isLocal);
    EXPECT_GT(first.total, 1e6);
    EXPECT_GE(first.available, 0);
    EXPECT_LE(first.available, first.total);
    EXPECT_GE(first.availableImportant, first.available);
    EXPECT_EQ(monitor.startupVolume()->id(), "/");

    // Beside the test's own statvfs of the root around a scan: the size is fixed, the free
    // space moves with every write on the machine, so a scan outside its bracket is repeated.
    std::optional<test::VolumeSpace> before;
    std::optional<test::VolumeSpace> after;
    for (int attempt = 0; attempt < 10; ++attempt) {
        before = test::volumeSpace("/");
        monitor.scanVolumes(false, false);
        after = test::volumeSpace("/");
        ASSERT_TRUE(before && after);
        const double available = monitor.volumes.front().available;
        if (available >= std::min(before->available, after->available) &&
            available <= std::max(before->available, after->available))
            break;
    }
    const DiskMonitor::Volume& root = monitor.volumes.front();
    EXPECT_EQ(root.total, before->size);
    EXPECT_GE(root.available, std::min(before->available, after->available));
    EXPECT_LE(root.available, std::max(before->available, after->available));
}

TEST(DiskMonitor, ThisMachineShowsAWrite) {
    DiskMonitor monitor;
    monitor.sampleActivity();
    ASSERT_TRUE(monitor.lastBytes);
    const DiskMonitor::Bytes before = *monitor.lastBytes;

    // 200 MB past the page cache, straight to the disk, in the test's own scratch folder.
    const QString file = test::scratchDir() + "/write-test";
    QProcess dd;
    dd.start("dd",
             {"if=/dev/zero", "of=" + file, "bs=1M", "count=200", "oflag=direct", "conv=fsync"});
    ASSERT_TRUE(dd.waitForFinished(600000));
    QFile::remove(file);
    if (dd.exitCode() != 0)
        GTEST_SKIP() << "the scratch folder takes no direct writes: "
                     << dd.readAllStandardError().constData();

    monitor.sampleActivity();
    ASSERT_TRUE(monitor.lastBytes);
    EXPECT_GE(monitor.lastBytes->write - before.write, 200u * 1024 * 1024);
    EXPECT_GT(monitor.writeRate, 0);
    EXPECT_EQ(monitor.writeHistory.values.size(), 1u);
}
