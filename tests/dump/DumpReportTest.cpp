#include "dump/DumpReport.h"

#include "support/HubFixture.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <set>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

using namespace morvanex;

namespace {

// A system side that grabs every combination except those on the refused key codes.
struct FakeGrabs {
    std::set<std::uint32_t> refusedKeyCodes;
    bool connects = true;
    std::map<std::uint32_t, HotKey> held;
    std::vector<std::pair<std::uint32_t, HotKey>> attempts;
    int connections = 0;

    HotKeyCenter::Connect connect() {
        return [this](HotKeyCenter&) -> std::optional<HotKeyCenter::Registrar> {
            ++connections;
            if (!connects)
                return std::nullopt;
            return HotKeyCenter::Registrar{[this](std::uint32_t number, const HotKey& key) {
                                               attempts.emplace_back(number, key);
                                               if (refusedKeyCodes.count(key.keyCode))
                                                   return false;
                                               held.emplace(number, key);
                                               return true;
                                           },
                                           [this](std::uint32_t number) { held.erase(number); }};
        };
    }
};

TEST(DumpHotKeyProbe, TriesBothCombinationsAndLeavesNothingGrabbed) {
    FakeGrabs grabs;
    HotKeyCenter center(grabs.connect());
    EXPECT_EQ(dump::hotKeyProbe(center), "HotKeys  refused: []");
    ASSERT_EQ(grabs.attempts.size(), 2u);
    EXPECT_EQ(grabs.attempts[0].first, 1u);
    EXPECT_EQ(grabs.attempts[0].second, (HotKey{8, 0x1900, QStringLiteral("⌃⌥⌘C")}));
    EXPECT_EQ(grabs.attempts[1].first, 2u);
    EXPECT_EQ(grabs.attempts[1].second, (HotKey{49, 0x100, QStringLiteral("⌘Space")}));
    EXPECT_TRUE(grabs.held.empty());
    EXPECT_TRUE(center.registered.empty());
    EXPECT_TRUE(center.current.empty());
}

TEST(DumpHotKeyProbe, ListsRefusedCombinations) {
    struct Row {
        const char* name;
        std::set<std::uint32_t> refused;
        bool connects;
        const char* line;
    };
    const Row rows[] = {
        {"command-space held elsewhere", {49}, true, "HotKeys  refused: [\"settings\"]"},
        {"both held", {8, 49}, true, "HotKeys  refused: [\"dropdown.cpu\", \"settings\"]"},
        {"no way to grab keys", {}, false, "HotKeys  refused: [\"dropdown.cpu\", \"settings\"]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeGrabs grabs;
        grabs.refusedKeyCodes = row.refused;
        grabs.connects = row.connects;
        HotKeyCenter center(grabs.connect());
        EXPECT_EQ(dump::hotKeyProbe(center), row.line);
        EXPECT_TRUE(grabs.held.empty());
        EXPECT_TRUE(center.current.empty());
    }
}

TEST(DumpHotKeyProbe, RegistersNothingWhileSuspended) {
    FakeGrabs grabs;
    HotKeyCenter center(grabs.connect());
    center.suspended = true;
    EXPECT_EQ(dump::hotKeyProbe(center), "HotKeys  refused: []");
    EXPECT_EQ(grabs.connections, 0);
    EXPECT_TRUE(grabs.attempts.empty());
    EXPECT_TRUE(center.current.empty());
}

QStringList tagsOf(const QStringList& lines) {
    QStringList tags;
    for (const QString& line : lines)
        tags.append(line.left(9));
    return tags;
}

TEST(DumpReport, LinesComeInReportOrder) {
    test::HubFixture f;
    Hub& hub = *f.hub;
    hub.gpu.gpus.resize(1);
    hub.gpu.gpus[0].name = QStringLiteral("Radeon");
    DiskMonitor::Volume root;
    root.name = QStringLiteral("/");
    root.isRoot = true;
    hub.disks.volumes = {root, root};
    hub.network.interfaces.resize(2);
    hub.network.wifi = WiFiInfo{};
    hub.sensors.sensors = {Sensor{QStringLiteral("TC0P"), QStringLiteral("CPU"), SensorGroup::cpu,
                                  SensorKind::temperature, 50, 50}};
    hub.sensors.fans = {Fan{0, 1000, 500, 5000}};
    Config config = f.settings.config();
    Rule cpu;
    cpu.metric = RuleMetric::cpu;
    Rule ping;
    ping.metric = RuleMetric::ping;
    config.rules = {cpu, ping};

    const QStringList lines = dump::reportLines(hub, config, false, f.now);
    EXPECT_EQ(
        tagsOf(lines),
        QStringList({"Insight  ", "Devices  ", "CPU      ", "GPU      ", "Memory   ", "Disk     ",
                     "Disk     ", "DiskIO   ", "Network  ", "  if     ", "  if     ", "Wi-Fi    ",
                     "Sensors  ", "  CPU    ", "  Fan 1  ", "Battery  ", "Procs    ", "Weather  ",
                     "Fuzzy    ", "Rule     ", "Rule     "}));
    EXPECT_EQ(lines[12], "Sensors  available=false ready=false count=1 cpuMax=50.0°");
    EXPECT_EQ(lines.last(), "Rule     Ping time = n/a"); // no answer yet
    EXPECT_EQ(lines[18], "Fuzzy    eight o'clock");      // the fixture's 08:00 UTC
}

TEST(DumpReport, OptionalLinesAreLeftOutAndTheConfigCopyDecides) {
    test::HubFixture f;
    Hub& hub = *f.hub;
    hub.gpu.gpus.clear();
    hub.disks.volumes.clear();
    hub.network.interfaces.clear();
    hub.network.wifi.reset();
    Config config = f.settings.config();
    config.rules.clear();
    config.temperatureUnit = TempUnit::kelvin;
    // The live settings say otherwise: the report reads only its copy.
    f.settings.update([](Config& c) {
        c.temperatureUnit = TempUnit::fahrenheit;
        c.rules = {Rule{}};
    });
    hub.sensors.sensors = {Sensor{QStringLiteral("TC0P"), QStringLiteral("CPU"), SensorGroup::cpu,
                                  SensorKind::temperature, 50, 50}};
    const QStringList lines = dump::reportLines(hub, config, true, f.now);
    EXPECT_EQ(tagsOf(lines), QStringList({"Insight  ", "Devices  ", "CPU      ", "Memory   ",
                                          "DiskIO   ", "Network  ", "Sensors  ", "  CPU    ",
                                          "Battery  ", "Procs    ", "Weather  ", "Fuzzy    "}));
    EXPECT_EQ(lines[6], "Sensors  available=true ready=false count=1 cpuMax=323.1 K");
}

TEST(DumpReport, SunAndMoonLineFollowsTheWeatherLineOnceAPlaceIsKnown) {
    test::HubFixture f;
    Hub& hub = *f.hub;
    hub.astronomy.update(WeatherLocation{QStringLiteral("Lisbon"), 38.72, -9.14});
    const QStringList lines = dump::reportLines(hub, f.settings.config(), false, f.now);
    const qsizetype weather = lines.indexOf(QRegularExpression(QStringLiteral("Weather  .*")));
    ASSERT_GE(weather, 0);
    ASSERT_LT(weather + 2, lines.size());
    EXPECT_TRUE(lines[weather + 1].startsWith("Astro    sunrise "))
        << lines[weather + 1].toStdString();
    EXPECT_TRUE(lines[weather + 2].startsWith("Fuzzy    "));
}

} // namespace
