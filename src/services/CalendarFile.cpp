#include "services/CalendarFile.h"

#include "platform/ListedTimeZone.h"

#include <QTimeZone>
#include <algorithm>
#include <ctime>
#include <libical/ical.h>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace morvanex {

namespace {

// Frees a parsed tree from the leaves up. libical frees a component's children recursively,
// so a file of components nested a million deep would overflow the stack.
struct ComponentFree {
    void operator()(icalcomponent* root) const {
        std::vector<icalcomponent*> path{root};
        while (!path.empty()) {
            icalcomponent* component = path.back();
            if (icalcomponent* child =
                    icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT)) {
                icalcomponent_remove_component(component, child);
                path.push_back(child);
            } else {
                icalcomponent_free(component);
                path.pop_back();
            }
        }
    }
};
struct IteratorFree {
    void operator()(icalrecur_iterator* iterator) const { icalrecur_iterator_free(iterator); }
};

void makeErrorsNonFatal() {
    static std::once_flag once;
    std::call_once(once, [] { icalerror_set_errors_are_fatal(0); });
}

std::optional<QString> text(const char* value) {
    if (!value)
        return std::nullopt;
    return QString::fromUtf8(value);
}

// How the time values of one property are placed on the time line.
struct TimeFrame {
    enum class Kind { date, utc, fileZone, systemZone, floating };
    Kind kind = Kind::floating;
    icaltimezone* fileZone = nullptr;
    QTimeZone systemZone;
};

QTimeZone systemZoneNamed(const QByteArray& tzid) {
    // Some writers put a vendor path before the zone name
    // ("/freeassociation.sourceforge.net/Tzfile/Europe/Berlin"): try shorter and shorter tails.
    for (qsizetype from = 0; from >= 0 && from < tzid.size();) {
        const QByteArray name = tzid.mid(from);
        if (platform::isListedTimeZone(name))
            return QTimeZone(name);
        from = tzid.indexOf('/', from);
        from = from < 0 ? from : from + 1;
    }
    // Calendars written on other systems name zones by their Windows names.
    const QByteArray iana = QTimeZone::windowsIdToDefaultIanaId(tzid);
    return iana.isEmpty() ? QTimeZone() : QTimeZone(iana);
}

TimeFrame frameOf(icalproperty* property, const icaltimetype& value, icalcomponent* calendar) {
    TimeFrame frame;
    if (value.is_date) {
        frame.kind = TimeFrame::Kind::date;
        return frame;
    }
    if (icaltime_is_utc(value)) {
        frame.kind = TimeFrame::Kind::utc;
        return frame;
    }
    icalparameter* parameter = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER);
    const char* tzid = parameter ? icalparameter_get_tzid(parameter) : nullptr;
    if (!tzid || !*tzid)
        return frame;
    if (calendar)
        frame.fileZone = icalcomponent_get_timezone(calendar, tzid);
    if (frame.fileZone) {
        frame.kind = TimeFrame::Kind::fileZone;
        return frame;
    }
    frame.systemZone = systemZoneNamed(QByteArray(tzid));
    if (frame.systemZone.isValid())
        frame.kind = TimeFrame::Kind::systemZone;
    return frame;
}

// The date and time fields of a value as they stand (midnight for a date), as a date-time
// in UTC: for arithmetic on the fields alone, the way rules step. Invalid when they name no
// date.
QDateTime fromUtcFields(const icaltimetype& value) {
    const QDate date(value.year, value.month, value.day);
    const QTime time =
        value.is_date ? QTime(0, 0) : QTime(value.hour, value.minute, std::min(value.second, 59));
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC);
}

// `like` (its zone and kind kept) with the date and time of `fields`.
icaltimetype withFields(icaltimetype like, const QDateTime& fields) {
    const QDate date = fields.date();
    const QTime time = fields.time();
    like.year = date.year();
    like.month = date.month();
    like.day = date.day();
    if (!like.is_date) {
        like.hour = time.hour();
        like.minute = time.minute();
        like.second = time.second();
    }
    return like;
}

