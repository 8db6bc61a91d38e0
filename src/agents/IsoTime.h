#pragma once

#include <QDateTime>
#include <QString>
#include <QTimeZone>

namespace morvanex {

// The machine's current time zone, looked up afresh. Invalid when the system names no zone Qt
// can read; the times below then follow the C library's local time.
QTimeZone currentTimeZone();

// The internet date-time of a moment in a time zone, to the second:
// "2025-03-09T14:05:00+01:00", "2025-03-09T13:05:00Z" at offset zero. Sub-second parts are
// cut. Qt's own ISO text of a local time carries no offset, so the offset is written here.
// An invalid moment gives an empty text. An answer with many times looks the zone up once:
// each lookup through the C library's local time re-reads the zone file's status.
QString isoTime(const QDateTime& moment, const QTimeZone& zone = currentTimeZone());

// The same for Unix seconds; an empty text outside the range of dates.
QString isoTime(double unixSeconds, const QTimeZone& zone = currentTimeZone());

} // namespace morvanex
