#include "services/CalendarEvents.h"

#include "platform/MainQueue.h"
#include "services/CalendarFile.h"
#include "services/MeetingLinks.h"

#include <QFile>
#include <QFileSystemWatcher>
#include <QSet>
#include <QTimer>
#include <QUuid>
#include <algorithm>
#include <utility>

namespace morvanex {

namespace {

constexpr qint64 refetchSeconds = 60;
constexpr qint64 soonMilliseconds = 900 * 1000;
// Writers touch a calendar in several steps; one fetch follows once they have settled.
constexpr int settleMilliseconds = 300;
// An iCalendar file larger than this is not read.
constexpr qint64 maxFileBytes = 64 * 1024 * 1024;

QDateTime distantPast() {
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxFileBytes)
        return {};
    return file.readAll();
}

// The user is the first attendee with one of the user's addresses.
bool declinedByUser(const CalendarOccurrence& occurrence, const QStringList& userAddresses) {
    for (const CalendarAttendee& attendee : occurrence.attendees)
        if (userAddresses.contains(attendee.address))
            return attendee.declined;
    return false;
}

CalendarColor colorOf(const platform::ICalendarSource& source) {
    if (source.color)
        if (const auto color = CalendarColor::fromText(*source.color))
            return *color;
    return CalendarColor::fallback();
}

struct Candidate {
    CalendarOccurrence occurrence;
    const platform::ICalendarSource* source;
};

CalendarEvent eventOf(const Candidate& candidate) {
    const CalendarOccurrence& occurrence = candidate.occurrence;
    CalendarEvent event;
    event.id = occurrence.id.value_or(QUuid::createUuid().toString(QUuid::WithoutBraces));
    event.title = occurrence.title.value_or(QStringLiteral("Untitled"));
    event.start = occurrence.start;
    event.end = occurrence.end;
    event.isAllDay = occurrence.isAllDay;
    if (occurrence.location && !occurrence.location->isEmpty())
        event.location = occurrence.location;
    event.calendarID = candidate.source->id;
    event.calendarTitle = candidate.source->title;
    event.color = colorOf(*candidate.source);
    event.meetingURL =
        meetinglinks::meetingURL(occurrence.url, occurrence.location, occurrence.notes);
    return event;
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

CalendarEvents::CalendarEvents(platform::ICalendarSources sources, platform::Clock clock)
    : sources_(std::move(sources)), clock_(std::move(clock)),
      access_(sources_.find().empty() ? Access::notAsked : Access::granted),
      lastFetch_(distantPast()), watcher_(std::make_unique<QFileSystemWatcher>()),
      settle_(std::make_unique<QTimer>()) {
    settle_->setSingleShot(true);
    settle_->setInterval(settleMilliseconds);
    QObject::connect(settle_.get(), &QTimer::timeout, settle_.get(), [this] { fetch(); });
    QObject::connect(watcher_.get(), &QFileSystemWatcher::directoryChanged, watcher_.get(),
                     [this](const QString& path) { sourcesChanged(path); });
    QObject::connect(watcher_.get(), &QFileSystemWatcher::fileChanged, watcher_.get(),
                     [this](const QString& path) { sourcesChanged(path); });
    watch();
}

CalendarEvents::~CalendarEvents() = default;

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
    const std::vector<platform::ICalendarSource> sources = sources_.find();
    access_ = sources.empty() ? Access::notAsked : Access::granted;
    if (access_ != Access::granted) {
        if (!events_.empty()) {
            events_.clear();
            changed();
        }
        return;
    }

    std::vector<CalendarInfo> calendars;
    for (const platform::ICalendarSource& source : sources)
        calendars.push_back({source.id, source.title, source.account, colorOf(source)});
    std::stable_sort(calendars.begin(), calendars.end(),
                     [](const CalendarInfo& a, const CalendarInfo& b) {
                         return std::tie(a.source, a.title) < std::tie(b.source, b.title);
                     });
    calendars_ = std::move(calendars);

    const QDateTime start(clock_.now().toLocalTime().date(), QTime(0, 0), Qt::LocalTime);
    QDateTime end = start.addDays(std::max<std::int64_t>(days_, 1));
    if (!end.isValid())
        end = start;

    std::vector<const platform::ICalendarSource*> visible;
    for (const platform::ICalendarSource& source : sources)
        if (hidden_.count(source.id) == 0)
            visible.push_back(&source);
    if (visible.empty()) {
        events_.clear();
        changed();
        return;
    }

    const QDateTime now = clock_.now();
    const QStringList userAddresses = sources_.userAddresses();
    std::vector<Candidate> candidates;
    for (const platform::ICalendarSource* source : visible)
        for (const QString& file : source->files)
            for (CalendarOccurrence& occurrence : readOccurrences(readFile(file), start, end)) {
                if (occurrence.cancelled || declinedByUser(occurrence, userAddresses))
                    continue;
                if (!occurrence.isAllDay && occurrence.end <= now)
                    continue;
                candidates.push_back({std::move(occurrence), source});
            }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) {
                         if (a.occurrence.start != b.occurrence.start)
                             return a.occurrence.start < b.occurrence.start;
                         return a.occurrence.isAllDay && !b.occurrence.isAllDay;
                     });

    std::vector<CalendarEvent> events;
    events.reserve(candidates.size());
    for (const Candidate& candidate : candidates)
        events.push_back(eventOf(candidate));
    events_ = std::move(events);
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
