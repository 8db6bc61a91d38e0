#include "services/CalendarFetch.h"

#include "platform/RegularFile.h"
#include "services/CalendarFile.h"
#include "services/CalendarReaderService.h"
#include "services/CalendarTextCheck.h"
#include "services/MeetingLinks.h"

#include <QUuid>
#include <algorithm>
#include <tuple>
#include <utility>

namespace morvanex {

namespace {

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

// What a file's reading left out, one line each.
QStringList omissionsOf(const QString& file, const CalendarReading& reading,
                        const CalendarBudget& budget) {
    QStringList lines;
    if (reading.nestedTooDeep > 0)
        lines.append(QStringLiteral("Calendar file %1: calendars nested more than %2 deep were "
                                    "skipped with all they hold")
                         .arg(file)
                         .arg(maxCalendarNesting));
    if (reading.eventsCutShort > 0)
        lines.append(QStringLiteral("Calendar file %1: the recurrences of %2 events were cut "
                                    "short at the limit of %3 per event or %4 per refresh")
                         .arg(file)
                         .arg(reading.eventsCutShort)
                         .arg(budget.stepsPerEvent)
                         .arg(CalendarBudget::defaultSteps));
    return lines;
}

// Why `file` must not be handed to the reader, noting a fresh refusal in `refusals`; nothing
// when it may be. A file that cannot be read here goes to the reader, which says why.
std::optional<QString> refusalOf(const QString& file, CalendarRefusals* refusals) {
    if (!refusals)
        return std::nullopt;
    if (std::optional<QString> reason = refusals->stillRefused(file))
        return reason;
    platform::RegularFileRead read =
        platform::readRegularFile(file, maxCalendarFileBytes, platform::LastLink::follow);
    if (!read.ok()) {
        refusals->forget(file);
        return std::nullopt;
    }
    std::optional<QString> reason = calendarTextRefusal(read.contents);
    if (reason)
        refusals->refuse(file, read.identity, *reason);
    else
        refusals->forget(file);
    return reason;
}

} // namespace

CalendarFetchResult fetchCalendarEvents(const CalendarFetchRequest& request,
                                        const std::atomic<bool>& cancelled) {
    CalendarFetchResult result;
    platform::ICalendarScan scan = request.sources.scan(&cancelled);
    if (cancelled.load())
        return result;
    const std::vector<platform::ICalendarSource>& sources = scan.sources;
    result.anySource = !sources.empty();
    result.watchList = std::move(scan.watchList);
    result.omissions = std::move(scan.unread);
    if (!result.anySource)
        return result;

    for (const platform::ICalendarSource& source : sources)
        result.calendars.push_back({source.id, source.title, source.account, colorOf(source)});
    std::stable_sort(result.calendars.begin(), result.calendars.end(),
                     [](const CalendarInfo& a, const CalendarInfo& b) {
                         return std::tie(a.source, a.title) < std::tie(b.source, b.title);
                     });

    std::vector<const platform::ICalendarSource*> visible;
    for (const platform::ICalendarSource& source : sources)
        if (request.hidden.count(source.id) == 0)
            visible.push_back(&source);
    if (visible.empty())
        return result;

    const QStringList userAddresses = request.sources.userAddresses(&result.omissions);
    QStringList listed;                                   // every file of the visible calendars
    QStringList files;                                    // those to read
    std::vector<const platform::ICalendarSource*> owners; // of each file to read
    for (const platform::ICalendarSource* source : visible)
        for (const QString& file : source->files) {
            if (cancelled.load())
                return result;
            listed.append(file);
            if (const std::optional<QString> refusal = refusalOf(file, request.refusals)) {
                result.omissions.append(
                    QStringLiteral("Calendar file %1 was skipped: %2").arg(file, *refusal));
                continue;
            }
            files.append(file);
            owners.push_back(source);
        }
    if (request.refusals)
        request.refusals->keepOnly(listed);
    CalendarBudget budget;
    CalendarFilesRead read =
        readCalendarFiles(request.reader, files, request.start, request.end, budget, cancelled);
    if (read.failure)
        result.omissions.append(
            QStringLiteral("Calendar files were not read: %1").arg(*read.failure));
    std::vector<Candidate> candidates;
    for (size_t index = 0; index < read.files.size(); ++index) {
        CalendarFileOutcome& outcome = read.files[index];
        const QString& file = files[qsizetype(index)];
        if (outcome.skipped)
            result.omissions.append(
                QStringLiteral("Calendar file %1 was skipped: %2").arg(file, *outcome.skipped));
        result.omissions += omissionsOf(file, outcome.reading, budget);
        for (CalendarOccurrence& occurrence : outcome.reading.occurrences) {
            if (occurrence.cancelled || declinedByUser(occurrence, userAddresses))
                continue;
            if (!occurrence.isAllDay && occurrence.end <= request.now)
                continue;
            candidates.push_back({std::move(occurrence), owners[index]});
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) {
                         if (a.occurrence.start != b.occurrence.start)
                             return a.occurrence.start < b.occurrence.start;
                         return a.occurrence.isAllDay && !b.occurrence.isAllDay;
                     });

    result.events.reserve(candidates.size());
    for (const Candidate& candidate : candidates)
        result.events.push_back(eventOf(candidate));
    return result;
}

} // namespace morvanex
