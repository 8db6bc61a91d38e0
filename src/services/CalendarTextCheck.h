#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace morvanex {

// The longest content line (after unfolding) a calendar may have. libical's line reader takes
// time that grows with the square of a line's length: a line of 16 MB costs half a minute.
constexpr qsizetype maxCalendarLineBytes = 1024 * 1024;

// Why an iCalendar text must not reach libical, or nothing when it may: a content line longer
// than maxCalendarLineBytes, or a time zone whose rule repeats more often than once a year
// (libical expands a zone's rule from its start up to the years it is asked about; a rule
// every second since 1970 has no practical end) or within a day. Real zones change their
// clocks on a few days of the year by yearly rules. Linear in the text's length.
std::optional<QString> calendarTextRefusal(const QByteArray& ics);

} // namespace morvanex