// The instant a time value stands for, or an invalid date-time for a value that names none.
QDateTime instantOf(icaltimetype value, const TimeFrame& frame) {
    const QDate date(value.year, value.month, value.day);
    if (!date.isValid())
        return {};
    if (value.is_date || frame.kind == TimeFrame::Kind::date)
        return QDateTime(date, QTime(0, 0), Qt::LocalTime).toUTC();
    const QTime time(value.hour, value.minute, std::min(value.second, 59));
    if (!time.isValid())
        return {};
    switch (frame.kind) {
    case TimeFrame::Kind::utc:
        return QDateTime(date, time, Qt::UTC);
    case TimeFrame::Kind::fileZone:
        value.zone = frame.fileZone;
        value.is_date = 0;
        return fromUtcFields(icaltime_convert_to_zone(value, icaltimezone_get_utc_timezone()));
    case TimeFrame::Kind::systemZone:
        return QDateTime(date, time, frame.systemZone).toUTC();
    default:
        return QDateTime(date, time, Qt::LocalTime).toUTC();
    }
}

// How far the clock a time frame reads is ahead of UTC at `instant`, in seconds.
qint64 offsetAt(const QDateTime& instant, const TimeFrame& frame) {
    switch (frame.kind) {
    case TimeFrame::Kind::utc:
        return 0;
    case TimeFrame::Kind::fileZone: {
        icaltimetype utc = icaltime_from_timet_with_zone(
            static_cast<time_t>(instant.toSecsSinceEpoch()), 0, icaltimezone_get_utc_timezone());
        int daylight = 0;
        return icaltimezone_get_utc_offset_of_utc_time(frame.fileZone, &utc, &daylight);
    }
    case TimeFrame::Kind::systemZone:
        return frame.systemZone.offsetFromUtc(instant);
    default:
        return instant.toLocalTime().offsetFromUtc();
    }
}

bool hasAny(const short* values) {
    return values[0] != ICAL_RECURRENCE_ARRAY_MAX;
}

// Whether a rule more frequent than daily leaves out some of the starts its frequency and
// interval give (a BYxxx part that limits rather than expands at that frequency).
bool limitsBelowADay(const icalrecurrencetype& rule) {
    if (hasAny(rule.by_month) || hasAny(rule.by_week_no) || hasAny(rule.by_year_day) ||
        hasAny(rule.by_month_day) || hasAny(rule.by_day) || hasAny(rule.by_hour) ||
        hasAny(rule.by_set_pos))
        return true;
    if (rule.freq == ICAL_SECONDLY_RECURRENCE)
        return hasAny(rule.by_minute) || hasAny(rule.by_second);
    if (rule.freq == ICAL_MINUTELY_RECURRENCE)
        return hasAny(rule.by_minute);
    return false;
}

// The length of a rule's period (its frequency times its interval) in seconds or in months.
struct Period {
    qint64 seconds = 0;
    qint64 months = 0;
};

std::optional<Period> periodOf(const icalrecurrencetype& rule) {
    const qint64 interval = std::max<qint64>(1, rule.interval);
    switch (rule.freq) {
    case ICAL_SECONDLY_RECURRENCE:
        return Period{interval, 0};
    case ICAL_MINUTELY_RECURRENCE:
        return Period{60 * interval, 0};
    case ICAL_HOURLY_RECURRENCE:
        return Period{3600 * interval, 0};
    case ICAL_DAILY_RECURRENCE:
        return Period{86400 * interval, 0};
    case ICAL_WEEKLY_RECURRENCE:
        return Period{7 * 86400 * interval, 0};
    case ICAL_MONTHLY_RECURRENCE:
        return Period{0, interval};
    case ICAL_YEARLY_RECURRENCE:
        return Period{0, 12 * interval};
    default:
        return std::nullopt;
    }
}

