#include "ui/panels/overview/OverviewRowTexts.h"

#include "app/Hub.h"
#include "base/Fmt.h"
#include "base/ShownText.h"
#include "base/Units.h"
#include "base/WorldClock.h"
#include "platform/ListedTimeZone.h"
#include "services/WeatherCode.h"

namespace morvanex::ui::overview {

namespace {

const QString separator = QStringLiteral(" · ");

} // namespace

QString insightSymbol(Insight::Kind kind) {
    switch (kind) {
    case Insight::Kind::memory:
        return QStringLiteral("memorychip");
    case Insight::Kind::cpu:
        return QStringLiteral("cpu");
    case Insight::Kind::disk:
        return QStringLiteral("internaldrive");
    case Insight::Kind::network:
        return QStringLiteral("network");
    case Insight::Kind::battery:
        return QStringLiteral("battery.25percent");
    case Insight::Kind::storage:
        return QStringLiteral("externaldrive.badge.exclamationmark");
    case Insight::Kind::quiet:
        return QStringLiteral("checkmark.circle");
    }
    return QStringLiteral("checkmark.circle");
}

Tint insightTint(Insight::Severity severity, Insight::Kind kind) {
    switch (severity) {
    case Insight::Severity::warning:
        return Tint::orange;
    case Insight::Severity::critical:
        return Tint::red;
    case Insight::Severity::info:
        break;
    }
    return kind == Insight::Kind::quiet ? Tint::green : Tint::blue;
}

QString deviceBatterySymbol(std::int64_t level, std::optional<bool> isCharging) {
    if (isCharging.value_or(false))
        return QStringLiteral("battery.100percent.bolt");
    if (level < 13)
        return QStringLiteral("battery.0percent");
    if (level < 38)
        return QStringLiteral("battery.25percent");
    if (level < 63)
        return QStringLiteral("battery.50percent");
    if (level < 88)
        return QStringLiteral("battery.75percent");
    return QStringLiteral("battery.100percent");
}

Tint deviceBatteryTint(std::int64_t level, std::optional<bool> isCharging) {
    return level <= 20 && !isCharging.value_or(false) ? Tint::red : Tint::primaryText;
}

QStringList detailLines(const ConnectedDevice& device) {
    QStringList identity;
    const QString name = device.displayName();
    if (const auto model = device.modelName(); model && *model != name)
        identity << *model;
    if (device.osVersion) {
        const bool pad = device.deviceClass && *device.deviceClass == QLatin1String("iPad");
        identity << (pad ? QStringLiteral("iPadOS ") : QStringLiteral("iOS ")) + *device.osVersion;
    }
    if (!device.trusted)
        return {identity.join(separator),
                QStringLiteral("Trust this computer to see battery and storage")};

    QStringList status;
    if (device.storageFree)
        status << Fmt::bytes(double(*device.storageFree), 1000) + QStringLiteral(" free");
    if (device.fullyCharged.value_or(false))
        status << QStringLiteral("Charged");
    else if (device.isCharging.value_or(false))
        status << QStringLiteral("Charging");
    if (device.connection == ConnectedDevice::Connection::wifi)
        status << QStringLiteral("Wi-Fi");

    QStringList lines;
    for (const QStringList& parts : {identity, status}) {
        const QString line = parts.join(separator);
        if (!line.isEmpty())
            lines << line;
    }
    return lines;
}

WeatherRowState WeatherRowState::from(const Hub& hub) {
    WeatherRowState state;
    state.report = hub.weather.report();
    state.isLoading = hub.weather.isLoading();
    state.lastError = hub.weather.lastError();
    if (const auto& snapshot = hub.astronomy.snapshot())
        state.astronomySunset = snapshot->sun[QStringLiteral("sunset")];
    return state;
}

QString weatherHeadline(const WeatherReport& report, TempUnit unit) {
    const QString name = shownText(report.location.name);
    const int comma = name.indexOf(QLatin1Char(','));
    const QString place = comma < 0 ? name : name.left(comma);
    return place + separator + format(unit, report.current.temperature, 0) + QLatin1Char(' ') +
           WeatherCode::description(report.current.code);
}

QString weatherDetail(const WeatherReport& report, const std::optional<QDateTime>& astronomySunset,
                      TempUnit unit) {
    QStringList pieces;
    std::optional<QDateTime> sunset = astronomySunset;
    if (!report.days.empty()) {
        const WeatherDay& today = report.days.front();
        pieces << QStringLiteral("H ") + format(unit, today.high, 0) + QStringLiteral("  L ") +
                      format(unit, today.low, 0);
        if (today.sunset)
            sunset = today.sunset;
    }
    if (sunset)
        pieces << QStringLiteral("Sunset ") + Fmt::time(sunset, report.timeZone);
    return pieces.join(separator);
}

QString weatherPlaceholder(bool isLoading, const std::optional<QString>& lastError) {
    if (isLoading)
        return QStringLiteral("Loading weather…");
    if (lastError)
        return *lastError;
    return QStringLiteral("Weather unavailable");
}

QString worldClockCity(const QString& identifier) {
    const QStringList pieces = identifier.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return identifier;
    return QString(pieces.last()).replace(QLatin1Char('_'), QLatin1Char(' '));
}

std::vector<WorldClockColumn> worldClockColumns(const QStringList& clocks, const QDateTime& now,
                                                const QTimeZone& local) {
    std::vector<WorldClockColumn> columns;
    for (const QString& identifier : clocks.mid(0, 3)) {
        const QTimeZone zone = platform::listedTimeZone(identifier);
        if (!zone.isValid())
            continue;
        columns.push_back({worldClockCity(identifier), Fmt::time(now, zone),
                           WorldClock::offset(zone, now, local)});
    }
    return columns;
}

} // namespace morvanex::ui::overview
