#include "base/Fmt.h"

#include "base/Numbers.h"

#include <QLocale>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>

namespace morvanex::Fmt {
namespace {

const QString unavailable = QStringLiteral("\u2014");

QString text(const std::string& ascii) {
    return QString::fromLatin1(ascii);
}

// The value with the given decimals, one space, the unit.
QString scaled(double value, int decimals, const char* unit) {
    // A finite input can still overflow while scaling (huge rates times 8, a base of 0).
    if (!std::isfinite(value))
        return unavailable;
    return text(numbers::fixed(value, decimals) + ' ' + unit);
}

} // namespace

QString percent(double value) {
    const std::optional<std::int64_t> whole = numbers::roundedInt64(value);
    if (!whole)
        return unavailable;
    return text(numbers::integerText(*whole) + '%');
}

QString bytes(double value, double base) {
    static constexpr std::array<const char*, 6> units = {"B", "KB", "MB", "GB", "TB", "PB"};
    if (!std::isfinite(value))
        return unavailable;
    std::size_t unit = 0;
    while (std::fabs(value) >= base && unit + 1 < units.size()) {
        value /= base;
        ++unit;
    }
    // Chosen on the signed value before printing: 99.95 KB prints as "100.0 KB", and a
    // negative count of at least one base keeps its decimal.
    const int decimals = value < 100 && unit != 0 ? 1 : 0;
    return scaled(value, decimals, units[unit]);
}

QString rate(double bytesPerSecond, bool bits) {
    static constexpr std::array<const char*, 4> bitUnits = {"b/s", "Kb/s", "Mb/s", "Gb/s"};
    static constexpr std::array<const char*, 4> byteUnits = {"B/s", "KB/s", "MB/s", "GB/s"};
    if (!std::isfinite(bytesPerSecond))
        return unavailable;
    const auto& units = bits ? bitUnits : byteUnits;
    const double base = bits ? 1000 : 1024;
    double value = bits ? bytesPerSecond * 8 : bytesPerSecond;
    // Signed comparisons throughout: a negative rate stays at the first unit.
    std::size_t unit = 0;
    while (value >= base && unit + 1 < units.size()) {
        value /= base;
        ++unit;
    }
    const int decimals = unit == 0 || value >= 100 ? 0 : 1;
    return scaled(value, decimals, units[unit]);
}

QString number(double value, int decimals) {
    if (!std::isfinite(value))
        return unavailable;
    return text(numbers::fixed(value, decimals));
}

QString duration(double seconds) {
    const std::optional<std::int64_t> whole = numbers::truncatedInt64(seconds);
    if (!whole)
        return unavailable;
    // C++ integer division truncates, so every part keeps the sign of the span.
    const std::int64_t days = *whole / 86400;
    const std::int64_t hours = *whole % 86400 / 3600;
    const std::int64_t minutes = *whole % 3600 / 60;
    std::string result;
    if (*whole >= 86400)
        result = numbers::integerText(days) + "d ";
    if (*whole >= 3600)
        result += numbers::integerText(hours) + "h ";
    result += numbers::integerText(minutes) + 'm';
    return text(result);
}

QString time(const std::optional<QDateTime>& dateTime, const QTimeZone& timeZone) {
    if (!dateTime)
        return unavailable;
    const QDateTime local = dateTime->toTimeZone(timeZone);
    if (!local.isValid())
        return unavailable;
    const QLocale locale;
    // Qt's short format for the C locale (a session without LANG) carries seconds; a short
    // time is hours and minutes everywhere.
    const QString format = locale.language() == QLocale::C
                               ? QStringLiteral("HH:mm")
                               : locale.timeFormat(QLocale::ShortFormat);
    return locale.toString(local.time(), format);
}

} // namespace morvanex::Fmt
