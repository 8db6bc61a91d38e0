#include "services/WeatherCode.h"
#include "ui/panels/AstronomyPanel.h"
#include "ui/panels/EventsCard.h"
#include "ui/panels/MonthCalendar.h"
#include "ui/panels/NextEventRow.h"
#include "ui/panels/PanelZone.h"
#include "ui/panels/TimePanel.h"
#include "ui/panels/WeatherPanel.h"

#include <QTimeZone>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

QDateTime at(const char* zone, int y, int m, int d, int h, int min, int s = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min, s), QTimeZone(zone));
}

// ---- Weather

TEST(WeatherPanelTexts, DayNameFollowsThePlaceNotTheMachine) {
    const QTimeZone kolkata("Asia/Kolkata");
    // 20:00 UTC on the 9th is already 01:30 on the 10th in Kolkata.
    const QDateTime now = at("UTC", 2026, 12, 9, 20, 0);
    EXPECT_EQ(WeatherPanel::dayName(at("Asia/Kolkata", 2026, 12, 10, 0, 0), kolkata, now, "en_US"),
              "Today");
    EXPECT_EQ(WeatherPanel::dayName(at("Asia/Kolkata", 2026, 12, 9, 0, 0), kolkata, now, "en_US"),
              "Wed");
    EXPECT_EQ(WeatherPanel::dayName(at("Asia/Kolkata", 2026, 12, 11, 0, 0), kolkata, now, "en_US"),
              "Fri");
    EXPECT_EQ(WeatherPanel::dayName(at("Asia/Kolkata", 2026, 12, 11, 0, 0), kolkata, now, "de_DE"),
              "Fr.");
}

TEST(WeatherPanelTexts, Conditions) {
    WeatherCurrent c;
    c.apparent = 18.4;
    c.windSpeed = 14;
    c.windDirection = 350;
    c.windGusts = 30;
    c.pressure = 1013.8;
    c.dewPoint = std::nullopt;
    c.visibility = 24140;
    c.humidity = 62.5;
    c.cloudCover = 40;
    c.uvIndex = std::nullopt;
    c.precipitation = 0.25;
    const auto lines = WeatherPanel::conditions(c, TempUnit::celsius, WindUnit::kmh);
    const std::vector<WeatherPanel::Line> left = {{"Feels like", "18°"},
                                                  {"Wind", "14 km/h N"},
                                                  {"Pressure", "1013 hPa"},
                                                  {"Dew point", "—"},
                                                  {"Visibility", "24.1 km"}};
    const std::vector<WeatherPanel::Line> right = {{"Humidity", "63%"},
                                                   {"Gusts", "30 km/h"},
                                                   {"Clouds", "40%"},
                                                   {"UV index", "—"},
                                                   {"Precip.", "0.2 mm"}};
    EXPECT_EQ(lines.left, left);
    EXPECT_EQ(lines.right, right);

    c.visibility = 500;
    c.uvIndex = 3.25;
    c.dewPoint = 10;
    c.pressure = std::numeric_limits<double>::quiet_NaN();
    const auto more = WeatherPanel::conditions(c, TempUnit::fahrenheit, WindUnit::mph);
    EXPECT_EQ(more.left[4].value, "0.5 km");
    EXPECT_EQ(more.right[3].value, "3.2");
    EXPECT_EQ(more.left[3].value, "50°");
    EXPECT_EQ(more.left[2].value, "—");
    EXPECT_EQ(more.left[1].value, "9 mph N");
}

TEST(WeatherPanelTexts, SubtitleUsesTheFirstDay) {
    WeatherReport report;
    report.current.code = 2;
    const QString sky = WeatherCode::description(2);
    EXPECT_EQ(WeatherPanel::subtitle(report, TempUnit::celsius), sky);
    WeatherDay day;
    day.high = 21.4;
    day.low = 11.6;
    report.days = {day, WeatherDay{}};
    EXPECT_EQ(WeatherPanel::subtitle(report, TempUnit::celsius), sky + " · H 21°  L 12°");
    EXPECT_EQ(WeatherPanel::subtitle(report, TempUnit::fahrenheit), sky + " · H 71°  L 53°");
}

