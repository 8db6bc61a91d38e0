#include "services/CalendarFile.h"

#include <QTimeZone>
#include <algorithm>
#include <libical/ical.h>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace morvanex {

namespace {

// A rule that yields more occurrences than this before reaching the window (say, every minute
// for years) stops there rather than stall the caller.
constexpr int maxRuleSteps = 200000;

struct ComponentFree {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
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
        if (!name.isEmpty() && QTimeZone::isTimeZoneIdAvailable(name))
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

QDateTime fromUtcFields(const icaltimetype& value) {
    const QDate date(value.year, value.month, value.day);
    const QTime time(value.hour, value.minute, std::min(value.second, 59));
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC);
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

void collectEvents(icalcomponent* component, icalcomponent* calendar,
                   std::vector<EventEntry>& events) {
    const icalcomponent_kind kind = icalcomponent_isa(component);
    if (kind == ICAL_VEVENT_COMPONENT) {
        events.push_back({component, calendar});
        return;
    }
    if (kind != ICAL_VCALENDAR_COMPONENT && kind != ICAL_XROOT_COMPONENT)
        return;
    std::vector<icalcomponent*> children;
    for (icalcomponent* child = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT);
         child; child = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT))
        children.push_back(child);
    for (icalcomponent* child : children)
        collectEvents(child, kind == ICAL_VCALENDAR_COMPONENT ? component : calendar, events);
}

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

    void expand(const EventEntry& entry, std::vector<CalendarOccurrence>& out) const {
        icalcomponent* event = entry.event;
        icalproperty* startProperty =
            icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
        if (!startProperty)
            return;
        const icaltimetype startValue = icalproperty_get_dtstart(startProperty);
        if (icaltime_is_null_time(startValue))
            return;
        const TimeFrame frame = frameOf(startProperty, startValue, entry.calendar);
        const QDateTime firstStart = instantOf(startValue, frame);
        if (!firstStart.isValid())
            return;
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
            return;
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
        for (icalproperty* rule = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
             rule; rule = icalcomponent_get_next_property(event, ICAL_RRULE_PROPERTY))
            expandRule(icalproperty_get_rrule(rule), startValue, frame, consider);
        for (icalproperty* date = icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY);
             date; date = icalcomponent_get_next_property(event, ICAL_RDATE_PROPERTY)) {
            const icaldatetimeperiodtype value = icalproperty_get_rdate(date);
            const icaltimetype time =
                icaltime_is_null_time(value.time) ? value.period.start : value.time;
            if (!icaltime_is_null_time(time))
                consider(time, frameOf(date, time, entry.calendar));
        }
        for (const auto& [key, start] : starts)
            add(shared, start, length, allDay,
                shared.id ? std::optional<QString>(*shared.id + QLatin1Char('/') +
                                                   occurrenceKey(start, allDay))
                          : std::nullopt,
                out);
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

    template <typename Consider>
    void expandRule(const icalrecurrencetype& rule, const icaltimetype& startValue,
                    const TimeFrame& frame, const Consider& consider) const {
        const std::unique_ptr<icalrecur_iterator, IteratorFree> iterator(
            icalrecur_iterator_new(rule, startValue));
        if (!iterator)
            return;
        for (int step = 0; step < maxRuleSteps; ++step) {
            const icaltimetype next = icalrecur_iterator_next(iterator.get());
            if (icaltime_is_null_time(next))
                return;
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

std::vector<CalendarOccurrence> readOccurrences(const QByteArray& ics, const QDateTime& from,
                                                const QDateTime& to) {
    makeErrorsNonFatal();
    const std::unique_ptr<icalcomponent, ComponentFree> root(
        icalparser_parse_string(ics.constData()));
    if (!root)
        return {};
    std::vector<EventEntry> events;
    collectEvents(root.get(), nullptr, events);

    Expander expander(from, to);
    for (const EventEntry& entry : events)
        expander.noteReplacement(entry);
    std::vector<CalendarOccurrence> occurrences;
    for (const EventEntry& entry : events)
        expander.expand(entry, occurrences);
    return occurrences;
}

} // namespace morvanex
