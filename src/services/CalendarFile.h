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

// Bounds on the work of expanding recurring events, so that rules that yield without end
// (every second since 1970, or a hundred such rules on one event) cannot stall the reader.
// A step is one start a rule or an extra date yields; as libical may pass many periods of a
// rule looking for one start, a rule's walk also ends after as many periods as steps are
// left. One budget serves every text read for one fetch; each event may take at most
// `stepsPerEvent` of it.
struct CalendarBudget {
    static constexpr int defaultStepsPerEvent = 5000;
    static constexpr int defaultSteps = 50000;

    int stepsPerEvent = defaultStepsPerEvent;
    int steps = defaultSteps; // left for the rest of the fetch
};

// What one iCalendar text held, and what was left out to keep the work bounded.
struct CalendarReading {
    std::vector<CalendarOccurrence> occurrences;
    int nestedTooDeep = 0;  // calendars nested too deep, skipped with everything inside them
    int eventsCutShort = 0; // recurring events whose expansion stopped at a limit
};

// Calendars nested deeper than this inside one another are skipped; real files nest one deep.
constexpr int maxCalendarNesting = 16;

// The events of one iCalendar text (one or more calendars) that overlap [from, to): single
// events, and the occurrences of recurring events expanded by their rules and dates, less
// excluded dates, with moved or changed occurrences in place of the ones they replace.
// In file order; the occurrences of one event in time order. Times in a zone the file defines
// use that definition, other zone names the system's; times without a zone are local.
// Events without a start are left out. Rules are expanded from near `from` rather than from
// the event's first start, within `budget`; an event that runs out of budget keeps the
// occurrences found so far, and its first start always counts.
CalendarReading readOccurrences(const QByteArray& ics, const QDateTime& from, const QDateTime& to,
                                CalendarBudget& budget);

} // namespace morvanex
