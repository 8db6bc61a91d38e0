#pragma once

#include "platform/linux/ICalendarSources.h"
#include "services/CalendarEvent.h"
#include "services/CalendarReader.h"
#include "services/CalendarRefusals.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <atomic>
#include <set>
#include <vector>

namespace morvanex {

// What one fetch reads: the sources, the calendars the user hid, the window [start, end), the
// instant that decides which timed events have ended, the reader that reads the files, and the
// files refused by earlier fetches (kept up to date by this one; none: every file is checked).
struct CalendarFetchRequest {
    platform::ICalendarSources sources;
    std::set<QString> hidden;
    QDateTime start;
    QDateTime end;
    QDateTime now;
    CalendarReader reader = CalendarReader::besideExecutable();
    CalendarRefusals* refusals = nullptr;
};

// What one fetch found.
struct CalendarFetchResult {
    bool anySource = false;              // without one, no calendar file was read
    std::vector<CalendarInfo> calendars; // sorted by account, then title
    std::vector<CalendarEvent> events;   // in display order
    QStringList omissions; // what was left out to keep the work bounded or failed, one line each
    platform::ICalendarWatchList watchList; // what to watch for changes to the calendars
};

// Looks for the calendars and reads the events of one fetch from the files: each file's text is
// checked first (a file refused before is passed over while it stays as it was), then read
// through the calendar reader. Takes as long as the folders and files take (within the reader's
// bounds), so it belongs off the main thread; any thread will do. Recurrences are expanded within
// a bounded budget; files refused or skipped and what was left out are noted. Returns within a
// few tens of milliseconds, with what it has, once `cancelled` holds.
CalendarFetchResult fetchCalendarEvents(const CalendarFetchRequest& request,
                                        const std::atomic<bool>& cancelled);

} // namespace morvanex
