#include "services/CalendarEvents.h"

#include "platform/MainQueue.h"
#include "services/CalendarFile.h"
#include "support/FixtureTree.h"
#include "support/HostileCalendars.h"
#include "support/TestEnv.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <sys/inotify.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace morvanex;
using platform::ICalendarRoots;
using platform::ICalendarSources;

using morvanex::test::waitUntil;

namespace {

QDateTime utc(int day, int hour, int minute = 0) {
    return QDateTime(QDate(2024, 1, day), QTime(hour, minute), Qt::UTC);
}

// The warnings logged while it lives, as "category: text".
class LogCapture {
public:
    LogCapture() {
        lines().clear();
        previous_ = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
                if (type == QtWarningMsg)
                    lines().append(QString::fromUtf8(context.category) + ": " + text);
            });
    }
    ~LogCapture() { qInstallMessageHandler(previous_); }
    static QStringList& lines() {
        static QStringList captured;
        return captured;
    }

private:
    QtMessageHandler previous_;
};

// The fixture's events over three days from 07:00 on 15 January, in display order.
const QStringList fixtureTitles = {
    "Conference",      "Birthday",    "Weekly sync",         "Standup",
    "Holiday",         "Dentist",     "New York call",       "Trip",
    "Midnight deploy", "Team review", "Weekly sync (moved)", "Untitled",
};

// A clock the test moves by hand.
struct ManualClock {
    std::shared_ptr<QDateTime> now = std::make_shared<QDateTime>(utc(15, 7));
    platform::Clock clock() const {
        platform::Clock clock;
        clock.now = [now = now] { return *now; };
        return clock;
    }
    void advance(qint64 seconds) const { *now = now->addSecs(seconds); }
};

// Files by their path below the data home, and their contents.
using Files = std::vector<std::pair<QString, QByteArray>>;

Files writeFiles(const QString& root, Files files) {
    for (const auto& [path, contents] : files)
        test::writeFile(root, path, contents);
    return files;
}

// The fixture calendars (a personal Evolution calendar, vdir collections "work" and "family"),
// with any files a test adds, and the events object reading them, counting its changes.
struct Rig {
    QString root = test::copyFixture(QStringLiteral("calendar"));
    ICalendarRoots roots{root + QStringLiteral("/data"), root + QStringLiteral("/config")};
    Files added; // written before the events object first looks
    ManualClock time;
    // Bounds that hold the fixture's reading even on a heavily loaded machine.
    CalendarEvents calendar{ICalendarSources(roots), time.clock(),
                            CalendarReader{MORVANEX_CALENDAR_READER, std::chrono::seconds(60),
                                           std::chrono::seconds(120)}};
    int changes = 0;

    explicit Rig(Files files = {}) : added(writeFiles(roots.dataHome, std::move(files))) {
        calendar.onChange = [this] { ++changes; };
        // The first look at the folders, which finds the calendars.
        EXPECT_TRUE(
            waitUntil([&] { return calendar.access() == CalendarEvents::Access::granted; }));
        changes = 0;
    }
    // Refreshes and waits until the fetch it may have begun has been applied.
    void refresh(std::int64_t days, const QStringList& hidden) {
        calendar.refreshIfNeeded(days, hidden);
        EXPECT_TRUE(waitUntil([&] { return !calendar.fetching(); }));
    }
    QStringList titles() const {
        QStringList titles;
        for (const CalendarEvent& event : calendar.events())
            titles.append(event.title);
        return titles;
    }
    const CalendarEvent& event(const QString& title) const {
        for (const CalendarEvent& event : calendar.events())
            if (event.title == title)
                return event;
        static const CalendarEvent none;
        ADD_FAILURE() << "no event " << title.toStdString();
        return none;
    }
};

} // namespace