// `count` periods after `fields`; invalid beyond the calendar.
QDateTime afterPeriods(const QDateTime& fields, const Period& period, qint64 count) {
    constexpr qint64 maxMonths = 12 * 10000;
    if (period.months > 0)
        return count > maxMonths / period.months ? QDateTime()
                                                 : fields.addMonths(int(count * period.months));
    constexpr qint64 maxSeconds = maxMonths * 31 * 86400;
    return count > maxSeconds / period.seconds ? QDateTime()
                                               : fields.addSecs(count * period.seconds);
}

// Where a rule's walk may begin: at a start on the rule's own grid (whole periods after the
// event's first start) before `earliest`, so that a rule from long ago is walked from near
// the window instead of from its first start. The walk begins a period further back (two
// for months and years, whose sets may spill into the next year by week numbers), so that
// the period it begins in, which a rule treats as cut short by its start, lies wholly before
// `earliest`; from there on it gives the starts a walk from the first start gives.
// libical places the first start of a rule more frequent than daily that leaves out starts
// by its own reckoning from the time of day the walk begins at: such a rule moves by whole
// days, which keep that time of day, and keep its grid when its period divides a day.
// Rules with a count are walked from the first start, and so are rules whose periods are no
// plain calendar steps.
icaltimetype walkStart(const icalrecurrencetype& rule, const icaltimetype& start,
                       const QDateTime& earliest) {
    const QDateTime first = fromUtcFields(start);
    const std::optional<Period> period = periodOf(rule);
    if (rule.count > 0 || !period || !first.isValid() || !earliest.isValid() || earliest <= first)
        return start;
    if (period->seconds > 0) {
        qint64 step = period->seconds;
        if (rule.freq != ICAL_DAILY_RECURRENCE && rule.freq != ICAL_WEEKLY_RECURRENCE) {
            if (start.is_date)
                return start;
            if (limitsBelowADay(rule)) {
                if (86400 % step != 0)
                    return start;
                step = 86400;
            }
        }
        const qint64 steps = first.secsTo(earliest) / step - 1;
        return steps > 0 ? withFields(start, first.addSecs(steps * step)) : start;
    }
    // Months of another calendar scale are no Gregorian months.
    if (rule.rscale && qstricmp(rule.rscale, "GREGORIAN") != 0)
        return start;
    const QDate from = first.date();
    const QDate to = earliest.date();
    const qint64 gap = (qint64(to.year()) - from.year()) * 12 + (to.month() - from.month());
    // The first start's day may be missing from the month reached (the 31st, or the 29th of
    // February): step back to one that has it.
    for (qint64 periods = gap / period->months - 2, tries = 0; periods > 0 && tries < 48;
         --periods, ++tries) {
        const qint64 month = from.month() - 1 + periods * period->months;
        const QDate date(int(from.year() + month / 12), int(month % 12 + 1), from.day());
        if (date.isValid())
            return withFields(start, QDateTime(date, first.time(), Qt::UTC));
    }
    return start;
}

// Occurrences the event's own data removes or replaces: by instant, and by calendar date for
// date-only values.
struct Exclusions {
    std::set<qint64> instants; // milliseconds since the epoch
    std::set<QDate> dates;

    void add(icalproperty* property, const icaltimetype& value, icalcomponent* calendar) {
        if (icaltime_is_null_time(value))
            return;
        if (value.is_date) {
            const QDate date(value.year, value.month, value.day);
            if (date.isValid())
                dates.insert(date);
            return;
        }
        const QDateTime instant = instantOf(value, frameOf(property, value, calendar));
        if (instant.isValid())
            instants.insert(instant.toMSecsSinceEpoch());
    }
    bool excludes(const QDateTime& start, const QDate& wallDate) const {
        return instants.count(start.toMSecsSinceEpoch()) > 0 || dates.count(wallDate) > 0;
    }
};

// The length of an event: whole days for all-day events, seconds for timed ones.
struct Length {
    qint64 days = 1;
    qint64 seconds = 0;
};

