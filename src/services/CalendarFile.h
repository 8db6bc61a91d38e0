#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace morvanex {

// One attendee of an event: the address in lower case without "mailto:", and whether the
// attendee declined.
struct CalendarAttendee {
    QString address;
    bool declined = false;

    friend bool operator==(const CalendarAttendee&, const CalendarAttendee&) = default;
};

// One event, or one occurrence of a recurring event, as an iCalendar file describes it.
struct CalendarOccurrence {
    // The event's UID; occurrences of a recurring event add "/" and their original start
    // ("20240115T080000Z", or "20240115" for all-day events). Nothing without a UID.
    std::optional<QString> id;
    std::optional<QString> title;
    QDateTime start;
    QDateTime end;
    bool isAllDay = false; // starts and ends at local midnights
    std::optional<QString> location;
    std::optional<QString> notes;
    std::optional<QString> url;
    bool cancelled = false;
    std::vector<CalendarAttendee> attendees;
};

// The events of one iCalendar text (one or more calendars) that overlap [from, to): single
// events, and the occurrences of recurring events expanded by their rules and dates, less
// excluded dates, with moved or changed occurrences in place of the ones they replace.
// In file order; the occurrences of one event in time order. Times in a zone the file defines
// use that definition, other zone names the system's; times without a zone are local.
// Events without a start are left out.
std::vector<CalendarOccurrence> readOccurrences(const QByteArray& ics, const QDateTime& from,
                                                const QDateTime& to);

} // namespace morvanex
