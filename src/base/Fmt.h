#pragma once

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <optional>

// The short texts every surface shows for numbers and times, so a value reads the same in the
// menu bar, the panels, notifications, agent answers and dumps. Pure functions, safe from any
// thread. Numbers always use "." as the decimal separator; only time() follows the locale.
// A value that cannot be shown (NaN, infinities, out of range) prints as "—".
namespace morvanex::Fmt {

// Whole percent, halves away from zero: 42.5 -> "43%".
QString percent(double value);

// Byte count in B, KB, MB, GB, TB or PB, scaled by base (1024 or 1000): 1536 -> "1.5 KB".
QString bytes(double value, double base = 1024);

// Transfer rate: bytes per second in B/s...GB/s (base 1024), or bits per second in
// b/s...Gb/s (base 1000) when bits is true.
QString rate(double bytesPerSecond, bool bits);

// Fixed decimals: number(3.14159, 2) -> "3.14". Decimals are clamped to 0...17.
QString number(double value, int decimals);

// Whole minutes, hours and days of a span in seconds: 90061 -> "1d 1h 1m".
QString duration(double seconds);

// Hours and minutes in the user's locale and the given zone; "—" when absent or invalid.
QString time(const std::optional<QDateTime>& dateTime, const QTimeZone& timeZone);

} // namespace morvanex::Fmt