Length lengthOf(icalcomponent* event, icalcomponent* calendar, const icaltimetype& startValue,
                const QDateTime& start, bool allDay) {
    Length length;
    if (icalproperty* endProperty = icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY)) {
        const icaltimetype endValue = icalproperty_get_dtend(endProperty);
        if (allDay) {
            const QDate from(startValue.year, startValue.month, startValue.day);
            const QDate to(endValue.year, endValue.month, endValue.day);
            length.days = std::max<qint64>(1, from.daysTo(to));
        } else {
            const QDateTime end = instantOf(endValue, frameOf(endProperty, endValue, calendar));
            length.seconds = end.isValid() ? std::max<qint64>(0, start.secsTo(end)) : 0;
        }
        return length;
    }
    if (icalproperty* duration = icalcomponent_get_first_property(event, ICAL_DURATION_PROPERTY)) {
        const qint64 seconds = icaldurationtype_as_int(icalproperty_get_duration(duration));
        length.days = std::max<qint64>(1, seconds / 86400);
        length.seconds = std::max<qint64>(0, seconds);
    }
    return length;
}

// One start of an event: the instant, and the calendar date on the event's own clock.
struct Start {
    QDateTime instant;
    QDate wallDate;
};

QDateTime endOf(const Start& start, const Length& length, bool allDay) {
    if (allDay)
        return QDateTime(start.wallDate.addDays(length.days), QTime(0, 0), Qt::LocalTime).toUTC();
    return start.instant.addSecs(length.seconds);
}

bool overlaps(const QDateTime& start, const QDateTime& end, const QDateTime& from,
              const QDateTime& to) {
    if (start >= to)
        return false;
    return end > from || (end == start && start >= from);
}

QString occurrenceKey(const Start& start, bool allDay) {
    if (allDay)
        return start.wallDate.toString(QStringLiteral("yyyyMMdd"));
    return start.instant.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

// The fields every occurrence of an event shares.
CalendarOccurrence describe(icalcomponent* event) {
    CalendarOccurrence occurrence;
    occurrence.id = text(icalcomponent_get_uid(event));
    occurrence.title = text(icalcomponent_get_summary(event));
    occurrence.location = text(icalcomponent_get_location(event));
    occurrence.notes = text(icalcomponent_get_description(event));
    if (icalproperty* url = icalcomponent_get_first_property(event, ICAL_URL_PROPERTY))
        occurrence.url = text(icalproperty_get_url(url));
    occurrence.cancelled = icalcomponent_get_status(event) == ICAL_STATUS_CANCELLED;
    for (icalproperty* attendee = icalcomponent_get_first_property(event, ICAL_ATTENDEE_PROPERTY);
         attendee; attendee = icalcomponent_get_next_property(event, ICAL_ATTENDEE_PROPERTY)) {
        QString address = text(icalproperty_get_attendee(attendee)).value_or(QString()).trimmed();
        if (address.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive))
            address = address.mid(7);
        icalparameter* status = icalproperty_get_first_parameter(attendee, ICAL_PARTSTAT_PARAMETER);
        occurrence.attendees.push_back(
            {address.toLower(),
             status != nullptr && icalparameter_get_partstat(status) == ICAL_PARTSTAT_DECLINED});
    }
    return occurrence;
}

bool isRecurring(icalcomponent* event) {
    return icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY) != nullptr ||
           icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY) != nullptr;
}

// Every VEVENT of a parsed text with the calendar that holds it (for its zone definitions).
struct EventEntry {
    icalcomponent* event;
    icalcomponent* calendar;
};