TEST(WeatherPanelTexts, PrecipitationChance) {
    EXPECT_EQ(WeatherPanel::precipitationChance(std::nullopt), "");
    EXPECT_EQ(WeatherPanel::precipitationChance(9.9), "");
    EXPECT_EQ(WeatherPanel::precipitationChance(10), "10%");
    EXPECT_EQ(WeatherPanel::precipitationChance(std::numeric_limits<double>::quiet_NaN()), "");
}

TEST(WeatherPanelTexts, ShownDaysAndTheirScale) {
    std::vector<WeatherDay> days(14);
    for (std::size_t i = 0; i < days.size(); ++i) {
        days[i].low = 10 - double(i);
        days[i].high = 15 + double(i);
    }
    const auto three = WeatherPanel::shown(days, 3);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(WeatherPanel::scale(three), std::make_pair(8.0, 17.0));
    EXPECT_EQ(WeatherPanel::scale(WeatherPanel::shown(days, 14)), std::make_pair(-3.0, 28.0));
    EXPECT_EQ(WeatherPanel::shown(WeatherPanel::shown(days, 5), 7).size(), 5u);
    EXPECT_EQ(WeatherPanel::scale({}), std::make_pair(0.0, 1.0));
}

TEST(WeatherPanelTexts, RangeBarGeometry) {
    // Every day 10 to 10: the floor of one degree, a 4-wide bar at the leading edge.
    EXPECT_EQ(RangeBar::span(10, 10, 10, 10, 200), (RangeBar::Span{0, 4}));
    // 5 to 25 spans the width; 10 to 15 starts at a quarter and is a quarter wide.
    EXPECT_EQ(RangeBar::span(5, 25, 5, 25, 200), (RangeBar::Span{0, 200}));
    EXPECT_EQ(RangeBar::span(10, 15, 5, 25, 200), (RangeBar::Span{50, 50}));
}

// ---- Sun and moon

TEST(AstronomyPanelTexts, MoonAgeAndAngles) {
    EXPECT_EQ(AstronomyPanel::age(0.034), "1 day");
    EXPECT_EQ(AstronomyPanel::age(0.03), "0 days");
    EXPECT_EQ(AstronomyPanel::age(0.5), "14 days");
    EXPECT_EQ(AstronomyPanel::age(std::numeric_limits<double>::infinity()), "—");
    EXPECT_EQ(AstronomyPanel::whole(12.9), "12");
    EXPECT_EQ(AstronomyPanel::whole(-0.4), "0");
    EXPECT_EQ(AstronomyPanel::sunPosition(-6.9, 187.2), "altitude -6° · azimuth 187°");
    EXPECT_EQ(AstronomyPanel::moonLine(0.624, 0.3), "62% illuminated · 8 days old");
}

TEST(AstronomyPanelTexts, PlaceIsTheNameBeforeTheFirstComma) {
    EXPECT_EQ(AstronomyPanel::place("Berlin, Berlin, Germany"), "Berlin");
    EXPECT_EQ(AstronomyPanel::place("Reykjavik"), "Reykjavik");
    EXPECT_EQ(AstronomyPanel::place(", Somewhere"), "");
}