TEST(CalendarEvents, FetchesTheEventsOfTheNextDaysInDisplayOrder) {
    Rig rig;
    EXPECT_EQ(rig.calendar.access(), CalendarEvents::Access::granted);
    EXPECT_TRUE(rig.calendar.events().empty()); // nothing is read before the first refresh
    rig.refresh(3, {});
    EXPECT_EQ(rig.changes, 1);

    // Cancelled, declined, ended and later events are left out; the conference that began
    // yesterday and the birthday that recurs every year are in; at equal starts the all-day
    // trip comes before the timed deploy, though the deploy's calendar is read first.
    EXPECT_EQ(rig.titles(), fixtureTitles);

    struct Expected {
        const char* title;
        QDateTime start;
        QDateTime end;
        bool allDay;
        const char* calendarID;
    };
    const Expected details[] = {
        {"Conference", utc(14, 12), utc(16, 12), false, "vdir:work"},
        {"Birthday", utc(15, 0), utc(16, 0), true, "vdir:family"},
        {"Weekly sync", utc(15, 8), utc(15, 9), false, "vdir:work"}, // 09:00 in Berlin
        {"Holiday", utc(16, 0), utc(17, 0), true, "evolution:system"},
        {"New York call", utc(16, 14), utc(16, 14, 30), false, "vdir:work"}, // 09:00 in New York
        {"Trip", utc(17, 0), utc(20, 0), true, "vdir:family"},
        {"Weekly sync (moved)", utc(17, 14), utc(17, 15), false, "vdir:work"},
    };
    for (const Expected& e : details) {
        SCOPED_TRACE(e.title);
        const CalendarEvent& event = rig.event(QString::fromUtf8(e.title));
        EXPECT_EQ(event.start, e.start);
        EXPECT_EQ(event.end, e.end);
        EXPECT_EQ(event.isAllDay, e.allDay);
        EXPECT_EQ(event.calendarID, QString::fromLatin1(e.calendarID));
    }
}

TEST(CalendarEvents, EventFieldsComeFromTheFilesAndTheirCalendars) {
    Rig rig;
    rig.refresh(3, {});

    const CalendarEvent& dentist = rig.event("Dentist");
    EXPECT_EQ(dentist.id, QStringLiteral("dentist@example.com"));
    EXPECT_EQ(dentist.location, QStringLiteral("Main St 1"));
    EXPECT_EQ(dentist.calendarTitle, QStringLiteral("Personal"));
    EXPECT_EQ(dentist.color, (CalendarColor{0x62, 0xa0, 0xea}));
    EXPECT_FALSE(dentist.meetingURL); // a look-alike host is no meeting link

    EXPECT_FALSE(rig.event("Midnight deploy").location); // an empty location is none

    // Occurrences of a recurring event carry their original start in the identifier.
    EXPECT_EQ(rig.event("Weekly sync").id, QStringLiteral("weekly@example.com/20240115T080000Z"));
    EXPECT_EQ(rig.event("Weekly sync (moved)").id,
              QStringLiteral("weekly@example.com/20240117T080000Z"));
    EXPECT_EQ(rig.event("Birthday").id, QStringLiteral("birthday@example.com/20240115"));

    const CalendarEvent& standup = rig.event("Standup");
    EXPECT_EQ(standup.calendarTitle, QStringLiteral("Work"));
    EXPECT_EQ(standup.color, (CalendarColor{0xff, 0x88, 0x00}));
    EXPECT_EQ(standup.meetingURL, QUrl("https://meet.google.com/abc-defg-hij"));
    EXPECT_EQ(rig.event("Weekly sync").meetingURL,
              QUrl("https://us02web.zoom.us/j/8123456789?pwd=abc"));
    EXPECT_EQ(rig.event("New York call").meetingURL, QUrl("https://acme.webex.com/meet/joe"));
    EXPECT_EQ(rig.event("Team review").meetingURL,
              QUrl("https://teams.microsoft.com/l/meetup-join/19%3ameeting"));

    const CalendarEvent& trip = rig.event("Trip");
    EXPECT_EQ(trip.calendarTitle, QStringLiteral("family")); // no name file: the folder
    EXPECT_EQ(trip.color, CalendarColor::fallback());

    // Without a UID the event gets a fresh identifier on every fetch.
    const QString untitledId = rig.event("Untitled").id;
    EXPECT_FALSE(untitledId.isEmpty());
    rig.refresh(4, {});
    EXPECT_NE(rig.event("Untitled").id, untitledId);
}