// Collects the events of a parsed text in file order, walking calendars inside calendars
// without recursion; a calendar nested deeper than maxCalendarNesting is skipped with all it
// holds. Returns how many were skipped.
int collectEvents(icalcomponent* root, std::vector<EventEntry>& events) {
    struct Pending {
        icalcomponent* component;
        icalcomponent* calendar; // the nearest calendar around it
        int depth;
    };
    std::vector<Pending> pending{{root, nullptr, 0}};
    std::vector<icalcomponent*> children;
    int skipped = 0;
    while (!pending.empty()) {
        const Pending current = pending.back();
        pending.pop_back();
        const icalcomponent_kind kind = icalcomponent_isa(current.component);
        if (kind == ICAL_VEVENT_COMPONENT) {
            events.push_back({current.component, current.calendar});
            continue;
        }
        if (kind != ICAL_VCALENDAR_COMPONENT && kind != ICAL_XROOT_COMPONENT)
            continue;
        if (current.depth >= maxCalendarNesting) {
            ++skipped;
            continue;
        }
        icalcomponent* calendar =
            kind == ICAL_VCALENDAR_COMPONENT ? current.component : current.calendar;
        children.clear();
        for (icalcomponent* child =
                 icalcomponent_get_first_component(current.component, ICAL_ANY_COMPONENT);
             child; child = icalcomponent_get_next_component(current.component, ICAL_ANY_COMPONENT))
            children.push_back(child);
        // Last child first onto the stack, so the first comes off first.
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            pending.push_back({*child, calendar, current.depth + 1});
    }
    return skipped;
}

// The starts one event may still take: its own share, and what the whole read has left.
class Steps {
public:
    explicit Steps(CalendarBudget& budget) : budget_(budget), own_(budget.stepsPerEvent) {}

    // Takes one step; false (and noted) when either limit is reached.
    bool take() {
        if (own_ <= 0 || budget_.steps <= 0) {
            cutShort_ = true;
            return false;
        }
        --own_;
        --budget_.steps;
        return true;
    }
    // How many steps are left.
    int left() const { return std::max(0, std::min(own_, budget_.steps)); }
    void noteCutShort() { cutShort_ = true; }
    bool cutShort() const { return cutShort_; }

private:
    CalendarBudget& budget_;
    int own_;
    bool cutShort_ = false;
};

class Expander {
public:
    Expander(const QDateTime& from, const QDateTime& to) : from_(from), to_(to) {}

    // Notes the occurrences that changed copies of recurring events replace.
    void noteReplacement(const EventEntry& entry) {
        icalproperty* id =
            icalcomponent_get_first_property(entry.event, ICAL_RECURRENCEID_PROPERTY);
        const char* uid = icalcomponent_get_uid(entry.event);
        if (!id || !uid)
            return;
        replaced_[QString::fromUtf8(uid)].add(id, icalproperty_get_recurrenceid(id),
                                              entry.calendar);
    }

    // Adds the event's occurrences in the window to `out`; false when its recurrences were cut
    // short by the budget.
    bool expand(const EventEntry& entry, CalendarBudget& budget,
                std::vector<CalendarOccurrence>& out) const {
        icalcomponent* event = entry.event;
        icalproperty* startProperty =
            icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
        if (!startProperty)
            return true;
        const icaltimetype startValue = icalproperty_get_dtstart(startProperty);
        if (icaltime_is_null_time(startValue))
            return true;
        const TimeFrame frame = frameOf(startProperty, startValue, entry.calendar);
        const QDateTime firstStart = instantOf(startValue, frame);
        if (!firstStart.isValid())
            return true;
        const bool allDay = startValue.is_date != 0;
        const Length length = lengthOf(event, entry.calendar, startValue, firstStart, allDay);
        const CalendarOccurrence shared = describe(event);

        icalproperty* recurrenceId =
            icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY);
        if (recurrenceId || !isRecurring(event)) {
            const Start start{firstStart, QDate(startValue.year, startValue.month, startValue.day)};
            if (recurrenceId && shared.id) {
                const icaltimetype original = icalproperty_get_recurrenceid(recurrenceId);
                const TimeFrame originalFrame = frameOf(recurrenceId, original, entry.calendar);
                const Start replaced{instantOf(original, originalFrame),
                                     QDate(original.year, original.month, original.day)};
                add(shared, start, length, allDay,
                    replaced.instant.isValid() ? *shared.id + QLatin1Char('/') +
                                                     occurrenceKey(replaced, original.is_date != 0)
                                               : *shared.id,
                    out);
            } else {
                add(shared, start, length, allDay, shared.id, out);
            }
            return true;
        }

