#include "dump/SampleData.h"

#include "services/MeetingLinks.h"
#include "support/HubFixture.h"
#include "ui/kit/Palette.h"

#include <QSignalSpy>
#include <QTimeZone>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <gtest/gtest.h>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

using namespace morvanex;

namespace {

const QString absent = QStringLiteral("absent");

QString text(const std::optional<QString>& value) {
    return value.value_or(absent);
}
QString text(std::optional<std::int64_t> value) {
    return value ? QString::number(*value) : absent;
}
QString text(std::optional<bool> value) {
    return value ? QString::fromLatin1(*value ? "true" : "false") : absent;
}
QString text(std::optional<double> value) {
    return value ? QString::number(*value, 'g', 12) : absent;
}

TEST(DumpSampleData, DevicesFollowTheTable) {
    using Field = std::function<QString(const ConnectedDevice&)>;
    struct Row {
        const char* field;
        Field read;
        QString first;
        QString second;
    };
    const std::vector<Row> rows{
        {"id", [](auto& d) { return d.id; }, "preview-1", "preview-2"},
        {"connection",
         [](auto& d) { return d.connection == ConnectedDevice::Connection::usb ? "usb" : "wifi"; },
         "usb", "wifi"},
        {"trusted", [](auto& d) { return text(std::optional(d.trusted)); }, "true", "false"},
        {"name", [](auto& d) { return text(d.name); }, "Tamsel's iPhone", absent},
        {"productType", [](auto& d) { return text(d.productType); }, "iPhone16,1", "iPad16,3"},
        {"deviceClass", [](auto& d) { return text(d.deviceClass); }, "iPhone", "iPad"},
        {"osVersion", [](auto& d) { return text(d.osVersion); }, "26.1", "26.0"},
        {"batteryLevel", [](auto& d) { return text(d.batteryLevel); }, "64", absent},
        {"isCharging", [](auto& d) { return text(d.isCharging); }, "true", absent},
        {"fullyCharged", [](auto& d) { return text(d.fullyCharged); }, absent, absent},
        {"storageTotal", [](auto& d) { return text(d.storageTotal); }, "256000000000", absent},
        {"storageFree", [](auto& d) { return text(d.storageFree); }, "112400000000", absent},
        {"dataCapacity", [](auto& d) { return text(d.dataCapacity); }, "245000000000", absent},
        {"modelNumber", [](auto& d) { return text(d.modelNumber); }, "MTUV3ZD/A", absent},
        {"buildVersion", [](auto& d) { return text(d.buildVersion); }, "23B85", absent},
        {"serialNumber", [](auto& d) { return text(d.serialNumber); }, "F2LXK0Q1N7", absent},
        {"battery", [](auto& d) { return d.battery ? QStringLiteral("present") : absent; },
         "present", absent},
    };
    const std::vector<ConnectedDevice> devices = dump::sampleDevices();
    ASSERT_EQ(devices.size(), 2u);
    for (const Row& row : rows) {
        EXPECT_EQ(row.read(devices[0]), row.first) << row.field;
        EXPECT_EQ(row.read(devices[1]), row.second) << row.field;
    }
    EXPECT_EQ(devices[0].battery, dump::sampleDeviceBattery());
    // The list is already in the monitor's display order: USB before Wi-Fi.
    std::vector<ConnectedDevice> sorted = devices;
    DeviceMonitor::sortDevices(sorted);
    EXPECT_EQ(sorted, devices);
}

// The registry entry read as a device's would be, then the reported health set: temperature
// in hundredths of a degree, voltage and current in thousandths.
TEST(DumpSampleData, DeviceBatteryReadsTheRegistryEntry) {
    const std::optional<DeviceBattery> battery = dump::sampleDeviceBattery();
    ASSERT_TRUE(battery);
    struct Row {
        const char* field;
        std::optional<double> value;
        double expected;
    };
    const auto real = [](std::optional<std::int64_t> v) {
        return v ? std::optional<double>(double(*v)) : std::nullopt;
    };
    const std::vector<Row> rows{
        {"cycleCount", real(battery->cycleCount), 412},
        {"designCapacity", real(battery->designCapacity), 3274},
        {"maxCapacity", real(battery->maxCapacity), 2921},
        {"currentCharge", real(battery->currentCharge), 1870},
        {"reportedHealth", real(battery->reportedHealth), 89},
        {"temperature", battery->temperature, 31.5},
        {"voltage", battery->voltage, 4.012},
        {"amperage", battery->amperage, 1.48},
        {"adapterWatts", real(battery->adapterWatts), 20},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(row.value) << row.field;
        EXPECT_DOUBLE_EQ(*row.value, row.expected) << row.field;
    }
}

TEST(DumpSampleData, SpeedTestResultsFollowTheTable) {
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC);
    using Field = std::function<QString(const SpeedTestResult&)>;
    struct Row {
        const char* field;
        Field read;
        QString first;
        QString second;
    };
    const std::vector<Row> rows{
        {"date", [&](auto& r) { return QString::number(now.secsTo(r.date)); }, "0", "-86400"},
        {"download", [](auto& r) { return text(std::optional(r.download)); }, "26011298",
         "23375000"},
        {"upload", [](auto& r) { return text(std::optional(r.upload)); }, "25419626", "11875000"},
        {"responsiveness", [](auto& r) { return text(r.responsiveness); }, "162.6", "410"},
        {"baseRTT", [](auto& r) { return text(r.baseRTT); }, "48.1", "31"},
        {"interface", [](auto& r) { return text(r.interface); }, "en0", "en0"},
        {"dataUsed", [](auto& r) { return text(r.dataUsed); }, "894236816", "700000000"},
    };
    const std::vector<SpeedTestResult> results = dump::sampleSpeedTestResults(now);
    ASSERT_EQ(results.size(), 2u);
    for (const Row& row : rows) {
        EXPECT_EQ(row.read(results[0]), row.first) << row.field;
        EXPECT_EQ(row.read(results[1]), row.second) << row.field;
    }
    // They survive the stored form, as results the user measured would.
    const auto stored = encodeSpeedTestResults(results);
    ASSERT_TRUE(stored);
    EXPECT_EQ(decodeSpeedTestResults(*stored), results);
}