TEST(CalendarEvents, CalendarsAreSortedByAccountThenTitle) {
    Rig rig;
    rig.refresh(3, {});
    const std::vector<CalendarInfo> expected = {
        {"evolution:system", "Personal", "On This Computer", {0x62, 0xa0, 0xea}},
        {"vdir:work", "Work", "vdir", {0xff, 0x88, 0x00}},
        {"vdir:family", "family", "vdir", CalendarColor::fallback()},
    };
    EXPECT_EQ(rig.calendar.calendars(), expected);
}

TEST(CalendarEvents, DayCountSetsTheWindowFromTheStartOfToday) {
    struct Case {
        std::int64_t days;
        QStringList titles;
    };
    const Case cases[] = {
        {1, {"Conference", "Birthday", "Weekly sync", "Standup"}},
        {0, {"Conference", "Birthday", "Weekly sync", "Standup"}},
        {-5, {"Conference", "Birthday", "Weekly sync", "Standup"}},
        {2,
         {"Conference", "Birthday", "Weekly sync", "Standup", "Holiday", "Dentist",
          "New York call"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.days);
        Rig rig;
        rig.refresh(c.days, {});
        EXPECT_EQ(rig.titles(), c.titles);
        EXPECT_EQ(rig.calendar.days(), c.days);
    }
    // A day count too large for any date still fetches (an empty window).
    Rig rig;
    rig.refresh(std::numeric_limits<std::int64_t>::max(), {});
    EXPECT_EQ(rig.changes, 1);
    EXPECT_TRUE(rig.calendar.events().empty());
}

TEST(CalendarEvents, HiddenCalendarsAreLeftOut) {
    Rig rig;
    rig.refresh(3, {"vdir:work", "vdir:family"});
    EXPECT_EQ(rig.titles(), (QStringList{"Holiday", "Dentist", "Midnight deploy"}));
    EXPECT_EQ(rig.calendar.calendars().size(), 3u); // the settings list keeps every calendar

    rig.refresh(3, {"vdir:work", "vdir:family", "evolution:system"});
    EXPECT_TRUE(rig.calendar.events().empty());
    EXPECT_EQ(rig.changes, 2); // emptied by hiding everything, and still announced
}

TEST(CalendarEvents, RefreshFetchesOnChangesOrAfterAMinute) {
    Rig rig;
    rig.refresh(3, {"a", "b"});
    EXPECT_EQ(rig.changes, 1);
    EXPECT_EQ(rig.calendar.lastFetch(), utc(15, 7));

    rig.time.advance(30);
    rig.refresh(3, {"b", "a", "a"}); // the same set
    EXPECT_EQ(rig.changes, 1);

    rig.refresh(4, {"a", "b"}); // another day count: at once
    EXPECT_EQ(rig.changes, 2);
    rig.refresh(4, {"a"}); // another hidden set: at once
    EXPECT_EQ(rig.changes, 3);

    rig.time.advance(59);
    rig.refresh(4, {"a"});
    EXPECT_EQ(rig.changes, 3);
    rig.time.advance(1);
    rig.refresh(4, {"a"});
    EXPECT_EQ(rig.changes, 4);
    EXPECT_EQ(rig.calendar.lastFetch(), utc(15, 7).addSecs(90));
}

TEST(CalendarEvents, WithoutCalendarsAccessIsNotAsked) {
    // The test's own data home holds no calendars.
    ManualClock time;
    CalendarEvents calendar(ICalendarSources(), time.clock());
    int changes = 0;
    calendar.onChange = [&] { ++changes; };
    EXPECT_EQ(calendar.access(), CalendarEvents::Access::notAsked);
    calendar.refreshIfNeeded(3, {});
    ASSERT_TRUE(waitUntil([&] { return !calendar.fetching(); }));
    EXPECT_EQ(calendar.access(), CalendarEvents::Access::notAsked);
    EXPECT_TRUE(calendar.events().empty());
    EXPECT_TRUE(calendar.calendars().empty());
    EXPECT_EQ(changes, 0);
}

TEST(CalendarEvents, LosingTheCalendarsClearsEventsAndKeepsTheList) {
    Rig rig;
    rig.refresh(3, {});
    ASSERT_FALSE(rig.calendar.events().empty());
    ASSERT_TRUE(QDir(rig.roots.dataHome).removeRecursively());
    rig.refresh(2, {});
    EXPECT_EQ(rig.calendar.access(), CalendarEvents::Access::notAsked);
    EXPECT_TRUE(rig.calendar.events().empty());
    EXPECT_EQ(rig.calendar.calendars().size(), 3u);
    EXPECT_EQ(rig.changes, 2);
}

TEST(CalendarEvents, RequestAccessAnswersThroughTheMainQueueAndFetches) {
    Rig rig;
    rig.calendar.requestAccess();
    EXPECT_EQ(rig.changes, 0);
    ASSERT_TRUE(waitUntil([&] { return rig.changes == 1; }));
    EXPECT_EQ(rig.calendar.access(), CalendarEvents::Access::granted);
    EXPECT_EQ(rig.calendar.events().size(), 12u);
}

TEST(CalendarEvents, TheFoldersAreLookedThroughOffTheMainThread) {
    // Thousands of calendar folders once held the main thread for seconds before anything else.
    const QString root = test::copyFixture(QStringLiteral("calendar"));
    ManualClock time;
    int changes = 0;
    CalendarEvents calendar(
        ICalendarSources({root + QStringLiteral("/data"), root + QStringLiteral("/config")}),
        time.clock(), CalendarReader{MORVANEX_CALENDAR_READER});
    calendar.onChange = [&] { ++changes; };
    // The constructor returns before the folders are looked through.
    EXPECT_EQ(calendar.access(), CalendarEvents::Access::notAsked);
    ASSERT_TRUE(waitUntil([&] { return calendar.access() == CalendarEvents::Access::granted; }));
    EXPECT_EQ(changes, 1); // announced
}

TEST(CalendarEvents, AskingForAccessWithoutCalendarsEndsInNoCalendarsFound) {
    // The test's own data home holds no calendars.
    ManualClock time;
    CalendarEvents calendar(ICalendarSources(), time.clock(),
                            CalendarReader{MORVANEX_CALENDAR_READER});
    int changes = 0;
    calendar.onChange = [&] { ++changes; };
    ASSERT_EQ(calendar.access(), CalendarEvents::Access::notAsked);
    calendar.requestAccess();
    ASSERT_TRUE(waitUntil([&] { return changes == 1 && !calendar.fetching(); }));
    EXPECT_EQ(calendar.access(), CalendarEvents::Access::denied);
    // Later fetches keep saying so, until a calendar appears.
    time.advance(60);
    calendar.refreshIfNeeded(3, {});
    ASSERT_TRUE(waitUntil([&] { return !calendar.fetching(); }));
    EXPECT_EQ(calendar.access(), CalendarEvents::Access::denied);
    EXPECT_EQ(changes, 1);
    test::writeFile(platform::xdg::dataHome(), QStringLiteral("calendars/home/event.ics"),
                    "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n");
    ASSERT_TRUE(waitUntil([&] { return calendar.access() == CalendarEvents::Access::granted; }));
}

TEST(CalendarEvents, RefusedFilesAreReadAgainOnlyOnceTheyChange) {
    // Time zones whose rules libical would expand for seconds each: lines ending in CR alone
    // (which an earlier check did not split) and every day of the year since year 1. Eight of
    // them once took half a minute of processor time at every refresh.
    QByteArray everyDay = "BEGIN:VCALENDAR\r\nBEGIN:VTIMEZONE\r\nTZID:Z\r\nBEGIN:STANDARD\r\n"
                          "DTSTART:00010101T000000\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0000\r\n"
                          "RRULE:FREQ=YEARLY;BYYEARDAY=1";
    for (int day = 2; day <= 366; ++day)
        everyDay += "," + QByteArray::number(day);
    everyDay += "\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\nEND:VCALENDAR\r\n";
    const QByteArray carriageReturns =
        test::secondlyZoneCalendar("20240115T100000").replace("\r\n", "\r");
    Rig rig({{QStringLiteral("calendars/zz/cr.ics"), carriageReturns},
             {QStringLiteral("calendars/zz/days.ics"), everyDay}});
    const QString folder = rig.roots.dataHome + QStringLiteral("/calendars/zz");
    const LogCapture log;
    rig.refresh(3, {});
    EXPECT_EQ(rig.titles(), fixtureTitles);
    QStringList lines = LogCapture::lines();
    lines.sort();
    const QStringList expected = {
        "morvanex.services: Calendar file " + folder +
            "/cr.ics was skipped: its time zone rules ask for more than 100000 clock changes",
        "morvanex.services: Calendar file " + folder +
            "/days.ics was skipped: its time zone rules ask for more than 100000 clock changes",
    };
    EXPECT_EQ(lines, expected);

    // The next refreshes open neither file again, nor say so again.
    const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, QFile::encodeName(folder).constData(), IN_OPEN), 0);
    const auto opened = [&] {
        QStringList names;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t got; (got = ::read(watch, buffer, sizeof buffer)) > 0;)
            for (char* at = buffer; at < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if (event->len > 0)
                    names.append(QString::fromUtf8(event->name));
                at += sizeof(inotify_event) + event->len;
            }
        names.removeDuplicates();
        names.sort();
        return names;
    };
    const int changes = rig.changes;
    for (int minute = 1; minute <= 2; ++minute) {
        rig.time.advance(60);
        rig.refresh(3, {});
        EXPECT_EQ(rig.changes, changes + minute);
        EXPECT_EQ(opened(), QStringList()) << "at minute " << minute;
    }
    EXPECT_EQ(LogCapture::lines().size(), 2);

    // Changed, it is read again at the next refresh: here, into a calendar of a single event.
    test::writeFile(rig.roots.dataHome, QStringLiteral("calendars/zz/days.ics"),
                    "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:fixed\r\nSUMMARY:Fixed\r\n"
                    "DTSTART:20240115T120000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    rig.time.advance(60);
    rig.refresh(3, {});
    EXPECT_TRUE(rig.titles().contains(QStringLiteral("Fixed")));
    EXPECT_TRUE(opened().contains(QStringLiteral("days.ics")));
    ::close(watch);
}