        const Exclusions excluded = exclusionsOf(entry, shared.id);
        std::map<qint64, Start> starts; // in time order, without repeats
        const auto consider = [&](const icaltimetype& value, const TimeFrame& valueFrame) {
            const Start start{instantOf(value, valueFrame),
                              QDate(value.year, value.month, value.day)};
            if (!start.instant.isValid() || excluded.excludes(start.instant, start.wallDate))
                return;
            if (overlaps(start.instant, endOf(start, length, allDay), from_, to_))
                starts.emplace(start.instant.toMSecsSinceEpoch(), start);
        };
        consider(startValue, frame); // the first start always counts, rule or not
        Steps steps(budget);
        const WallWindow wall = wallWindow(frame, length, allDay);
        for (icalproperty* rule = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
             rule && !steps.cutShort();
             rule = icalcomponent_get_next_property(event, ICAL_RRULE_PROPERTY))
            expandRule(icalproperty_get_rrule(rule), startValue, wall, frame, steps, consider);
        for (icalproperty* date = icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY);
             date && !steps.cutShort();
             date = icalcomponent_get_next_property(event, ICAL_RDATE_PROPERTY)) {
            const icaldatetimeperiodtype value = icalproperty_get_rdate(date);
            const icaltimetype time =
                icaltime_is_null_time(value.time) ? value.period.start : value.time;
            if (!icaltime_is_null_time(time) && steps.take())
                consider(time, frameOf(date, time, entry.calendar));
        }
        for (const auto& [key, start] : starts)
            add(shared, start, length, allDay,
                shared.id ? std::optional<QString>(*shared.id + QLatin1Char('/') +
                                                   occurrenceKey(start, allDay))
                          : std::nullopt,
                out);
        return !steps.cutShort();
    }

