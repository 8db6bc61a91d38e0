#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace morvanex {

// The longest content line (after unfolding) a calendar may have. libical's line reader takes
// time that grows with the square of a line's length: a line of 16 MB costs half a minute.
constexpr qsizetype maxCalendarLineBytes = 1024 * 1024;

// The most clock changes the time zones of one calendar text may ask for. libical works out every
// change a zone's rules give, from each rule's start up to years it is asked about, in time that
// grows faster than their number: 100,000 take about a second. Real zones change their clocks a
// few times a year, from 1970 or at the earliest from 1601: a few thousand in all.
constexpr double maxZoneChanges = 100000;

// How many bytes libical may pass over in all looking for the ends of lines that end in CR
// alone: it looks for a LF first through the rest of the text for each such line, which takes
// time that grows with the square of their number (160,000 such lines cost two seconds).
constexpr double maxBareCarriageReturnScan = 1e10;

// Why an iCalendar text must not reach libical, or nothing when it may: a content line longer
// than maxCalendarLineBytes, lines ending in CR alone that take too long to tell apart, or time
// zones whose rules ask for more than maxZoneChanges changes of the clock. The text is split into
// lines as libical splits it (at LF, or at CR where no LF follows; a line that begins with a space
// or tab continues the one before; nothing after a NUL byte), and the changes a zone's rule asks
// for are estimated from its frequency, interval and every BY part, times the years from its
// start up to the furthest libical ever works out. An event's own rules are bounded by the
// reading's budget, not here. Linear in the text's length.
std::optional<QString> calendarTextRefusal(const QByteArray& ics);

} // namespace morvanex
