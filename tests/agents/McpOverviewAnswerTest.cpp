#include "McpTestServer.h"
#include "app/InsightEngine.h"
#include "support/FixtureTree.h"

#include <QJsonArray>
#include <gtest/gtest.h>

using namespace morvanex;
using morvanex::test::canonical;
using morvanex::test::McpTestServer;

namespace {

constexpr double GiB = 1024.0 * 1024 * 1024;

Sensor sensor(const char* key, const char* name, SensorGroup group, SensorKind kind, double value) {
    return Sensor{QString::fromLatin1(key), QString::fromUtf8(name), group, kind, value, value};
}

// A busy laptop as the last tick left it.
void fillMachine(McpTestServer& f) {
    test::writeFile(f.machine, "sys/devices/virtual/dmi/id/product_name", "Test Laptop 14\n");
    test::writeFile(f.machine, "etc/os-release",
                    "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    test::writeFile(f.machine, "proc/sys/kernel/osrelease", "6.1.0-18-amd64\n");
    Hub& hub = f.hub;
    hub.cpu.brand = QStringLiteral("Test CPU @ 3.0GHz");
    hub.cpu.logicalCount = 8;
    hub.cpu.user = 12.3;
    hub.cpu.system = 5.0;
    hub.cpu.loadAverage = {1.234, 0.5, 0.005};
    hub.cpu.uptime = 90061;
    hub.memory.total = 16 * GiB;
    hub.memory.app = 4 * GiB;
    hub.memory.wired = 2 * GiB;
    hub.memory.compressed = 1 * GiB;
    hub.memory.pressure = 23.45;
    hub.memory.pressureLevel = 2;
    hub.memory.swapUsed = 512 * 1024 * 1024;
    hub.network.download = 1536;
    hub.network.upload = 0;
    hub.network.internetReachable = true;
    hub.network.pingMs = 12.345;
    GPUMonitor::GPU gpu;
    gpu.name = QStringLiteral("Test GPU");
    gpu.utilization = 37.26;
    hub.gpu.gpus = {gpu};
    DiskMonitor::Volume root;
    root.url = QUrl::fromLocalFile(QStringLiteral("/"));
    root.name = QStringLiteral("Root");
    root.total = 500e9;
    root.available = 100e9;
    root.availableImportant = 120e9;
    root.isRoot = true;
    hub.disks.volumes = {root};
    hub.sensors.sensors = {
        sensor("PSTR", "System Total", SensorGroup::power, SensorKind::power, 18.456),
        sensor("TB0T", "Battery", SensorGroup::battery, SensorKind::temperature, 30),
        sensor("TC0P", "CPU Proximity", SensorGroup::cpu, SensorKind::temperature, 55.55),
        sensor("TG0P", "GPU Die", SensorGroup::gpu, SensorKind::temperature, 61.25),
        sensor("VD0R", "DC In", SensorGroup::power, SensorKind::voltage, 99),
    };
    hub.sensors.fans = {Fan{0, 1234.9, 1200, 6000}, Fan{1, 0, 0, 0}};
    hub.battery.present = true;
    hub.battery.percent = 80;
    hub.battery.minutesRemaining = 125;
    hub.battery.designCapacity = 5000;
    hub.battery.maxCapacity = 4500;
    hub.insights().current.text = QStringLiteral("A build is using most of the CPU.");
}

TEST(McpOverviewAnswer, ABusyLaptop) {
    McpTestServer f;
    fillMachine(f);
    EXPECT_EQ(canonical(f.answer("get_overview")), canonical(R"({
        "time": "2027-01-15T08:00:00Z",
        "mac": {"model": "Test Laptop 14", "processor": "Test CPU @ 3.0GHz", "cores": 8,
                "macos": "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64"},
        "uptime": "1d 1h 1m",
        "insight": "A build is using most of the CPU.",
        "cpu": {"total_percent": 17.3, "user_percent": 12.3, "system_percent": 5,
                "load_average": [1.23, 0.5, 0.01]},
        "memory": {"used_percent": 43.8, "used": "7.0 GB", "total": "16.0 GB",
                   "pressure_percent": 23.4, "pressure": "warning", "swap_used": "512 MB"},
        "network": {"download_per_second": "1.5 KB/s", "upload_per_second": "0 B/s",
                    "internet": "connected", "ping_ms": 12.3},
        "gpu": {"utilization_percent": 37.3},
        "startup_disk": {"used_percent": 76, "free": "120 GB", "total": "500 GB"},
        "thermal": {"fans_rpm": [1234, 0], "cpu_temperature_c": 55.5,
                    "hottest_sensor": "GPU Die 61.2 °C"},
        "system_power_watts": 18.5,
        "battery": {"percent": 80, "state": "On battery", "time_remaining": "2:05",
                    "health_percent": 90}
    })"));
}

TEST(McpOverviewAnswer, MissingReadingsLeaveKeysOutExceptTheNullOnes) {
    McpTestServer f;
    f.hub.cpu.brand = QStringLiteral("CPU");
    f.hub.cpu.logicalCount = 2;
    f.hub.cpu.uptime = 0;
    f.hub.cpu.loadAverage = {0, 0, 0};
    f.hub.cpu.user = f.hub.cpu.system = 0;
    f.hub.memory.total = 0; // nothing read yet
    f.hub.memory.app = f.hub.memory.wired = f.hub.memory.compressed = 0;
    f.hub.memory.pressure = f.hub.memory.swapUsed = 0;
    f.hub.memory.pressureLevel = 1;
    f.hub.gpu.gpus.clear();
    f.hub.disks.volumes.clear();
    f.hub.sensors.sensors.clear();
    f.hub.sensors.fans.clear();
    f.hub.battery.present = false;
    EXPECT_EQ(canonical(f.answer("get_overview")), canonical(R"({
        "time": "2027-01-15T08:00:00Z",
        "mac": {"model": "Computer", "processor": "CPU", "cores": 2, "macos": "Linux"},
        "uptime": "0m",
        "insight": "Still watching — too soon to tell what is busy.",
        "cpu": {"total_percent": 0, "user_percent": 0, "system_percent": 0,
                "load_average": [0, 0, 0]},
        "memory": {"used_percent": 0, "used": "0 B", "total": "0 B", "pressure_percent": 0,
                   "pressure": "normal", "swap_used": "0 B"},
        "network": {"download_per_second": "0 B/s", "upload_per_second": "0 B/s",
                    "internet": "checking", "ping_ms": null},
        "thermal": {"fans_rpm": []}
    })"));
}

TEST(McpOverviewAnswer, MemoryPressureWords) {
    const std::pair<int, const char*> rows[] = {{0, "normal"},  {1, "normal"},   {2, "warning"},
                                                {3, "warning"}, {4, "critical"}, {9, "critical"}};
    McpTestServer f;
    for (const auto& [level, word] : rows) {
        SCOPED_TRACE(level);
        f.hub.memory.pressureLevel = level;
        EXPECT_EQ(f.answer("get_overview").value("memory").toObject().value("pressure"), word);
    }
}

TEST(McpOverviewAnswer, BatteryEstimateAndHealthAreNullWhenUnknown) {
    McpTestServer f;
    fillMachine(f);
    f.hub.battery.minutesRemaining.reset();
    f.hub.battery.designCapacity = 0;
    const QJsonObject battery = f.answer("get_overview").value("battery").toObject();
    EXPECT_TRUE(battery.value("time_remaining").isNull());
    EXPECT_TRUE(battery.value("health_percent").isNull());
    f.hub.battery.designCapacity.reset();
    EXPECT_TRUE(
        f.answer("get_overview").value("battery").toObject().value("health_percent").isNull());
}

TEST(McpOverviewAnswer, ThermalFollowsTheMenuBarTemperatureAndTheFirstHottestSensor) {
    McpTestServer f;
    fillMachine(f);
    // Two sensors at the same hottest value: the first in the monitor's order is named.
    f.hub.sensors.sensors = {
        sensor("TA0P", "Ambient", SensorGroup::system, SensorKind::temperature, 45),
        sensor("Th0H", "Heatpipe 1", SensorGroup::system, SensorKind::temperature, 45),
        sensor("TC0P", "CPU Proximity", SensorGroup::cpu, SensorKind::temperature, 44.96),
    };
    f.hub.sensors.fans = {Fan{0, std::nan(""), 0, 0}, Fan{1, 1e300, 0, 0}};
    QJsonObject thermal = f.answer("get_overview").value("thermal").toObject();
    EXPECT_EQ(thermal.value("hottest_sensor"), QStringLiteral("Ambient 45 \u00b0C"));
    EXPECT_EQ(thermal.value("cpu_temperature_c"), 45); // the CPU group's maximum, rounded
    // A fan speed without a whole-number form is written 0.
    EXPECT_EQ(thermal.value("fans_rpm"), QJsonArray({0, 0}));

    // No temperature sensors yet: the battery's temperature stands in, and nothing is hottest.
    f.hub.sensors.sensors.clear();
    f.hub.battery.temperature = 31.04;
    thermal = f.answer("get_overview").value("thermal").toObject();
    EXPECT_FALSE(thermal.contains("hottest_sensor"));
    EXPECT_EQ(thermal.value("cpu_temperature_c"), 31);
}

std::vector<ProcessSample> fortyProcesses() {
    std::vector<ProcessSample> processes;
    for (int i = 0; i < 40; ++i) {
        ProcessSample p;
        p.pid = i + 1;
        p.name = QStringLiteral("p%1").arg(i + 1);
        p.cpu = (i % 5) * 10.0; // many equal values
        p.memory = 1000.0 * (40 - i);
        processes.push_back(p);
    }
    processes[37].diskRead = 1e6; // 1 MB/s read and 2 MB/s written
    processes[37].diskWrite = 2e6;
    processes[38].diskRead = 2.5e6; // 2.5 MB/s read only
    return processes;
}

std::vector<int> pids(const QJsonObject& answer) {
    std::vector<int> out;
    for (const QJsonValue& process : answer.value("processes").toArray())
        out.push_back(process.toObject().value("pid").toInt());
    return out;
}

TEST(McpTopProcessesAnswer, RanksStablyAndClampsTheCount) {
    struct Row {
        const char* arguments;
        const char* sortedBy;
        std::vector<int> first; // the leading pids
        std::size_t count;
    };
    const Row rows[] = {
        {R"({})", "cpu", {5, 10, 15, 20, 25, 30, 35, 40, 4, 9}, 10},
        {R"({"limit": 0})", "cpu", {5}, 1},
        {R"({"limit": 1})", "cpu", {5}, 1},
        {R"({"limit": 3.0})", "cpu", {5, 10, 15}, 3},
        {R"({"limit": 31})", "cpu", {5, 10}, 30},
        {R"({"limit": 500})", "cpu", {5}, 30},
        {R"({"limit": 1e300})", "cpu", {5}, 30},
        {R"({"limit": -1e300})", "cpu", {5}, 1},
        {R"({"limit": "3"})", "cpu", {5}, 10},
        {R"({"limit": 2.5})", "cpu", {5}, 10},
        {R"({"limit": null})", "cpu", {5}, 10},
        {R"({"sort_by": 7, "limit": 2})", "cpu", {5, 10}, 2},
        {R"({"sort_by": "memory", "limit": 3})", "memory", {1, 2, 3}, 3},
        {R"({"sort_by": "disk", "limit": 2})", "disk", {38, 39}, 2},
        {R"({"sort_by": "cpu", "extra": true, "limit": 2})", "cpu", {5, 10}, 2},
    };
    McpTestServer f;
    f.hub.processes.processes = fortyProcesses();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        const QJsonObject answer =
            f.answer("get_top_processes", QJsonDocument::fromJson(row.arguments).object());
        EXPECT_EQ(answer.value("sorted_by"), row.sortedBy);
        const std::vector<int> got = pids(answer);
        EXPECT_EQ(got.size(), row.count);
        EXPECT_EQ(std::vector<int>(got.begin(), got.begin() + std::ptrdiff_t(std::min(
                                                                  got.size(), row.first.size()))),
                  row.first);
    }
}

TEST(McpTopProcessesAnswer, RejectsAnUnknownSortKey) {
    McpTestServer f;
    for (const char* key : {"name", "CPU", ""}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(f.failure("get_top_processes", QJsonObject{{"sort_by", key}}),
                  "sort_by must be cpu, memory or disk.");
    }
}

TEST(McpTopProcessesAnswer, ProcessObjectsAndFewerProcessesThanAsked) {
    McpTestServer f;
    ProcessSample a{101, QStringLiteral("builder"), 250.55, 1.5 * GiB, 2048, 5e6};
    ProcessSample b{102, QStringLiteral("idle"), 0.04, 512, 0, 0};
    f.hub.processes.processes = {b, a};
    EXPECT_EQ(canonical(f.answer("get_top_processes")), canonical(R"({
        "sorted_by": "cpu",
        "processes": [
            {"pid": 101, "name": "builder", "cpu_percent": 250.6, "memory": "1.5 GB",
             "disk_read_per_second": "2.0 KB/s", "disk_write_per_second": "4.8 MB/s"},
            {"pid": 102, "name": "idle", "cpu_percent": 0, "memory": "512 B",
             "disk_read_per_second": "0 B/s", "disk_write_per_second": "0 B/s"}
        ]})"));
}

TEST(McpTopProcessesAnswer, NamesThatAreNotValidTextKeepAReplacementMark) {
    McpTestServer f;
    ProcessSample bytes{7,
                        QString::fromUtf8("bad\xff"
                                          "name"),
                        1,
                        1,
                        0,
                        0};
    ProcessSample surrogate{
        8, QStringLiteral("half") + QChar(0xD800) + QStringLiteral("pair"), 0, 1, 0, 0};
    f.hub.processes.processes = {bytes, surrogate};
    const QString text = f.answerText("get_top_processes");
    EXPECT_TRUE(text.contains(QStringLiteral("bad\ufffdname")));
    EXPECT_TRUE(text.contains(QStringLiteral("half\ufffdpair")));
    EXPECT_TRUE(text.isValidUtf16());
}

} // namespace