TEST(AstronomyPanelTexts, PolarDayShowsDashes) {
    test::PinnedZone zone("Europe/Oslo", "de_DE");
    AstronomyMonitor::Snapshot polar;
    polar.sun.solarNoon = at("Europe/Oslo", 2026, 6, 21, 12, 41);
    const QTimeZone local = QTimeZone::systemTimeZone();
    const auto sun = AstronomyPanel::sunLines(polar, local);
    EXPECT_EQ(sun[0], (AstronomyPanel::Line{"Sunrise – sunset", "— – —"}));
    EXPECT_EQ(sun[1], (AstronomyPanel::Line{"Day length", "—"}));
    EXPECT_EQ(sun[2], (AstronomyPanel::Line{"Solar noon", "12:41"}));
    EXPECT_EQ(sun[3], (AstronomyPanel::Line{"Golden hour", "until — · from —"}));
    for (const auto& line : AstronomyPanel::twilightLines(polar.sun, local))
        EXPECT_EQ(line.value, "— – —") << line.label.toStdString();
}

TEST(AstronomyPanelTexts, SunAndMoonRows) {
    test::PinnedZone zone("Europe/Berlin", "de_DE");
    const QTimeZone local = QTimeZone::systemTimeZone();
    AstronomyMonitor::Snapshot s;
    s.sun.events["sunrise"] = at("Europe/Berlin", 2026, 12, 9, 8, 7);
    s.sun.events["sunset"] = at("Europe/Berlin", 2026, 12, 9, 15, 54);
    s.sun.events["goldenHourEnd"] = at("Europe/Berlin", 2026, 12, 9, 9, 20);
    s.sun.events["goldenHourStart"] = at("Europe/Berlin", 2026, 12, 9, 14, 41);
    s.sun.events["civilDawn"] = at("Europe/Berlin", 2026, 12, 9, 7, 25);
    s.sun.events["civilDusk"] = at("Europe/Berlin", 2026, 12, 9, 16, 36);
    s.moonAltitude = -12.7;
    s.moonDistance = 384400.9;
    const auto sun = AstronomyPanel::sunLines(s, local);
    EXPECT_EQ(sun[0].value, "08:07 – 15:54");
    EXPECT_EQ(sun[1].value, "7h 47m");
    EXPECT_EQ(sun[3].value, "until 09:20 · from 14:41");
    EXPECT_EQ(AstronomyPanel::twilightLines(s.sun, local)[0].value, "07:25 – 16:36");
    const auto moon = AstronomyPanel::moonLines(s, local, "en_US");
    EXPECT_EQ(moon[2], (AstronomyPanel::Line{"Altitude", "-12°"}));
    EXPECT_EQ(moon[3], (AstronomyPanel::Line{"Distance", "384,400 km"}));
    EXPECT_EQ(moon[4], (AstronomyPanel::Line{"Next full moon", "—"}));
    EXPECT_EQ(AstronomyPanel::moonLines(s, local, "de_DE")[3].value, "384.400 km");
}

TEST(AstronomyPanelTexts, TimelinePositions) {
    const QDateTime dayStart = at("UTC", 2026, 12, 9, 0, 0);
    EXPECT_EQ(SunTimeline::x(at("UTC", 2026, 12, 9, 6, 0), dayStart, 200), 50.0);
    // Not clamped: the evening before lies left of the bar.
    EXPECT_EQ(SunTimeline::x(at("UTC", 2026, 12, 8, 18, 0), dayStart, 200), -50.0);
    EXPECT_EQ(SunTimeline::x(std::nullopt, dayStart, 200), std::nullopt);
    SunCalc::SunTimes sun;
    sun.events["sunrise"] = at("UTC", 2026, 12, 9, 6, 0);
    EXPECT_EQ(SunTimeline::band(sun, "sunrise", "sunset", dayStart, 200), std::nullopt);
    sun.events["sunset"] = at("UTC", 2026, 12, 9, 18, 0);
    EXPECT_EQ(SunTimeline::band(sun, "sunrise", "sunset", dayStart, 200),
              (SunTimeline::Band{50, 100}));
}

// ---- Time

