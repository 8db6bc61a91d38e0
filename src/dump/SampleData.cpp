#include "dump/SampleData.h"

#include "base/Fmt.h"
#include "ui/kit/Palette.h"

#include <QUrl>

namespace morvanex::dump {
namespace {

constexpr qint64 daySeconds = 86'400;

// The calendars' colours are fixed values; they take the light system colours.
CalendarColor systemColor(ui::Tint tint) {
    const QColor colour = ui::color(tint, ui::Appearance::light);
    return {std::uint8_t(colour.red()), std::uint8_t(colour.green()), std::uint8_t(colour.blue())};
}

CalendarEvent event(const char* id, const char* title, QDateTime start, QDateTime end) {
    CalendarEvent result;
    result.id = QString::fromLatin1(id);
    result.title = QString::fromUtf8(title);
    result.start = std::move(start);
    result.end = std::move(end);
    return result;
}

void onCalendar(CalendarEvent& event, const char* id, const char* title, ui::Tint tint) {
    event.calendarID = QString::fromLatin1(id);
    event.calendarTitle = QString::fromLatin1(title);
    event.color = systemColor(tint);
}

} // namespace

QVariantMap sampleDeviceBatteryRegistry() {
    return {
        {QStringLiteral("CycleCount"), 412},
        {QStringLiteral("DesignCapacity"), 3274},
        {QStringLiteral("NominalChargeCapacity"), 2921},
        {QStringLiteral("AppleRawCurrentCapacity"), 1870},
        {QStringLiteral("Temperature"), 3150},
        {QStringLiteral("Voltage"), 4012},
        {QStringLiteral("InstantAmperage"), 1480},
        {QStringLiteral("AdapterDetails"), QVariantMap{{QStringLiteral("Watts"), 20}}},
    };
}

std::optional<DeviceBattery> sampleDeviceBattery() {
    std::optional<DeviceBattery> battery =
        DeviceBattery::fromRegistry(sampleDeviceBatteryRegistry());
    if (battery)
        battery->reportedHealth = 89;
    return battery;
}

std::vector<ConnectedDevice> sampleDevices() {
    ConnectedDevice phone;
    phone.id = QStringLiteral("preview-1");
    phone.connection = ConnectedDevice::Connection::usb;
    phone.trusted = true;
    phone.name = QStringLiteral("Tamsel's iPhone");
    phone.productType = QStringLiteral("iPhone16,1");
    phone.deviceClass = QStringLiteral("iPhone");
    phone.osVersion = QStringLiteral("26.1");
    phone.batteryLevel = 64;
    phone.isCharging = true;
    phone.storageTotal = 256'000'000'000;
    phone.storageFree = 112'400'000'000;
    phone.dataCapacity = 245'000'000'000;
    phone.modelNumber = QStringLiteral("MTUV3ZD/A");
    phone.buildVersion = QStringLiteral("23B85");
    phone.serialNumber = QStringLiteral("F2LXK0Q1N7");
    phone.battery = sampleDeviceBattery();

    ConnectedDevice tablet;
    tablet.id = QStringLiteral("preview-2");
    tablet.connection = ConnectedDevice::Connection::wifi;
    tablet.trusted = false;
    tablet.productType = QStringLiteral("iPad16,3");
    tablet.deviceClass = QStringLiteral("iPad");
    tablet.osVersion = QStringLiteral("26.0");

    return {phone, tablet};
}

std::vector<SpeedTestResult> sampleSpeedTestResults(const QDateTime& now) {
    SpeedTestResult latest;
    latest.date = now;
    latest.download = 26'011'298;
    latest.upload = 25'419'626;
    latest.responsiveness = 162.6;
    latest.baseRTT = 48.1;
    latest.interface = QStringLiteral("en0");
    latest.dataUsed = 894'236'816;

    SpeedTestResult earlier;
    earlier.date = now.addSecs(-daySeconds);
    earlier.download = 23'375'000;
    earlier.upload = 11'875'000;
    earlier.responsiveness = 410;
    earlier.baseRTT = 31;
    earlier.interface = QStringLiteral("en0");
    earlier.dataUsed = 700'000'000;

    return {latest, earlier};
}

std::optional<Insight> sampleInsight(const ProcessMonitor& processes) {
    const std::vector<ProcessSample> busiest = processes.top(&ProcessSample::cpu, 2);
    if (busiest.empty())
        return std::nullopt;
    const ProcessSample& process = busiest.back();
    Insight insight;
    insight.kind = Insight::Kind::cpu;
    insight.severity = Insight::Severity::warning;
    insight.module = ModuleKind::cpu;
    insight.pid = process.pid;
    insight.text = process.name + QStringLiteral(" has used ") + Fmt::percent(process.cpu) +
                   QStringLiteral(" CPU for 6 min — fans are up.");
    return insight;
}

std::vector<CalendarEvent> sampleCalendarEvents(const QDateTime& now) {
    const QDateTime tomorrow = now.toLocalTime().date().addDays(1).startOfDay();

    CalendarEvent focus = event("1", "Focus time", now.addSecs(-1800), now.addSecs(1800));
    onCalendar(focus, "w", "Work", ui::Tint::blue);

    CalendarEvent review = event("2", "Design review", now.addSecs(480), now.addSecs(2280));
    review.location = QStringLiteral("Zoom");
    review.meetingURL = QUrl(QStringLiteral("https://zoom.us/j/1"));
    onCalendar(review, "w", "Work", ui::Tint::blue);

    CalendarEvent dinner =
        event("3", "Dinner with Ilvet", now.addSecs(18'000), now.addSecs(24'000));
    dinner.location = QStringLiteral("Velmarro");
    onCalendar(dinner, "h", "Home", ui::Tint::orange);

    CalendarEvent holiday = event("4", "Public holiday", tomorrow, tomorrow.addSecs(daySeconds));
    holiday.isAllDay = true;
    onCalendar(holiday, "h", "Holidays", ui::Tint::green);

    CalendarEvent dentist =
        event("5", "Dentist", tomorrow.addSecs(36'000), tomorrow.addSecs(39'600));
    dentist.location = QStringLiteral("Brakenrow 12");
    onCalendar(dentist, "h", "Home", ui::Tint::orange);

    return {focus, review, dinner, holiday, dentist};
}

KeepAwakePeriod sampleKeepAwake(const QDateTime& now) {
    return {false, now.addSecs(3600)};
}

void installSampleDevices(Hub& hub) {
    hub.devices.setDevices(sampleDevices());
}

void installSampleSpeedTests(Hub& hub, const QDateTime& now) {
    hub.speedTest.results = sampleSpeedTestResults(now);
}

void installSampleInsight(Hub& hub) {
    if (std::optional<Insight> insight = sampleInsight(hub.processes))
        hub.insights().current = std::move(*insight);
}

void installSampleEvents(Hub& hub, const QDateTime& now) {
    hub.calendar.setEvents(CalendarEvents::Access::granted, sampleCalendarEvents(now));
}

void startSampleKeepAwake(Hub& hub, const QDateTime& now) {
    const KeepAwakePeriod period = sampleKeepAwake(now);
    hub.keepAwake.activate(period.keepDisplayOn, period.until);
}

} // namespace morvanex::dump
