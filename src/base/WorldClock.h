#pragma once

#include <QDateTime>
#include <QTimeZone>

namespace morvanex::WorldClock {

// How far `zone` is ahead of the local time zone at `at`: "Same time", "+5 h", "−3 h" (with
// U+2212), "+5.5 h". Daylight-saving time is taken at that moment for both zones.
QString offset(const QTimeZone& zone, const QDateTime& at);
QString offset(const QTimeZone& zone, const QDateTime& at, const QTimeZone& local);

} // namespace morvanex::WorldClock