ProcessSample process(std::int32_t pid, const char* name, double cpu) {
    ProcessSample sample;
    sample.pid = pid;
    sample.name = QString::fromLatin1(name);
    sample.cpu = cpu;
    return sample;
}

TEST(DumpSampleData, InsightNamesTheSecondBusiestProcess) {
    struct Row {
        const char* name;
        std::vector<ProcessSample> processes;
        std::optional<std::int32_t> pid;
        QString text;
    };
    const std::vector<Row> rows{
        {"none sampled", {}, std::nullopt, {}},
        {"only one",
         {process(7, "backupd", 12.4)},
         7,
         "backupd has used 12% CPU for 6 min — fans are up."},
        {"the second of three",
         {process(1, "idle", 10), process(2, "compiler", 180.5), process(3, "indexer", 42.5)},
         3,
         "indexer has used 43% CPU for 6 min — fans are up."},
        {"equal use keeps sample order",
         {process(4, "first", 20), process(5, "second", 20), process(6, "third", 20)},
         5,
         "second has used 20% CPU for 6 min — fans are up."},
    };
    for (const Row& row : rows) {
        ProcessMonitor monitor;
        monitor.processes = row.processes;
        const std::optional<Insight> insight = dump::sampleInsight(monitor);
        ASSERT_EQ(insight.has_value(), row.pid.has_value()) << row.name;
        if (!insight)
            continue;
        EXPECT_EQ(insight->kind, Insight::Kind::cpu) << row.name;
        EXPECT_EQ(insight->severity, Insight::Severity::warning) << row.name;
        EXPECT_EQ(insight->module, ModuleKind::cpu) << row.name;
        EXPECT_EQ(insight->pid, row.pid) << row.name;
        EXPECT_EQ(insight->text, row.text) << row.name;
    }
}