TEST(TimePanelTexts, OffsetDescriptions) {
    struct Case {
        const char* local;
        QDateTime now;
        const char* zone;
        const char* expected;
    };
    const Case cases[] = {
        {"Europe/Berlin", at("Europe/Berlin", 2026, 12, 9, 12, 0), "Europe/Berlin",
         "Today, same time"},
        {"Europe/Berlin", at("Europe/Berlin", 2026, 12, 9, 12, 0), "Europe/Paris",
         "Today, same time"},
        {"Europe/Berlin", at("Europe/Berlin", 2026, 12, 9, 22, 0), "Australia/Brisbane",
         "Tomorrow, 9 h ahead"},
        {"Asia/Kolkata", at("Asia/Kolkata", 2026, 12, 9, 2, 0), "UTC", "Yesterday, 5.5 h behind"},
        {"UTC", at("UTC", 2026, 12, 9, 12, 0), "Asia/Kathmandu", "Today, 5.8 h ahead"},
        {"UTC", at("UTC", 2026, 12, 9, 10, 0), "Pacific/Chatham", "Today, 13.8 h ahead"},
        {"America/New_York", at("America/New_York", 2026, 12, 9, 12, 0), "Asia/Tokyo",
         "Tomorrow, 14 h ahead"},
        // Two calendar days ahead still reads "Tomorrow".
        {"Pacific/Pago_Pago", at("Pacific/Pago_Pago", 2026, 12, 9, 23, 30), "Pacific/Kiritimati",
         "Tomorrow, 25 h ahead"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TimePanel::offsetDescription(QTimeZone(c.zone), c.now, QTimeZone(c.local)),
                  c.expected)
            << c.zone;
}

TEST(TimePanelTexts, CityLabelsAndDaySymbols) {
    EXPECT_EQ(TimePanel::cityLabel("America/New_York"), "New York");
    EXPECT_EQ(TimePanel::cityLabel("America/Argentina/Buenos_Aires"), "Buenos Aires");
    EXPECT_EQ(TimePanel::cityLabel("UTC"), "UTC");
    EXPECT_EQ(TimePanel::cityLabel("Etc/GMT+5"), "GMT+5");
    EXPECT_EQ(TimePanel::cityLabel("America/Indiana/Knox"), "Knox");
    EXPECT_EQ(TimePanel::cityLabel("//"), "//");
    const QTimeZone tokyo("Asia/Tokyo");
    EXPECT_EQ(TimePanel::daySymbol(tokyo, at("Asia/Tokyo", 2026, 12, 9, 6, 59)), "moon");
    EXPECT_EQ(TimePanel::daySymbol(tokyo, at("Asia/Tokyo", 2026, 12, 9, 7, 0)), "sun.max");
    EXPECT_EQ(TimePanel::daySymbol(tokyo, at("Asia/Tokyo", 2026, 12, 9, 18, 59)), "sun.max");
    EXPECT_EQ(TimePanel::daySymbol(tokyo, at("Asia/Tokyo", 2026, 12, 9, 19, 0)), "moon");
    EXPECT_EQ(TimePanel::heroTime("9:00 AM"), (HeroValue::Content{"9:00", " AM"}));
    EXPECT_EQ(TimePanel::heroTime("9:00\u202fPM"), (HeroValue::Content{"9:00", "\u202fPM"}));
    EXPECT_EQ(TimePanel::heroTime("21:00"), (HeroValue::Content{"21:00", std::nullopt}));
    EXPECT_EQ(TimePanel::heroTime("오후 9:00"), (HeroValue::Content{"오후 9:00", std::nullopt}));
    EXPECT_EQ(TimePanel::heroTime("—"), (HeroValue::Content{"—", std::nullopt}));
    EXPECT_EQ(TimePanel::capitalized("midnight"), "Midnight");
    EXPECT_EQ(TimePanel::capitalized(""), "");
}

// ---- Month calendar

int dates(const CalendarMonth::Row& row) {
    return int(std::count_if(row.cells.begin(), row.cells.end(),
                             [](const auto& c) { return c.has_value(); }));
}

TEST(MonthCalendarGrid, MonthStartingOnSundayWithMondayFirst) {
    const QTimeZone utc("UTC");
    // March 2026 begins on a Sunday and has 31 days.
    const auto german = CalendarMonth::grid(at("UTC", 2026, 3, 15, 12, 0), 0, "de_DE", utc);
    ASSERT_EQ(german.rows.size(), 6u);
    EXPECT_EQ(german.rows[0].cells.size(), 7u);
    EXPECT_FALSE(german.rows[0].cells[0].has_value());
    EXPECT_EQ(german.rows[0].cells[6]->date, QDate(2026, 3, 1));
    EXPECT_EQ(dates(german.rows[5]), 2);
    EXPECT_EQ(german.rows[5].cells.size(), 2u);
    EXPECT_EQ(german.weekdays.first(), "M");
    EXPECT_EQ(german.weekdays.last(), "S");
    // The first row carries the week of the 1st (ISO week 9), though it starts with blanks.
    EXPECT_EQ(german.rows[0].week, "9");
    EXPECT_EQ(german.rows[1].week, "10");

    const auto american = CalendarMonth::grid(at("UTC", 2026, 3, 15, 12, 0), 0, "en_US", utc);
    ASSERT_EQ(american.rows.size(), 5u);
    EXPECT_EQ(american.rows[0].cells[0]->date, QDate(2026, 3, 1));
    EXPECT_EQ(american.weekdays, QStringList({"S", "M", "T", "W", "T", "F", "S"}));
    EXPECT_EQ(american.title, "March 2026");
    // Today on the 15th; weekends on Saturday and Sunday.
    const auto& fifteenth = american.rows[2].cells[0];
    EXPECT_EQ(fifteenth->date, QDate(2026, 3, 15));
    EXPECT_TRUE(fifteenth->isToday);
    EXPECT_TRUE(fifteenth->isWeekend);
    EXPECT_FALSE(american.rows[2].cells[1]->isWeekend);
}

TEST(MonthCalendarGrid, FebruaryStartingOnTheFirstWeekdayTakesFourRows) {
    const auto grid =
        CalendarMonth::grid(at("UTC", 2027, 2, 10, 12, 0), 0, "de_DE", QTimeZone("UTC"));
    ASSERT_EQ(grid.rows.size(), 4u);
    for (const auto& row : grid.rows)
        EXPECT_EQ(dates(row), 7);
}

TEST(MonthCalendarGrid, PagingAcrossTheYearAndTheTodayMark) {
    const QDateTime now = at("UTC", 2026, 12, 9, 12, 0);
    const auto next = CalendarMonth::grid(now, 1, "en_US", QTimeZone("UTC"));
    EXPECT_EQ(next.title, "January 2027");
    EXPECT_EQ(next.shown, QDate(2027, 1, 1));
    for (const auto& row : next.rows)
        for (const auto& cell : row.cells)
            EXPECT_FALSE(cell && cell->isToday);
    EXPECT_EQ(CalendarMonth::grid(now, -12, "en_US", QTimeZone("UTC")).title, "December 2025");
    // Today is taken in the zone: 20:00 UTC is already the 10th in Kolkata.
    const auto kolkata =
        CalendarMonth::grid(at("UTC", 2026, 12, 9, 20, 0), 0, "en_US", QTimeZone("Asia/Kolkata"));
    QList<int> todays;
    for (const auto& row : kolkata.rows)
        for (const auto& cell : row.cells)
            if (cell && cell->isToday)
                todays.append(cell->date.day());
    EXPECT_EQ(todays, QList<int>{10});
}

TEST(MonthCalendarGrid, WeekendFollowsTheLocale) {
    // Egypt: Saturday first, Friday and Saturday are the weekend.
    const auto grid =
        CalendarMonth::grid(at("UTC", 2026, 12, 9, 12, 0), 0, "ar_EG", QTimeZone("UTC"));
    for (const auto& row : grid.rows)
        for (const auto& cell : row.cells)
            if (cell) {
                EXPECT_EQ(cell->isWeekend,
                          cell->date.dayOfWeek() == 5 || cell->date.dayOfWeek() == 6)
                    << cell->date.toString(Qt::ISODate).toStdString();
            }
}

// ---- Events

CalendarEvent event(const QString& id, QDateTime start, QDateTime end, bool allDay = false) {
    CalendarEvent e;
    e.id = id;
    e.title = id;
    e.start = std::move(start);
    e.end = std::move(end);
    e.isAllDay = allDay;
    return e;
}

TEST(EventsCardTexts, GroupingByDay) {
    const QTimeZone local("Europe/Berlin");
    const QDateTime now = at("Europe/Berlin", 2026, 12, 9, 10, 0);
    const std::vector<CalendarEvent> events = {
        event("overnight", at("Europe/Berlin", 2026, 12, 8, 22, 0),
              at("Europe/Berlin", 2026, 12, 9, 2, 0)),
        event("standup", at("Europe/Berlin", 2026, 12, 9, 11, 0),
              at("Europe/Berlin", 2026, 12, 9, 11, 15)),
        event("friday", at("Europe/Berlin", 2026, 12, 11, 9, 0),
              at("Europe/Berlin", 2026, 12, 11, 10, 0)),
        event("tomorrow", at("Europe/Berlin", 2026, 12, 10, 0, 0),
              at("Europe/Berlin", 2026, 12, 11, 0, 0), true),
    };
    const auto groups = EventsCard::grouped(events, now, local);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].day, QDate(2026, 12, 9));
    ASSERT_EQ(groups[0].events.size(), 2u);
    EXPECT_EQ(groups[0].events[0].id, "overnight");
    EXPECT_EQ(groups[1].day, QDate(2026, 12, 10));
    EXPECT_EQ(groups[2].day, QDate(2026, 12, 11));
    EXPECT_TRUE(EventsCard::grouped({}, now, local).empty());
}

