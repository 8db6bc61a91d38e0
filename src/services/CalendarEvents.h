#pragma once

#include "platform/Clock.h"
#include "platform/linux/ICalendarSources.h"
#include "services/CalendarEvent.h"
#include "services/CalendarReader.h"

#include <QDateTime>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

class QFileSystemWatcher;
class QTimer;

namespace morvanex {

namespace platform {
class SerialQueue;
} // namespace platform

struct CalendarFetchResult;
class CalendarRefusals;

// The event to show as next among `events` (in display order) at `now`: a timed event starting
// within the next 15 minutes, else the first one in progress, else the next one to start,
// however far ahead. All-day events never are the next event.
std::optional<CalendarEvent> nextEvent(const std::vector<CalendarEvent>& events,
                                       const QDateTime& now);

// The user's calendars and the events of the next few days, read from the user's iCalendar
// sources. Refetched by the hub's tick at most once a minute (or at once when the day count or
// the hidden calendars change) and whenever the source files change. Used from the main thread
// only; the folders are looked through and the files read on a thread of its own (the main
// thread never touches them), and each look's or fetch's result is applied (and announced
// through onChange) from the main thread's event loop, in the order they began. The files
// themselves are read by `reader`, a helper program killed at its bounds: whatever they hold, a
// fetch ends in bounded time, and destroying this object never waits for one.
class CalendarEvents {
public:
    // granted while a calendar exists; else denied once the user has asked for the calendars,
    // notAsked before. Until the first look at the folders (off the main thread) has answered,
    // notAsked.
    enum class Access { notAsked, granted, denied };

    explicit CalendarEvents(platform::ICalendarSources sources = platform::ICalendarSources(),
                            platform::Clock clock = platform::Clock::system(),
                            CalendarReader reader = CalendarReader::besideExecutable());
    CalendarEvents(const CalendarEvents&) = delete;
    CalendarEvents& operator=(const CalendarEvents&) = delete;
    ~CalendarEvents();

    // Fetches when `days` or the hidden set differ from the last call's, or 60 seconds after the
    // last fetch began. A hidden list in another order or with repeats is the same set. Returns
    // at once: the fetch's result arrives later.
    void refreshIfNeeded(std::int64_t days, const QStringList& hidden);
    // Looks for calendars again and fetches (the answer arrives through the main queue): granted
    // when any source exists, denied otherwise, and denied from then on whenever none does.
    void requestAccess();

    Access access() const { return access_; }
    const std::vector<CalendarEvent>& events() const { return events_; }
    const std::vector<CalendarInfo>& calendars() const { return calendars_; }
    std::optional<CalendarEvent> next() const;
    const QDateTime& lastFetch() const { return lastFetch_; }
    std::int64_t days() const { return days_; }
    // Puts `events` (in display order) and `access` in place of what the fetches found, without
    // calling onChange (the dump's sample events). The next fetch applied replaces them.
    void setEvents(Access access, std::vector<CalendarEvent> events) {
        access_ = access;
        accessSettled_ = true;
        events_ = std::move(events);
    }
    // True from the start of a fetch until its result has been applied.
    bool fetching() const { return pendingFetches_ > 0; }

    // Called after each fetch that touched the events.
    std::function<void()> onChange;

private:
    // Why the folders are looked through without a fetch.
    enum class Look {
        first,      // at the start: for the access and what to watch
        newSources, // a folder above where calendars would appear changed
    };
    void look(Look why);
    void looked(Look why, bool anySource, platform::ICalendarWatchList list);
    void fetch();
    void apply(CalendarFetchResult result);
    Access accessFor(bool anySource) const;
    void changed();
    void watch(platform::ICalendarWatchList list);
    void sourcesChanged(const QString& path);

    platform::ICalendarSources sources_;
    platform::Clock clock_;
    CalendarReader readerProgram_;
    Access access_ = Access::notAsked;
    bool accessRequested_ = false;
    bool accessSettled_ = false; // by a fetch or setEvents, which the first look leaves alone
    std::vector<CalendarEvent> events_;
    std::vector<CalendarInfo> calendars_;
    QDateTime lastFetch_;
    std::int64_t days_ = 3;
    std::set<QString> hidden_;
    platform::ICalendarWatchList watched_;
    std::unique_ptr<QFileSystemWatcher> watcher_;
    std::unique_ptr<QTimer> settle_;
    int pendingFetches_ = 0;
    QStringList loggedOmissions_; // by the last fetch
    // Used on the reader's thread only, one fetch at a time.
    std::shared_ptr<CalendarRefusals> refusals_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    // Tells a fetch in progress to stop when this object goes.
    std::shared_ptr<std::atomic<bool>> cancelled_ = std::make_shared<std::atomic<bool>>(false);
    // Declared last: destroyed first, waiting for a fetch in progress to stop, which it does
    // within a few tens of milliseconds of `cancelled_`.
    std::unique_ptr<platform::SerialQueue> reader_;
};

} // namespace morvanex
