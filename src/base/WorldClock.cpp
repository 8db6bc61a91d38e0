#include "base/WorldClock.h"

#include "base/Numbers.h"

#include <cmath>
#include <cstdlib>

namespace morvanex::WorldClock {

QString offset(const QTimeZone& zone, const QDateTime& at) {
    return offset(zone, at, QTimeZone::systemTimeZone());
}

QString offset(const QTimeZone& zone, const QDateTime& at, const QTimeZone& local) {
    const int difference = zone.offsetFromUtc(at) - local.offsetFromUtc(at);
    if (difference == 0)
        return QStringLiteral("Same time");
    const double hours = std::abs(difference) / 3600.0;
    const std::string number = hours == std::floor(hours)
                                   ? numbers::integerText(std::int64_t(hours))
                                   : numbers::fixed(hours, 1);
    const QString sign = difference > 0 ? QStringLiteral("+") : QStringLiteral("\u2212");
    return sign + QString::fromStdString(number) + QStringLiteral(" h");
}

} // namespace morvanex::WorldClock