TEST(EventsCardTexts, DayTitlesAndEmptyText) {
    const QTimeZone local("America/New_York");
    const QDateTime now = at("America/New_York", 2026, 12, 9, 23, 0);
    EXPECT_EQ(EventsCard::dayTitle(QDate(2026, 12, 9), now, local, "en_US"), "Today");
    EXPECT_EQ(EventsCard::dayTitle(QDate(2026, 12, 10), now, local, "en_US"), "Tomorrow");
    EXPECT_EQ(EventsCard::dayTitle(QDate(2026, 12, 11), now, local, "en_US"),
              "Friday, December 11");
    EXPECT_EQ(EventsCard::emptyText(1), "Nothing else today.");
    EXPECT_EQ(EventsCard::emptyText(3), "Nothing in the next 3 days.");
    EXPECT_EQ(EventsCard::emptyText(0), "Nothing in the next 0 days.");
}

TEST(EventsCardTexts, DetailLine) {
    test::PinnedZone zone("Europe/Berlin", "de_DE");
    const QTimeZone local = QTimeZone::systemTimeZone();
    CalendarEvent e =
        event("e", at("Europe/Berlin", 2026, 12, 8, 22, 0), at("Europe/Berlin", 2026, 12, 9, 2, 0));
    EXPECT_EQ(EventRow::detail(e, local), "22:00 – 02:00");
    e.location = "Room 4";
    EXPECT_EQ(EventRow::detail(e, local), "22:00 – 02:00 · Room 4");
    e.meetingURL = QUrl("https://meet.example/abc");
    EXPECT_EQ(EventRow::detail(e, local), "22:00 – 02:00 · Room 4");
    e.location = "https://meet.example/abc";
    EXPECT_EQ(EventRow::detail(e, local), "22:00 – 02:00");
    e.location = "HTTPS://MEET.EXAMPLE";
    EXPECT_EQ(EventRow::detail(e, local), "22:00 – 02:00 · HTTPS://MEET.EXAMPLE");
    e.meetingURL.reset();
    e.location = "https://meet.example/abc";
    EXPECT_EQ(EventRow::detail(e, local), "22:00 – 02:00 · https://meet.example/abc");
    e.isAllDay = true;
    e.location.reset();
    EXPECT_EQ(EventRow::detail(e, local), "All day");
}