private:
    Exclusions exclusionsOf(const EventEntry& entry, const std::optional<QString>& uid) const {
        Exclusions excluded;
        if (uid) {
            const auto found = replaced_.find(*uid);
            if (found != replaced_.end())
                excluded = found->second;
        }
        for (icalproperty* date =
                 icalcomponent_get_first_property(entry.event, ICAL_EXDATE_PROPERTY);
             date; date = icalcomponent_get_next_property(entry.event, ICAL_EXDATE_PROPERTY))
            excluded.add(date, icalproperty_get_exdate(date), entry.calendar);
        return excluded;
    }

    // The starts, on the event's own clock (as fields), that an occurrence lasting `length`
    // may have and still reach into the window: from the window's start less the length to
    // the window's end, each read on the clock's slowest or fastest setting meanwhile
    // (daylight saving time moves it). A day wider each way for all-day events, whose days
    // begin at local midnight.
    struct WallWindow {
        QDateTime earliest;
        QDateTime latest;
    };
    WallWindow wallWindow(const TimeFrame& frame, const Length& length, bool allDay) const {
        if (allDay) {
            const QDate first = from_.toLocalTime().date().addDays(-length.days - 1);
            const QDate last = to_.toLocalTime().date().addDays(1);
            return {QDateTime(first, QTime(0, 0), Qt::UTC), QDateTime(last, QTime(0, 0), Qt::UTC)};
        }
        const QDateTime reach = from_.addSecs(-length.seconds);
        if (!reach.isValid())
            return {};
        qint64 slowest = offsetAt(reach, frame);
        qint64 fastest = slowest;
        // Clocks change a few times a year at most: a look each day finds every change.
        QDateTime probe = reach;
        for (int day = 0; day < 400 && probe < to_; ++day) {
            probe = std::min(probe.addDays(1), to_);
            const qint64 offset = offsetAt(probe, frame);
            slowest = std::min(slowest, offset);
            fastest = std::max(fastest, offset);
        }
        return {reach.toUTC().addSecs(slowest), to_.toUTC().addSecs(fastest)};
    }

    // The end a rule's walk from `from` gets: the rule's own end, unless the window's end on
    // the event's clock, or the periods the steps left allow, come first. libical steps period
    // by period inside one call until a start fits the rule's parts, up to the rule's end: a
    // rule whose parts fit no date would otherwise walk to the end of time. Sets `cut` when
    // the steps left decided.
    static icaltimetype untilFor(const icalrecurrencetype& rule, const icaltimetype& from,
                                 const WallWindow& wall, const TimeFrame& frame, const Steps& steps,
                                 bool& cut) {
        const std::optional<Period> period = periodOf(rule);
        QDateTime end = wall.latest;
        if (period) {
            const QDateTime allowed = afterPeriods(fromUtcFields(from), *period, steps.left());
            if (allowed.isValid() && (!end.isValid() || allowed < end)) {
                end = allowed;
                cut = true;
            }
        }
        if (!end.isValid())
            return rule.until;
        const icaltimetype bound = withFields(from, end);
        if (icaltime_is_null_time(rule.until))
            return bound;
        // The rule's own end is a date, a time in UTC, or a time on the event's clock.
        TimeFrame ownFrame = frame;
        if (rule.until.is_date)
            ownFrame.kind = TimeFrame::Kind::date;
        else if (icaltime_is_utc(rule.until))
            ownFrame.kind = TimeFrame::Kind::utc;
        const QDateTime own = instantOf(rule.until, ownFrame);
        if (own.isValid() && own <= instantOf(bound, frame)) {
            cut = false;
            return rule.until;
        }
        return bound;
    }

    // Walks one rule from near the window to the window's end, handing each start to
    // `consider`, while `steps` last.
    template <typename Consider>
    void expandRule(icalrecurrencetype rule, const icaltimetype& startValue, const WallWindow& wall,
                    const TimeFrame& frame, Steps& steps, const Consider& consider) const {
        const icaltimetype from = walkStart(rule, startValue, wall.earliest);
        bool cut = false;
        rule.until = untilFor(rule, from, wall, frame, steps, cut);
        const std::unique_ptr<icalrecur_iterator, IteratorFree> iterator(
            icalrecur_iterator_new(rule, from));
        if (!iterator)
            return;
        while (steps.take()) {
            const icaltimetype next = icalrecur_iterator_next(iterator.get());
            if (icaltime_is_null_time(next)) {
                if (cut)
                    steps.noteCutShort();
                return;
            }
            const QDateTime instant = instantOf(next, frame);
            if (instant.isValid() && instant >= to_)
                return;
            consider(next, frame);
        }
    }

    void add(const CalendarOccurrence& shared, const Start& start, const Length& length,
             bool allDay, const std::optional<QString>& id,
             std::vector<CalendarOccurrence>& out) const {
        const QDateTime end = endOf(start, length, allDay);
        if (!overlaps(start.instant, end, from_, to_))
            return;
        CalendarOccurrence occurrence = shared;
        occurrence.id = id;
        occurrence.start = start.instant;
        occurrence.end = end;
        occurrence.isAllDay = allDay;
        out.push_back(std::move(occurrence));
    }

    QDateTime from_;
    QDateTime to_;
    std::map<QString, Exclusions> replaced_;
};

} // namespace

CalendarReading readOccurrences(const QByteArray& ics, const QDateTime& from, const QDateTime& to,
                                CalendarBudget& budget) {
    makeErrorsNonFatal();
    CalendarReading reading;
    const std::unique_ptr<icalcomponent, ComponentFree> root(
        icalparser_parse_string(ics.constData()));
    if (!root)
        return reading;
    std::vector<EventEntry> events;
    reading.nestedTooDeep = collectEvents(root.get(), events);

    Expander expander(from, to);
    for (const EventEntry& entry : events)
        expander.noteReplacement(entry);
    for (const EventEntry& entry : events)
        if (!expander.expand(entry, budget, reading.occurrences))
            ++reading.eventsCutShort;
    return reading;
}

} // namespace morvanex
