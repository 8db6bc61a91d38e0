#include "services/CalendarEvents.h"

#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"
#include "services/CalendarFetch.h"

#include <QFileSystemWatcher>
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
      access_(sources_.find().empty() ? Access::notAsked : Access::granted),
      lastFetch_(distantPast()), watcher_(std::make_unique<QFileSystemWatcher>()),
      settle_(std::make_unique<QTimer>()),
      reader_(std::make_unique<platform::SerialQueue>(QStringLiteral("Morvanex.calendar"))) {
    settle_->setSingleShot(true);
    settle_->setInterval(settleMilliseconds);
    QObject::connect(settle_.get(), &QTimer::timeout, settle_.get(), [this] { fetch(); });
    QObject::connect(watcher_.get(), &QFileSystemWatcher::directoryChanged, watcher_.get(),
                     [this](const QString& path) { sourcesChanged(path); });
    QObject::connect(watcher_.get(), &QFileSystemWatcher::fileChanged, watcher_.get(),
                     [this](const QString& path) { sourcesChanged(path); });
    watch();
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
    const std::weak_ptr<bool> alive = alive_;
    platform::postToMain([this, alive] {
        if (!alive.lock())
            return;
        access_ = sources_.find().empty() ? Access::denied : Access::granted;
        fetch();
    });
}

std::optional<CalendarEvent> CalendarEvents::next() const {
    return nextEvent(events_, clock_.now());
}

void CalendarEvents::changed() {
    if (onChange)
        onChange();
}

void CalendarEvents::fetch() {
    lastFetch_ = clock_.now();
    watch(); // folders may have come or gone since the last look

    CalendarFetchRequest request{sources_, hidden_, {}, {}, clock_.now(), readerProgram_};
    request.start = QDateTime(request.now.toLocalTime().date(), QTime(0, 0), Qt::LocalTime);
    request.end = request.start.addDays(std::max<std::int64_t>(days_, 1));
    if (!request.end.isValid())
        request.end = request.start;

    ++pendingFetches_;
    const std::weak_ptr<bool> alive = alive_;
    reader_->async([this, alive, cancelled = cancelled_, request = std::move(request)] {
        if (cancelled->load())
            return;
        CalendarFetchResult result = fetchCalendarEvents(request, *cancelled);
        platform::postToMain([this, alive, result = std::move(result)]() mutable {
            if (alive.lock())
                apply(std::move(result));
        });
    });
}

void CalendarEvents::apply(CalendarFetchResult result) {
    --pendingFetches_;
    // Each omission once while it lasts, not at every fetch.
    for (const QString& omission : result.omissions)
        if (!loggedOmissions_.contains(omission))
            qCWarning(log::services, "%s", qUtf8Printable(omission));
    loggedOmissions_ = std::move(result.omissions);
    access_ = result.anySource ? Access::granted : Access::notAsked;
    if (access_ != Access::granted) {
        if (!events_.empty()) {
            events_.clear();
            changed();
        }
        return;
    }
    calendars_ = std::move(result.calendars);
    events_ = std::move(result.events);
    changed();
}

void CalendarEvents::watch() {
    platform::ICalendarWatchList list = sources_.watchList();
    const QStringList wanted = list.paths + list.ancestors;
    const QStringList current = watcher_->files() + watcher_->directories();
    QStringList stale;
    for (const QString& path : current)
        if (!wanted.contains(path))
            stale.append(path);
    QStringList added;
    for (const QString& path : wanted)
        if (!current.contains(path) && !added.contains(path))
            added.append(path);
    if (!stale.isEmpty())
        watcher_->removePaths(stale);
    if (!added.isEmpty())
        watcher_->addPaths(added);
    watched_ = std::move(list);
}

void CalendarEvents::sourcesChanged(const QString& path) {
    // A folder above where sources would appear changes for many reasons; only a new source
    // folder matters there.
    if (watched_.ancestors.contains(path) && !watched_.paths.contains(path) &&
        sources_.watchList() == watched_)
        return;
    settle_->start();
}

} // namespace morvanex