TEST(EventsCardTexts, NowAndJoinPills) {
    const QDateTime start = at("UTC", 2026, 12, 9, 10, 0);
    CalendarEvent timed = event("t", start, start.addSecs(3600));
    timed.meetingURL = QUrl("https://meet.example/abc");
    EXPECT_FALSE(EventRow::showsJoin(timed, start.addSecs(-900)));
    EXPECT_TRUE(EventRow::showsJoin(timed, start.addSecs(-899)));
    EXPECT_FALSE(EventRow::showsNow(timed, start.addSecs(-1)));
    EXPECT_TRUE(EventRow::showsNow(timed, start));
    EXPECT_TRUE(EventRow::showsJoin(timed, start.addSecs(3599)));
    EXPECT_FALSE(EventRow::showsNow(timed, start.addSecs(3600)));
    EXPECT_FALSE(EventRow::showsJoin(timed, start.addSecs(3600)));
    CalendarEvent allDay = event("a", start, start.addDays(1), true);
    allDay.meetingURL = timed.meetingURL;
    EXPECT_FALSE(EventRow::showsNow(allDay, start.addSecs(60)));
    EXPECT_TRUE(EventRow::showsJoin(allDay, start.addSecs(-600)));
    allDay.meetingURL.reset();
    EXPECT_FALSE(EventRow::showsJoin(allDay, start.addSecs(60)));
}