TEST(CalendarEvents, ChangedFilesAreFetchedAgain) {
    Rig rig;
    rig.refresh(3, {});
    const int before = rig.changes;
    test::writeFile(rig.roots.dataHome, QStringLiteral("calendars/work/added.ics"),
                    "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:added@example.com\r\n"
                    "SUMMARY:Added later\r\nDTSTART:20240115T120000Z\r\n"
                    "DTEND:20240115T130000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    ASSERT_TRUE(waitUntil([&] { return rig.calendar.events().size() == 13; }));
    EXPECT_GT(rig.changes, before);
    EXPECT_EQ(rig.event("Added later").start, utc(15, 12));
}

TEST(CalendarEvents, FirstCalendarAppearingGrantsAccess) {
    ManualClock time;
    CalendarEvents calendar(ICalendarSources(), time.clock(),
                            CalendarReader{MORVANEX_CALENDAR_READER});
    // A fetch finds none.
    calendar.refreshIfNeeded(3, {});
    ASSERT_TRUE(waitUntil([&] { return !calendar.fetching(); }));
    ASSERT_EQ(calendar.access(), CalendarEvents::Access::notAsked);
    test::writeFile(platform::xdg::dataHome(), QStringLiteral("calendars/home/event.ics"),
                    "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:e@example.com\r\nSUMMARY:Pick up\r\n"
                    "DTSTART:20240115T170000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    ASSERT_TRUE(waitUntil([&] { return calendar.events().size() == 1; }));
    EXPECT_EQ(calendar.access(), CalendarEvents::Access::granted);
    EXPECT_EQ(calendar.events().front().calendarID, QStringLiteral("vdir:home"));
}

TEST(CalendarEvents, FilesAreReadOffTheMainThread) {
    // Fifty events every second since 1970, and one event with a hundred such rules: reading
    // them once held the main thread for minutes.
    QByteArray noise = "BEGIN:VCALENDAR\r\n";
    for (int i = 0; i < 50; ++i)
        noise += "BEGIN:VEVENT\r\nUID:noise" + QByteArray::number(i) +
                 "\r\nSUMMARY:Noise\r\nDTSTART:19700101T000000Z\r\nRRULE:FREQ=SECONDLY\r\n"
                 "END:VEVENT\r\n";
    noise += "BEGIN:VEVENT\r\nUID:rules\r\nSUMMARY:Noise\r\nDTSTART:19700101T000000Z\r\n";
    for (int k = 100; k < 200; ++k)
        noise += "RRULE:FREQ=SECONDLY;INTERVAL=" + QByteArray::number(k) + "\r\n";
    noise += "END:VEVENT\r\nEND:VCALENDAR\r\n";
    // In a calendar of its own, read after the fixture's: a refresh's limit on recurrences,
    // which the noise uses up, does not reach the fixture's recurring events.
    Rig rig({{QStringLiteral("calendars/zz-noise/noise.ics"), noise}});

    // Posted before the refresh: it runs before anything the refresh posts.
    int changesWhenPostedWorkRan = -1;
    platform::postToMain([&] { changesWhenPostedWorkRan = rig.changes; });
    rig.calendar.refreshIfNeeded(3, {});
    // The call returns before anything is read; the result comes through the event loop.
    EXPECT_TRUE(rig.calendar.fetching());
    EXPECT_EQ(rig.changes, 0);
    EXPECT_TRUE(rig.calendar.events().empty());
    ASSERT_TRUE(waitUntil([&] { return rig.changes == 1; }));
    EXPECT_EQ(changesWhenPostedWorkRan, 0); // the main thread was free before the result came

    QStringList others;
    int noiseEvents = 0;
    for (const QString& title : rig.titles()) {
        if (title == QStringLiteral("Noise"))
            ++noiseEvents;
        else
            others.append(title);
    }
    EXPECT_EQ(others, fixtureTitles);
    EXPECT_LE(noiseEvents, CalendarBudget::defaultSteps);
}

TEST(CalendarEvents, NestedCalendarsLeaveTheOtherEventsShown) {
    // A calendar file nesting calendars 100,000 deep (3.2 MB) once crashed every start.
    QByteArray nested;
    for (int i = 0; i < 100000; ++i)
        nested += "BEGIN:VCALENDAR\r\n";
    for (int i = 0; i < 100000; ++i)
        nested += "END:VCALENDAR\r\n";
    Rig rig({{QStringLiteral("calendars/work/nested.ics"), nested}});
    const LogCapture log;
    rig.refresh(3, {});
    EXPECT_EQ(rig.titles(), fixtureTitles);
    ASSERT_EQ(LogCapture::lines().size(), 1);
    EXPECT_TRUE(LogCapture::lines()[0].startsWith("morvanex.services: Calendar file "));
    EXPECT_TRUE(LogCapture::lines()[0].contains("/calendars/work/nested.ics: calendars nested"));

    // Said once while it lasts, not at every fetch.
    rig.time.advance(60);
    rig.refresh(3, {});
    EXPECT_EQ(rig.changes, 2);
    EXPECT_EQ(LogCapture::lines().size(), 1);
}

TEST(CalendarEvents, FilesThatWouldStallTheReaderAreSkippedWithOneLineEach) {
    // A zone changing its clock every second since 1970 once kept the reader busy for good, and
    // a 16 MB line for half a minute; each is skipped, the other calendars shown.
    Rig rig(
        {{QStringLiteral("calendars/work/zone.ics"), test::secondlyZoneCalendar("20240115T100000")},
         {QStringLiteral("calendars/work/long.ics"),
          test::longLineCalendar(16 * 1024 * 1024, "20240115T100000")}});
    const LogCapture log;
    rig.refresh(3, {});
    EXPECT_EQ(rig.titles(), fixtureTitles);
    QStringList lines = LogCapture::lines();
    lines.sort();
    ASSERT_EQ(lines.size(), 2) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines[0].endsWith(
        "/calendars/work/long.ics was skipped: a line is longer than 1048576 bytes"));
    EXPECT_TRUE(lines[1].endsWith("/calendars/work/zone.ics was skipped: its time zone rules ask "
                                  "for more than 100000 clock changes"));
}

TEST(CalendarEvents, GoingAwayDoesNotWaitForAReadInProgress) {
    // A reader that never answers, with no time bound to speak of: only going away ends it.
    const QString marker = test::scratchDir() + QStringLiteral("/reader-pid");
    const QString script = test::scratchDir() + QStringLiteral("/reader.sh");
    test::writeFile(test::scratchDir(), QStringLiteral("reader.sh"),
                    "#!/bin/sh\necho $$ > '" + QFile::encodeName(marker) + "'\nexec sleep 600\n");
    QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner);
    CalendarReader reader{QFile::encodeName(script)};
    reader.fileBound = std::chrono::minutes(10);
    reader.readBound = std::chrono::minutes(10);
    ManualClock time;
    const QString root = test::copyFixture(QStringLiteral("calendar"));
    auto calendar = std::make_unique<CalendarEvents>(
        ICalendarSources({root + QStringLiteral("/data"), root + QStringLiteral("/config")}),
        time.clock(), reader);
    calendar->refreshIfNeeded(3, {});
    ASSERT_TRUE(waitUntil([&] { return QFile(marker).size() > 0; }));
    calendar.reset(); // returns at once; a wait for the read would outlast the test's time
    QFile pidFile(marker);
    ASSERT_TRUE(pidFile.open(QIODevice::ReadOnly));
    const pid_t pid = pid_t(pidFile.readAll().trimmed().toInt());
    EXPECT_TRUE(::kill(pid, 0) != 0 && errno == ESRCH); // killed and reaped
}