// Run at 02:00 in Kolkata, still the previous day in UTC: "tomorrow" is the next local
// midnight, not the next one in UTC.
TEST(DumpSampleData, CalendarEventsFollowTheTable) {
    ::setenv("TZ", "Asia/Kolkata", 1);
    ::tzset();
    const QTimeZone zone("Asia/Kolkata");
    const QDateTime now(QDate(2027, 3, 10), QTime(2, 0), zone);
    const QDateTime tomorrow(QDate(2027, 3, 11), QTime(0, 0), zone);

    struct Row {
        const char* id;
        const char* title;
        QDateTime start;
        QDateTime end;
        bool isAllDay;
        std::optional<QString> location;
        const char* calendarID;
        const char* calendarTitle;
        ui::Tint color;
        std::optional<QString> meetingURL;
    };
    const std::vector<Row> rows{
        {"1",
         "Focus time",
         now.addSecs(-1800),
         now.addSecs(1800),
         false,
         {},
         "w",
         "Work",
         ui::Tint::blue,
         {}},
        {"2", "Design review", now.addSecs(480), now.addSecs(2280), false, "Zoom", "w", "Work",
         ui::Tint::blue, "https://zoom.us/j/1"},
        {"3",
         "Dinner with Ilvet",
         now.addSecs(18'000),
         now.addSecs(24'000),
         false,
         "Velmarro",
         "h",
         "Home",
         ui::Tint::orange,
         {}},
        {"4",
         "Public holiday",
         tomorrow,
         tomorrow.addSecs(86'400),
         true,
         {},
         "h",
         "Holidays",
         ui::Tint::green,
         {}},
        {"5",
         "Dentist",
         tomorrow.addSecs(36'000),
         tomorrow.addSecs(39'600),
         false,
         "Brakenrow 12",
         "h",
         "Home",
         ui::Tint::orange,
         {}},
    };
    const std::vector<CalendarEvent> events = dump::sampleCalendarEvents(now);
    ASSERT_EQ(events.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        const CalendarEvent& event = events[i];
        SCOPED_TRACE(row.id);
        EXPECT_EQ(event.id, row.id);
        EXPECT_EQ(event.title, row.title);
        EXPECT_EQ(event.start, row.start);
        EXPECT_EQ(event.end, row.end);
        EXPECT_EQ(event.isAllDay, row.isAllDay);
        EXPECT_EQ(event.location, row.location);
        EXPECT_EQ(event.calendarID, row.calendarID);
        EXPECT_EQ(event.calendarTitle, row.calendarTitle);
        const QColor colour = ui::color(row.color, ui::Appearance::light);
        EXPECT_EQ(event.color,
                  (CalendarColor{std::uint8_t(colour.red()), std::uint8_t(colour.green()),
                                 std::uint8_t(colour.blue())}));
        EXPECT_EQ(event.meetingURL ? std::optional(event.meetingURL->toString()) : std::nullopt,
                  row.meetingURL);
    }
    // The call's link is one the event views recognise as a video call.
    ASSERT_TRUE(events[1].meetingURL);
    EXPECT_TRUE(meetinglinks::isMeetingLink(*events[1].meetingURL));
    // In progress first, then the call starting within 15 minutes is the next event.
    EXPECT_EQ(nextEvent(events, now)->id, "2");
}

// The installs reach the hub's objects without announcing a change, and the saved speed-test
// results stay as they were.
TEST(DumpSampleData, InstallsWriteIntoTheHubSilently) {
    platform::UserDefaults savedResults = platform::UserDefaults::inMemory();
    test::HubFixture f([&](Hub::Sources& sources) { sources.speedTestResults = savedResults; });
    Hub& hub = *f.hub;
    int callbacks = 0;
    hub.devices.onUpdate = [&] { ++callbacks; };
    hub.calendar.onChange = [&] { ++callbacks; };
    hub.speedTest.onChange = [&] { ++callbacks; };
    QSignalSpy changed(&hub, &Hub::changed);
    hub.processes.processes = {process(1, "kernel_task", 30), process(2, "renderer", 15)};

    dump::installSampleDevices(hub);
    dump::installSampleSpeedTests(hub, f.now);
    dump::installSampleInsight(hub);
    dump::installSampleEvents(hub, f.now);

    EXPECT_EQ(hub.devices.devices(), dump::sampleDevices());
    EXPECT_EQ(hub.speedTest.results, dump::sampleSpeedTestResults(f.now));
    EXPECT_EQ(hub.insights().current, dump::sampleInsight(hub.processes));
    EXPECT_EQ(hub.insights().current.pid, 2);
    EXPECT_EQ(hub.calendar.access(), CalendarEvents::Access::granted);
    EXPECT_EQ(hub.calendar.events(), dump::sampleCalendarEvents(f.now));
    EXPECT_EQ(callbacks, 0);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_FALSE(savedResults.value(SpeedTest::storageKey).isValid());
}

TEST(DumpSampleData, NoProcessesLeaveTheInsightAsItWas) {
    test::HubFixture f;
    Hub& hub = *f.hub;
    hub.processes.processes.clear();
    Insight before;
    before.kind = Insight::Kind::memory;
    before.text = QStringLiteral("Memory is tight.");
    hub.insights().current = before;
    dump::installSampleInsight(hub);
    EXPECT_EQ(hub.insights().current, before);
}

TEST(DumpSampleData, KeepAwakeRunsAnHourWithTheDisplayFreeToSleep) {
    int taken = 0;
    bool keptDisplay = true;
    test::HubFixture f([&](Hub::Sources& sources) {
        sources.power.create = [&](bool keepDisplayOn, const QString&) {
            ++taken;
            keptDisplay = keepDisplayOn;
            return std::make_shared<int>(0);
        };
    });
    Hub& hub = *f.hub;
    EXPECT_EQ(dump::sampleKeepAwake(f.now), (dump::KeepAwakePeriod{false, f.now.addSecs(3600)}));

    dump::startSampleKeepAwake(hub, f.now);
    EXPECT_TRUE(hub.keepAwake.isActive);
    EXPECT_FALSE(hub.keepAwake.keepsDisplayOn);
    EXPECT_EQ(hub.keepAwake.endDate, f.now.addSecs(3600));
    EXPECT_EQ(taken, 1);
    EXPECT_FALSE(keptDisplay);
    hub.keepAwake.stop(false);
    EXPECT_FALSE(hub.keepAwake.isActive);
}

} // namespace
