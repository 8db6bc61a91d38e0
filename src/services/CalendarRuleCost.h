#pragma once

#include <QByteArrayView>
#include <optional>

namespace morvanex {

// The furthest year libical works out a time zone's changes to (it goes five years past the
// latest year it is asked about, and a file's own dates can ask about any year).
constexpr int furthestZoneYear = 2582;

// An upper bound on the starts a recurrence rule (an RRULE value such as
// "FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU") yields a year, or the periods its walk passes, whichever
// is more: from its frequency and interval, with every BY part that adds starts within a period
// (BYMONTH, BYWEEKNO, BYYEARDAY, BYMONTHDAY and BYDAY at the day level, BYHOUR, BYMINUTE and
// BYSECOND below it) and BYSETPOS, which keeps only as many days of a period as it names. A rule
// whose frequency cannot be told counts as every second. Parts are named in any case; a part
// given twice counts at its most.
double ruleStartsPerYear(QByteArrayView rule);

// The year of a DATE or DATE-TIME value ("19700101T000000"), in the forms libical reads; nothing
// for any other text.
std::optional<int> valueYear(QByteArrayView value);

// The year of the rule's UNTIL part, when it has one libical reads.
std::optional<int> ruleUntilYear(QByteArrayView rule);

// How many clock changes a zone's rule asks libical for: its starts a year times the years from
// `startYear` (the year of its DTSTART; 0 when unknown) to its UNTIL or furthestZoneYear.
double zoneRuleChanges(QByteArrayView rule, int startYear);

} // namespace morvanex
