#include "ui/panels/SpeedTestTexts.h"

#include "base/Fmt.h"
#include "base/Numbers.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>

namespace morvanex::ui::speedtest {

namespace {

QString integer(std::int64_t value) {
    return QString::fromStdString(numbers::integerText(value));
}

} // namespace

double progressFraction(const QDateTime& started, const QDateTime& now) {
    const double seconds = double(started.msecsTo(now)) / 1000;
    return std::clamp(seconds / 20, 0.0, 0.98);
}

QString buttonTitle(const SpeedTest::State& state, bool hasResults) {
    if (std::holds_alternative<SpeedTest::Running>(state))
        return QStringLiteral("Cancel");
    return hasResults ? QStringLiteral("Test Again") : QStringLiteral("Test Speed");
}

std::optional<QString> responsivenessText(std::optional<double> responsiveness) {
    if (!responsiveness)
        return std::nullopt;
    const auto whole = numbers::roundedInt64(*responsiveness);
    return whole ? integer(*whole) + QStringLiteral(" RPM") : QStringLiteral("—");
}

std::optional<QString> latencyText(std::optional<double> responsiveness) {
    if (!responsiveness || !(*responsiveness > 0))
        return std::nullopt;
    const auto whole = numbers::roundedInt64(60000 / *responsiveness);
    return (whole ? integer(*whole) : QStringLiteral("—")) + QStringLiteral(" ms under load");
}

QString dateTimeText(const QDateTime& date, const QTimeZone& timeZone) {
    const QDateTime local = date.toTimeZone(timeZone);
    if (!local.isValid())
        return QStringLiteral("—");
    return QLocale().toString(local.date(), QStringLiteral("MMM d, yyyy")) + QStringLiteral(", ") +
           Fmt::time(date, timeZone);
}

QString caption(const SpeedTestResult& result, const QDateTime& now, const QTimeZone& timeZone) {
    const bool today = result.date.toTimeZone(timeZone).date() == now.toTimeZone(timeZone).date();
    QStringList parts{QStringLiteral("Last tested ") + (today
                                                            ? Fmt::time(result.date, timeZone)
                                                            : dateTimeText(result.date, timeZone))};
    if (const auto latency = latencyText(result.responsiveness))
        parts << *latency;
    if (result.dataUsed)
        parts << Fmt::bytes(*result.dataUsed, 1000) + QStringLiteral(" used");
    return parts.join(QStringLiteral(" · "));
}

} // namespace morvanex::ui::speedtest
