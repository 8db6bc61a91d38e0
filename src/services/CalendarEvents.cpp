#include "services/CalendarEvents.h"

#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"
#include "services/CalendarFetch.h"
#include "services/CalendarRefusals.h"

#include <QFileSystemWatcher>
#include <QSet>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace morvanex {

namespace {

constexpr qint64 refetchSeconds = 60;
constexpr qint64 soonMilliseconds = 900 * 1000;
// Writers touch a calendar in several steps; one fetch follows once they have settled.
constexpr int settleMilliseconds = 300;

QDateTime distantPast() {
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
}

} // namespace

std::optional<CalendarEvent> nextEvent(const std::vector<CalendarEvent>& events,
                                       const QDateTime& now) {
    const CalendarEvent* upcoming = nullptr;
    const CalendarEvent* inProgress = nullptr;
    for (const CalendarEvent& event : events) {
        if (event.isAllDay || event.end <= now)
            continue;
        if (event.start > now) {
            if (!upcoming)
                upcoming = &event;
        } else if (!inProgress) {
            inProgress = &event;
        }
    }
    if (upcoming && now.msecsTo(upcoming->start) <= soonMilliseconds)
        return *upcoming;
    if (inProgress)
        return *inProgress;
    if (upcoming)
        return *upcoming;
    return std::nullopt;
}

CalendarEvents::CalendarEvents(platform::ICalendarSources sources, platform::Clock clock,
                               CalendarReader reader)
    : sources_(std::move(sources)), clock_(std::move(clock)), readerProgram_(std::move(reader)),
      lastFetch_(distantPast()), watcher_(std::make_unique<QFileSystemWatcher>()),
      settle_(std::make_unique<QTimer>()), refusals_(std::make_shared<CalendarRefusals>()),
      reader_(std::make_unique<platform::SerialQueue>(QStringLiteral("Morvanex.calendar"))) {
    settle_->setSingleShot(true);
    settle_->setInterval(settleMilliseconds);
    QObject::connect(settle_.get(), &QTimer::timeout, settle_.get(), [this] { fetch(); });
    QObject::connect(watcher_.get(), &QFileSystemWatcher::directoryChanged, watcher_.get(),
                     [this](const QString& path) { sourcesChanged(path); });
    QObject::connect(watcher_.get(), &QFileSystemWatcher::fileChanged, watcher_.get(),
                     [this](const QString& path) { sourcesChanged(path); });
    look(Look::first);
}

CalendarEvents::~CalendarEvents() {
    cancelled_->store(true);
    reader_.reset(); // waits for a fetch in progress, which stops and kills its reader
}

void CalendarEvents::refreshIfNeeded(std::int64_t days, const QStringList& hidden) {
    const std::set<QString> newHidden(hidden.begin(), hidden.end());
    const bool due =
        days != days_ || newHidden != hidden_ || lastFetch_.secsTo(clock_.now()) >= refetchSeconds;
    days_ = days;
    hidden_ = newHidden;
    if (due)
        fetch();
}

void CalendarEvents::requestAccess() {
    accessRequested_ = true;
    fetch();
}

std::optional<CalendarEvent> CalendarEvents::next() const {
    return nextEvent(events_, clock_.now());
}

void CalendarEvents::changed() {
    if (onChange)
        onChange();
}

CalendarEvents::Access CalendarEvents::accessFor(bool anySource) const {
    if (anySource)
        return Access::granted;
    return accessRequested_ ? Access::denied : Access::notAsked;
}

void CalendarEvents::look(Look why) {
    const std::weak_ptr<bool> alive = alive_;
    reader_->async([this, why, alive, cancelled = cancelled_, sources = sources_] {
        if (cancelled->load())
            return;
        platform::ICalendarScan scan = sources.scan(cancelled.get());
        if (cancelled->load())
            return;
        platform::postToMain([this, why, alive, any = !scan.sources.empty(),
                              list = std::move(scan.watchList)]() mutable {
            if (alive.lock())
                looked(why, any, std::move(list));
        });
    });
}

void CalendarEvents::looked(Look why, bool anySource, platform::ICalendarWatchList list) {
    switch (why) {
    case Look::first: {
        watch(std::move(list));
        if (accessSettled_)
            return;
        const Access access = accessFor(anySource);
        if (access != access_) {
            access_ = access;
            changed();
        }
        return;
    }
    case Look::newSources:
        // A source folder appeared or went: the fetch looks again and watches it.
        if (list != watched_)
            settle_->start();
        return;
    }
}

void CalendarEvents::fetch() {
    lastFetch_ = clock_.now();

    CalendarFetchRequest request{sources_, hidden_, {}, {}, clock_.now(), readerProgram_, nullptr};
    request.start = QDateTime(request.now.toLocalTime().date(), QTime(0, 0), Qt::LocalTime);
    request.end = request.start.addDays(std::max<std::int64_t>(days_, 1));
    if (!request.end.isValid())
        request.end = request.start;

    ++pendingFetches_;
    const std::weak_ptr<bool> alive = alive_;
    reader_->async([this, alive, cancelled = cancelled_, refusals = refusals_,
                    request = std::move(request)]() mutable {
        if (cancelled->load())
            return;
        request.refusals = refusals.get();
        CalendarFetchResult result = fetchCalendarEvents(request, *cancelled);
        if (cancelled->load())
            return;
        platform::postToMain([this, alive, result = std::move(result)]() mutable {
            if (alive.lock())
                apply(std::move(result));
        });
    });
}

void CalendarEvents::apply(CalendarFetchResult result) {
    --pendingFetches_;
    watch(std::move(result.watchList)); // folders may have come or gone since the last look
    // Each omission once while it lasts, not at every fetch.
    for (const QString& omission : result.omissions)
        if (!loggedOmissions_.contains(omission))
            qCWarning(log::services, "%s", qUtf8Printable(omission));
    loggedOmissions_ = std::move(result.omissions);
    const Access before = access_;
    access_ = accessFor(result.anySource);
    accessSettled_ = true;
    if (access_ != Access::granted) {
        const bool hadEvents = !events_.empty();
        events_.clear();
        if (hadEvents || access_ != before)
            changed();
        return;
    }
    calendars_ = std::move(result.calendars);
    events_ = std::move(result.events);
    changed();
}

void CalendarEvents::watch(platform::ICalendarWatchList list) {
    // Thousands of calendars watch thousands of folders: compared as sets.
    const QStringList wantedList = list.paths + list.ancestors;
    const QSet<QString> wanted(wantedList.begin(), wantedList.end());
    const QStringList currentList = watcher_->files() + watcher_->directories();
    const QSet<QString> current(currentList.begin(), currentList.end());
    QStringList stale;
    for (const QString& path : currentList)
        if (!wanted.contains(path))
            stale.append(path);
    QStringList added;
    QSet<QString> adding;
    for (const QString& path : wantedList)
        if (!current.contains(path) && !adding.contains(path)) {
            adding.insert(path);
            added.append(path);
        }
    if (!stale.isEmpty())
        watcher_->removePaths(stale);
    if (!added.isEmpty())
        watcher_->addPaths(added);
    watched_ = std::move(list);
}

void CalendarEvents::sourcesChanged(const QString& path) {
    // A folder above where sources would appear changes for many reasons; only a new source
    // folder matters there, which a look off this thread tells.
    if (watched_.ancestors.contains(path) && !watched_.paths.contains(path)) {
        look(Look::newSources);
        return;
    }
    settle_->start();
}

} // namespace morvanex