// ---- Next event

TEST(NextEventRowTexts, WhenLine) {
    const QTimeZone local("Europe/Berlin");
    const QDateTime start = at("Europe/Berlin", 2026, 12, 9, 10, 0);
    CalendarEvent e = event("e", start, start.addSecs(1800));
    e.location = "https://meet.example/abc";
    e.meetingURL = QUrl("https://meet.example/abc");
    const auto when = [&](const QDateTime& now) {
        return NextEventRow::when(e, now, local, "de_DE");
    };
    test::PinnedZone zone("Europe/Berlin", "de_DE");
    EXPECT_EQ(when(start), "Now · until 10:30");
    EXPECT_EQ(when(start.addSecs(-30)), "In 1 min · 10:00");
    EXPECT_EQ(when(start.addMSecs(-(59 * 60 + 59) * 1000)), "In 59 min · 10:00");
    EXPECT_EQ(when(start.addSecs(-900)), "In 15 min · 10:00");
    // An hour ahead: the start and the place, even a web address.
    EXPECT_EQ(when(start.addSecs(-3600)), "10:00 · https://meet.example/abc");
    e.location.reset();
    EXPECT_EQ(when(start.addSecs(-3600)), "10:00");
    // Another day: the weekday with the time, in the locale's order.
    e.location = "Room 4";
    EXPECT_EQ(when(start.addDays(-1)), "Mi., 10:00 · Room 4");
    const QString american = NextEventRow::when(e, start.addDays(-1).addSecs(-36000),
                                                QTimeZone("America/New_York"), "en_US");
    EXPECT_TRUE(american.startsWith("Wed 4:00")) << american.toStdString();
    EXPECT_TRUE(american.endsWith("AM · Room 4")) << american.toStdString();

    EXPECT_FALSE(NextEventRow::showsJoin(e, start.addSecs(-900)));
    EXPECT_TRUE(NextEventRow::showsJoin(e, start.addSecs(-899)));
    EXPECT_TRUE(NextEventRow::showsJoin(e, start.addSecs(600)));
}

} // namespace
