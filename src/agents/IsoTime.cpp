#include "agents/IsoTime.h"

#include "base/Numbers.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace morvanex {
namespace {

// Dates beyond this many seconds from 1970 (about 285 million years) are outside what
// QDateTime holds in milliseconds; the answers never get near them.
constexpr double secondsLimit = 9.0e15;

// The Julian day number of 1970-01-01.
constexpr qint64 unixEpochJulianDay = 2440588;

std::string padded(std::int64_t value, std::size_t width) {
    std::string digits = numbers::integerText(value < 0 ? -value : value);
    if (digits.size() < width)
        digits.insert(0, width - digits.size(), '0');
    return value < 0 ? '-' + digits : digits;
}

} // namespace

QTimeZone currentTimeZone() {
    return QTimeZone::systemTimeZone();
}

QString isoTime(const QDateTime& moment, const QTimeZone& zone) {
    if (!moment.isValid())
        return {};
    // Cut to the whole second first, so the local fields and the offset belong to one instant.
    const qint64 ms = moment.toMSecsSinceEpoch();
    const qint64 seconds = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
    const QDateTime utc = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    const int offset = zone.isValid() ? zone.offsetFromUtc(utc) : utc.toLocalTime().offsetFromUtc();
    // The local fields by plain arithmetic on the shifted seconds: cheaper than a conversion
    // to a local QDateTime, and answers write hundreds of times.
    const qint64 local = seconds + offset;
    const qint64 days = local / 86400 - (local % 86400 < 0 ? 1 : 0);
    const qint64 inDay = local - days * 86400;
    const QDate date = QDate::fromJulianDay(unixEpochJulianDay + days);
    if (!date.isValid())
        return {};
    std::string text = padded(date.year(), 4) + '-' + padded(date.month(), 2) + '-' +
                       padded(date.day(), 2) + 'T' + padded(inDay / 3600, 2) + ':' +
                       padded(inDay % 3600 / 60, 2) + ':' + padded(inDay % 60, 2);
    if (offset == 0) {
        text += 'Z';
    } else {
        const int minutes = std::abs(offset) / 60;
        text += offset < 0 ? '-' : '+';
        text += padded(minutes / 60, 2) + ':' + padded(minutes % 60, 2);
    }
    return QString::fromLatin1(text);
}

QString isoTime(double unixSeconds, const QTimeZone& zone) {
    if (!std::isfinite(unixSeconds) || std::fabs(unixSeconds) > secondsLimit)
        return {};
    return isoTime(QDateTime::fromMSecsSinceEpoch(qint64(std::floor(unixSeconds)) * 1000, Qt::UTC),
                   zone);
}

} // namespace morvanex