TEST(CalendarEventNext, PicksTheEventToShowAsNext) {
    const QDateTime now = utc(15, 10);
    const auto timed = [&](const char* title, qint64 startMinutes, qint64 endMinutes) {
        CalendarEvent event;
        event.title = QString::fromLatin1(title);
        event.start = now.addSecs(startMinutes * 60);
        event.end = now.addSecs(endMinutes * 60);
        return event;
    };
    CalendarEvent allDay = timed("all day", -600, 840);
    allDay.isAllDay = true;
    const CalendarEvent ended = timed("ended", -60, 0);
    const CalendarEvent running = timed("running", -30, 30);
    struct Case {
        const char* what;
        std::vector<CalendarEvent> events;
        std::optional<QString> next;
    };
    const Case cases[] = {
        {"soon beats running", {ended, running, timed("soon", 10, 40)}, "soon"},
        {"running beats later", {running, timed("later", 20, 50)}, "running"},
        {"exactly fifteen minutes counts as soon", {running, timed("edge", 15, 45)}, "edge"},
        {"nothing running: next however far", {ended, timed("days away", 4000, 4060)}, "days away"},
        {"only all-day events", {allDay}, std::nullopt},
        {"nothing at all", {}, std::nullopt},
        {"first running in stored order", {running, timed("also running", -5, 5)}, "running"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto next = nextEvent(c.events, now);
        EXPECT_EQ(next ? std::optional<QString>(next->title) : std::nullopt, c.next);
    }
}

TEST(CalendarEventNext, UsesTheClock) {
    Rig rig;
    rig.refresh(3, {});
    // 07:00: the weekly sync at 08:00 is an hour away, so the running conference is shown;
    // at 07:50 the weekly sync starts within 15 minutes.
    EXPECT_EQ(rig.calendar.next()->title, QStringLiteral("Conference"));
    rig.time.advance(50 * 60);
    EXPECT_EQ(rig.calendar.next()->title, QStringLiteral("Weekly sync"));
}

TEST(CalendarEventURL, CalendarAppURLEncodesTheIdentifierAsAPath) {
    CalendarEvent event;
    event.id = QStringLiteral("AB12:cal/x y@z");
    EXPECT_EQ(event.calendarAppURL()->toString(QUrl::FullyEncoded),
              QStringLiteral("ical://ekevent/AB12:cal/x%20y@z?method=show&options=more"));
    event.id = QString::fromUtf8("caf\xC3\xA9?#");
    EXPECT_EQ(event.calendarAppURL()->toString(QUrl::FullyEncoded),
              QStringLiteral("ical://ekevent/caf%C3%A9%3F%23?method=show&options=more"));
}

TEST(CalendarColorText, ParsesHexForms) {
    EXPECT_EQ(CalendarColor::fromText("#62A0ea"), (CalendarColor{0x62, 0xa0, 0xea}));
    EXPECT_EQ(CalendarColor::fromText(" #f80 "), (CalendarColor{0xff, 0x88, 0x00}));
    EXPECT_EQ(CalendarColor::fromText("#11223380"), (CalendarColor{0x11, 0x22, 0x33}));
    for (const char* bad : {"", "62a0ea", "#62a0e", "#zzzzzz", "turquoise"})
        EXPECT_FALSE(CalendarColor::fromText(QString::fromLatin1(bad))) << bad;
}
