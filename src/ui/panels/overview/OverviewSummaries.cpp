#include "ui/panels/overview/OverviewSummaries.h"

#include "base/Numbers.h"
#include "monitors/BatteryMonitor.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace morvanex::ui::overview {

namespace {

const QString unavailable = QStringLiteral("—");

QString counted(std::int64_t count, const char* noun) {
    QString text = QString::number(count) + QLatin1Char(' ') + QLatin1String(noun);
    if (count != 1)
        text += QLatin1Char('s');
    return text;
}

} // namespace

QString uptimeText(double seconds) {
    const auto whole = numbers::truncatedInt64(seconds);
    if (!whole || *whole < 0)
        return unavailable;
    const std::int64_t s = *whole;
    const std::int64_t days = s / 86400;
    const std::int64_t hours = s % 86400 / 3600;
    const std::int64_t minutes = s % 3600 / 60;
    if (s < 86400)
        return counted(hours, "hour") + QStringLiteral(", ") + QString::number(minutes) +
               QStringLiteral(" min");
    return counted(days, "day") + QStringLiteral(", ") + counted(hours, "hour");
}

QString fanSummary(const std::vector<Fan>& fans, bool isReady, bool readable) {
    if (!readable)
        return QStringLiteral("Not readable");
    if (fans.empty())
        return isReady ? QStringLiteral("Fanless") : unavailable;
    // The first of equal speeds wins, as everywhere a panel picks the largest.
    const auto fastest = std::max_element(fans.begin(), fans.end(),
                                          [](const Fan& a, const Fan& b) { return a.rpm < b.rpm; });
    const double rpm = fastest->rpm;
    if (std::isnan(rpm))
        return unavailable;
    if (rpm < 100)
        return QStringLiteral("Fans off");
    const auto whole = numbers::truncatedInt64(rpm);
    if (!whole)
        return unavailable;
    return QLocale().toString(qlonglong(*whole)) + QStringLiteral(" rpm");
}

BatteryState BatteryState::from(const BatteryMonitor& battery) {
    BatteryState state;
    state.present = battery.present;
    state.percent = battery.percent;
    state.isCharging = battery.isCharging;
    state.isCharged = battery.isCharged;
    state.onAC = battery.onAC;
    state.minutesRemaining = battery.minutesRemaining;
    return state;
}

QString batterySummary(const BatteryState& battery) {
    // A negative estimate is no estimate: it would print as "-1:-35".
    if (battery.minutesRemaining && *battery.minutesRemaining >= 0) {
        const std::int64_t m = *battery.minutesRemaining;
        const QString clock = QString::number(m / 60) + QLatin1Char(':') +
                              QStringLiteral("%1").arg(m % 60, 2, 10, QLatin1Char('0'));
        return clock + (battery.isCharging ? QStringLiteral(" to full") : QStringLiteral(" left"));
    }
    if (!battery.present)
        return QStringLiteral("No battery");
    if (battery.isCharged || (battery.onAC && battery.percent >= 99.5))
        return QStringLiteral("Charged");
    if (battery.isCharging)
        return QStringLiteral("Charging");
    if (battery.onAC)
        return QStringLiteral("Not charging");
    return QStringLiteral("On battery");
}

} // namespace morvanex::ui::overview
