#include "base/FuzzyClock.h"
#include "support/FakeDesktopPrograms.h"
#include "support/GallerySheet.h"
#include "support/HubFixture.h"
#include "support/TestEnv.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/PillButton.h"
#include "ui/kit/TextLine.h"
#include "ui/panels/AstronomyPanel.h"
#include "ui/panels/EventsCard.h"
#include "ui/panels/MonthCalendar.h"
#include "ui/panels/NextEventRow.h"
#include "ui/panels/PanelZone.h"
#include "ui/panels/TimePanel.h"
#include "ui/panels/WeatherPanel.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

// Every text a widget tree shows, in tree order.
QStringList texts(const QWidget* root) {
    QStringList result;
    for (const QLabel* label : root->findChildren<QLabel*>()) {
        if (const auto* line = qobject_cast<const TextLine*>(label))
            result.append(line->fullText());
        else
            result.append(label->text());
    }
    return result;
}

PanelHeader* header(const QWidget* panel) {
    return panel->findChild<PanelHeader*>();
}

PanelEnv envFor(test::HubFixture& f, Appearance appearance = Appearance::light) {
    PanelEnv env;
    env.hub = f.hub.get();
    env.settings = &f.settings;
    env.appearance = appearance;
    env.openLink = [](platform::SystemLink) {};
    env.openURL = [](const QUrl&) {};
    return env;
}

WeatherReport sampleReport(const QDateTime& now, int dayCount) {
    WeatherReport report;
    report.location.name = "Berlin, Berlin, Germany";
    report.timeZone = QTimeZone("Europe/Berlin");
    report.current.temperature = 4.6;
    report.current.apparent = 1.2;
    report.current.humidity = 81;
    report.current.dewPoint = 1.5;
    report.current.windSpeed = 14;
    report.current.windDirection = 310;
    report.current.windGusts = 32;
    report.current.pressure = 1013.8;
    report.current.visibility = 24140;
    report.current.uvIndex = 0.4;
    report.current.precipitation = 0.2;
    report.current.cloudCover = 75;
    report.current.code = 2;
    report.current.isDay = true;
    const QDate today = now.toTimeZone(report.timeZone).date();
    const std::int64_t codes[] = {2, 61, 3, 0, 71, 80, 95};
    for (int i = 0; i < dayCount; ++i) {
        WeatherDay day;
        day.date = today.addDays(i).startOfDay(report.timeZone);
        day.code = codes[i % 7];
        day.low = -2 + (i * 3) % 7;
        day.high = day.low + 4 + (i * 5) % 6;
        if (i % 2 == 1)
            day.precipitationChance = 15.0 * i;
        report.days.push_back(day);
    }
    report.fetched = now;
    return report;
}

void settle() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

void release(QWidget* widget, QPoint at = {3, 3}) {
    QMouseEvent event(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

CalendarEvent sampleEvent(const QString& id, const QDateTime& start, int minutes) {
    CalendarEvent e;
    e.id = id;
    e.title = id;
    e.start = start;
    e.end = start.addSecs(minutes * 60);
    e.calendarID = "work";
    e.calendarTitle = "Work";
    e.color = {0x35, 0x84, 0xe4};
    return e;
}

// ---- Weather

TEST(WeatherPanel, WaitsUntilAReportArrives) {
    test::HubFixture f;
    WeatherPanel panel(envFor(f));
    ASSERT_NE(header(&panel), nullptr);
    EXPECT_EQ(header(&panel)->titleLine()->fullText(), "Weather");
    EXPECT_EQ(header(&panel)->subtitleLine()->fullText(), "Unavailable");
    EXPECT_TRUE(texts(&panel).contains("Weather will load shortly."));
}

TEST(WeatherPanel, ShowsTheReportAndFollowsTheChosenLength) {
    test::HubFixture f;
    f.hub->weather.setReport(sampleReport(f.now, 14));
    WeatherPanel panel(envFor(f));
    EXPECT_EQ(header(&panel)->titleLine()->fullText(), "Berlin, Berlin, Germany");
    const QStringList shown = texts(&panel);
    EXPECT_TRUE(shown.contains("Conditions"));
    EXPECT_TRUE(shown.contains("1013 hPa"));
    EXPECT_TRUE(shown.contains("24.1 km"));
    EXPECT_TRUE(shown.contains("low – high"));
    EXPECT_TRUE(shown.contains("Today"));
    EXPECT_EQ(panel.findChildren<QWidget*>("forecastDay").size(), 7);

    auto* picker = panel.findChild<ForecastLengthPicker*>();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->accessibleName(), "Forecast length");
    picker->segment(3)->click();
    settle();
    EXPECT_EQ(panel.days(), 3);
    EXPECT_EQ(panel.findChildren<QWidget*>("forecastDay").size(), 3);
    panel.findChild<ForecastLengthPicker*>()->segment(14)->click();
    settle();
    EXPECT_EQ(panel.findChildren<QWidget*>("forecastDay").size(), 14);

    // Fewer days than chosen: no placeholder rows.
    f.hub->weather.setReport(sampleReport(f.now, 5));
    emit f.hub->changed();
    EXPECT_EQ(panel.findChildren<QWidget*>("forecastDay").size(), 5);
}

// ---- Sun and moon

TEST(AstronomyPanel, WaitsForALocationThenShowsSunAndMoon) {
    test::HubFixture f;
    AstronomyPanel panel(envFor(f));
    EXPECT_EQ(header(&panel)->subtitleLine()->fullText(), "Waiting for location");

    f.hub->astronomy.update(WeatherLocation{"Berlin, Berlin, Germany", 52.52, 13.405});
    emit f.hub->changed();
    const QString subtitle = header(&panel)->subtitleLine()->fullText();
    EXPECT_TRUE(subtitle == "Sunrise · Berlin" || subtitle == "Sunset · Berlin")
        << subtitle.toStdString();
    const QStringList shown = texts(&panel);
    for (const char* title : {"Sun", "Twilight", "Moon", "Day length", "Next full moon"})
        EXPECT_TRUE(shown.contains(title)) << title;
    EXPECT_NE(panel.findChild<SunTimeline*>(), nullptr);
}

// ---- Time

TEST(TimePanel, ShowsClocksFiguresAndTheCalendar) {
    test::HubFixture f;
    f.settings.update([](Config& c) {
        c.worldClocks = {"America/New_York", "Not/AZone", "Asia/Tokyo"};
        c.showEvents = false;
    });
    f.hub->cpu.uptime = 3 * 86400 + 4 * 3600 + 12 * 60;
    TimePanel panel(envFor(f));
    EXPECT_EQ(header(&panel)->subtitleLine()->fullText(),
              TimePanel::capitalized(FuzzyClock::string(f.now)));
    const QStringList shown = texts(&panel);
    EXPECT_TRUE(shown.contains("World Clocks"));
    EXPECT_TRUE(shown.contains("New York"));
    EXPECT_TRUE(shown.contains("Tokyo"));
    EXPECT_TRUE(shown.contains("3d 4h 12m"));
    EXPECT_TRUE(shown.contains("Day of year"));
    EXPECT_EQ(panel.findChild<QWidget*>("Not/AZone"), nullptr);
    EXPECT_EQ(panel.findChild<EventsCard*>(), nullptr);

    f.settings.update([](Config& c) {
        c.worldClocks = {};
        c.showEvents = true;
    });
    EXPECT_FALSE(texts(&panel).contains("World Clocks"));
    EXPECT_NE(panel.findChild<EventsCard*>(), nullptr);
}

TEST(TimePanel, PagesTheMonthAndComesBackToToday) {
    test::PinnedZone zone("UTC", "en_US");
    test::HubFixture f;
    TimePanel panel(envFor(f));
    auto* month = panel.findChild<CalendarMonth*>();
    ASSERT_NE(month, nullptr);
    const QString current = month->title()->fullText();
    EXPECT_EQ(month->todayButton()->color(), color(Tint::tertiaryText, Appearance::light));

    month->previous()->click();
    settle();
    EXPECT_EQ(panel.monthOffset(), -1);
    month = panel.findChild<CalendarMonth*>();
    EXPECT_NE(month->title()->fullText(), current);
    EXPECT_EQ(month->todayButton()->color(), color(Tint::secondaryText, Appearance::light));

    release(month->todayButton());
    settle();
    EXPECT_EQ(panel.monthOffset(), 0);
    EXPECT_EQ(panel.findChild<CalendarMonth*>()->title()->fullText(), current);
}

TEST(CalendarMonth, WeekNumbersCanBeHidden) {
    test::PinnedZone zone("UTC", "de_DE");
    const QDateTime now(QDate(2026, 3, 15), QTime(12, 0), QTimeZone::utc());
    CalendarMonth with(
        0, true, [](int) {}, now, Appearance::light);
    EXPECT_TRUE(texts(&with).contains("Wk"));
    EXPECT_EQ(with.findChildren<QWidget*>("week").size(), 6);
    CalendarMonth without(
        0, false, [](int) {}, now, Appearance::light);
    EXPECT_FALSE(texts(&without).contains("Wk"));
    EXPECT_TRUE(without.findChildren<QWidget*>("week").isEmpty());
}

// ---- Events

TEST(EventsCard, FollowsTheAccessStates) {
    test::HubFixture f;
    std::optional<platform::SystemLink> opened;
    PanelEnv env = envFor(f);
    env.openLink = [&](platform::SystemLink link) { opened = link; };

    f.hub->calendar.setEvents(CalendarEvents::Access::notAsked,
                              {sampleEvent("hidden", f.now.addSecs(3600), 30)});
    {
        EventsCard card(3, env);
        EXPECT_TRUE(texts(&card).contains(
            "See upcoming events from Evolution or ~/.local/share/calendars here."));
        ASSERT_NE(card.accessButton(), nullptr);
        EXPECT_EQ(card.accessButton()->title(), "Show Calendar Events");
        EXPECT_TRUE(card.accessButton()->isProminent());
        EXPECT_TRUE(card.findChildren<EventRow*>().isEmpty());
    }
    f.hub->calendar.setEvents(CalendarEvents::Access::denied, {});
    // The way to the desktop's accounts is offered only where a program for them is installed.
    const test::FakeDesktopPrograms gnome(
        {{"gnome-control-center", "org.gnome.Settings.desktop", "Settings"}});
    const test::FakeDesktopPrograms kde(
        {{"systemsettings", "systemsettings.desktop", "System Settings"}});
    const test::FakeDesktopPrograms bare({{"gnome-system-monitor", nullptr, nullptr}});
    for (const test::FakeDesktopPrograms* desktop : {&gnome, &kde}) {
        env.linkName = desktop->linkName();
        opened.reset();
        EventsCard card(3, env);
        EXPECT_TRUE(
            texts(&card).contains("No calendars found in Evolution or ~/.local/share/calendars."));
        ASSERT_NE(card.accessButton(), nullptr);
        EXPECT_EQ(card.accessButton()->title(), "Open Online Accounts…");
        EXPECT_FALSE(card.accessButton()->isProminent());
        card.accessButton()->click();
        EXPECT_EQ(opened, platform::SystemLink::calendarPrivacySettings);
    }
    {
        env.linkName = bare.linkName();
        EventsCard card(3, env);
        EXPECT_TRUE(
            texts(&card).contains("No calendars found in Evolution or ~/.local/share/calendars."));
        EXPECT_EQ(card.accessButton(), nullptr);
        EXPECT_FALSE(texts(&card).contains("Open Online Accounts…"));
    }
    f.hub->calendar.setEvents(CalendarEvents::Access::granted, {});
    {
        EventsCard one(1, env);
        EXPECT_TRUE(texts(&one).contains("Nothing else today."));
        EventsCard seven(7, env);
        EXPECT_TRUE(texts(&seven).contains("Nothing in the next 7 days."));
    }
}

TEST(EventsCard, ListsEventsUnderDayHeadingsAndOpensThem) {
    test::HubFixture f;
    std::optional<platform::SystemLink> opened;
    std::optional<QUrl> joined;
    PanelEnv env = envFor(f);
    env.openLink = [&](platform::SystemLink link) { opened = link; };
    env.openURL = [&](const QUrl& url) { joined = url; };

    CalendarEvent running = sampleEvent("running", f.now.addSecs(-600), 30);
    running.meetingURL = QUrl("https://meet.example/run");
    const CalendarEvent later = sampleEvent("tomorrow", f.now.addDays(1), 60);
    f.hub->calendar.setEvents(CalendarEvents::Access::granted, {running, later});
    EventsCard card(3, env);
    const QStringList shown = texts(&card);
    EXPECT_FALSE(shown.contains("Events"));
    EXPECT_TRUE(shown.contains("Today"));
    EXPECT_TRUE(shown.contains("Tomorrow"));
    const auto rows = card.findChildren<EventRow*>();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_NE(rows[0]->nowPill(), nullptr);
    ASSERT_NE(rows[0]->joinPill(), nullptr);
    EXPECT_EQ(rows[1]->nowPill(), nullptr);
    EXPECT_EQ(rows[1]->joinPill(), nullptr);
    EXPECT_EQ(rows[0]->toolTip(), "Open in Calendar");

    rows[0]->joinPill()->click();
    EXPECT_EQ(joined, QUrl("https://meet.example/run"));
    EXPECT_FALSE(opened);
    release(rows[1]);
    EXPECT_EQ(opened, platform::SystemLink::calendar);
}

TEST(NextEventRow, TapOpensTheTimePanelAndJoinTheCall) {
    test::HubFixture f;
    std::optional<ModuleKind> module;
    std::optional<QUrl> joined;
    PanelEnv env = envFor(f);
    env.openModule.action = [&](ModuleKind kind, std::optional<std::int32_t>) { module = kind; };
    env.openURL = [&](const QUrl& url) { joined = url; };
    CalendarEvent soon = sampleEvent("Design review", f.now.addSecs(300), 30);
    soon.meetingURL = QUrl("https://meet.example/review");
    NextEventRow row(env, soon);
    EXPECT_TRUE(row.whenLine()->fullText().startsWith("In 5 min · "));
    ASSERT_NE(row.joinPill(), nullptr);
    row.joinPill()->click();
    EXPECT_EQ(joined, soon.meetingURL);
    EXPECT_FALSE(module);
    release(&row);
    EXPECT_EQ(module, ModuleKind::time);

    // Exactly 15 minutes ahead: no pill yet.
    NextEventRow later(env, sampleEvent("Later", f.now.addSecs(900), 30));
    EXPECT_EQ(later.joinPill(), nullptr);
}

// ---- Gallery

QImage render(QWidget* panel, Appearance appearance) {
    test::GallerySheet sheet(appearance, QMargins(10, 6, 10, 6), -1); // -1: the style's spacing
    sheet.column->addWidget(panel);
    sheet.column->addStretch(1);
    sheet.resize(340, sheet.sizeHint().height());
    sheet.show();
    sheet.resize(340, sheet.sizeHint().height());
    QCoreApplication::processEvents();
    QImage image(sheet.size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    sheet.render(&image);
    return image;
}

// Renders every panel and its waiting state in both appearances, to the scratch folder or to
// MORVANEX_PANEL_GALLERY when set.
TEST(EnvironmentPanelGallery, RendersEveryPanelDarkAndLight) {
    test::PinnedZone zone("Europe/Berlin", "en_US");
    QString folder = qEnvironmentVariable("MORVANEX_PANEL_GALLERY");
    if (folder.isEmpty())
        folder = test::scratchDir();
    QDir().mkpath(folder);

    test::HubFixture empty;
    test::HubFixture f;
    f.hub->weather.setReport(sampleReport(f.now, 14));
    f.hub->astronomy.update(WeatherLocation{"Berlin, Berlin, Germany", 52.52, 13.405});
    f.hub->cpu.uptime = 3 * 86400 + 4 * 3600 + 12 * 60;
    CalendarEvent standup = sampleEvent("Team standup", f.now.addSecs(-300), 15);
    standup.meetingURL = QUrl("https://meet.example/standup");
    standup.location = "https://meet.example/standup";
    CalendarEvent lunch = sampleEvent("Lunch with Alex", f.now.addSecs(4 * 3600), 60);
    lunch.location = "Café Central";
    lunch.color = {0xe0, 0x1b, 0x24};
    CalendarEvent holiday = sampleEvent("Company holiday", f.now.addDays(1), 24 * 60);
    holiday.isAllDay = true;
    holiday.color = {0x2e, 0xc2, 0x7e};
    f.hub->calendar.setEvents(CalendarEvents::Access::granted, {standup, lunch, holiday});
    empty.hub->calendar.setEvents(CalendarEvents::Access::denied, {});

    const std::pair<const char*, std::function<QWidget*(Appearance)>> panels[] = {
        {"weather", [&](Appearance a) { return new WeatherPanel(envFor(f, a)); }},
        {"weather-waiting", [&](Appearance a) { return new WeatherPanel(envFor(empty, a)); }},
        {"astronomy", [&](Appearance a) { return new AstronomyPanel(envFor(f, a)); }},
        {"astronomy-waiting", [&](Appearance a) { return new AstronomyPanel(envFor(empty, a)); }},
        {"time", [&](Appearance a) { return new TimePanel(envFor(f, a)); }},
        {"time-denied", [&](Appearance a) { return new TimePanel(envFor(empty, a)); }},
        {"next-event",
         [&](Appearance a) {
             auto* column = new QWidget;
             auto* layout = new QVBoxLayout(column);
             layout->setContentsMargins(0, 0, 0, 0);
             layout->addWidget(new NextEventRow(envFor(f, a), standup));
             layout->addWidget(new NextEventRow(envFor(f, a), lunch));
             return column;
         }},
    };
    for (const auto& [name, make] : panels)
        for (const Appearance appearance : {Appearance::light, Appearance::dark}) {
            SCOPED_TRACE(name);
            const QImage image = render(make(appearance), appearance);
            EXPECT_EQ(image.width(), 2 * 340);
            EXPECT_GT(image.height(), 2 * 40);
            const QRgb background = color(Tint::windowBackground, appearance).rgba();
            bool drawn = false;
            for (int y = 0; y < image.height() && !drawn; y += 2)
                for (int x = 0; x < image.width() && !drawn; x += 2)
                    drawn = image.pixel(x, y) != background;
            EXPECT_TRUE(drawn);
            EXPECT_TRUE(image.save(
                QString("%1/%2-%3.png")
                    .arg(folder, name, appearance == Appearance::dark ? "dark" : "light")));
        }
}

} // namespace

namespace {

// The time panel in a locale with Monday first and a 24-hour clock.
TEST(EnvironmentPanelGallery, RendersTheTimePanelInGerman) {
    test::PinnedZone zone("Europe/Berlin", "de_DE");
    QString folder = qEnvironmentVariable("MORVANEX_PANEL_GALLERY");
    if (folder.isEmpty())
        folder = test::scratchDir();
    test::HubFixture f;
    f.hub->calendar.setEvents(CalendarEvents::Access::granted, {});
    const QImage image = render(new TimePanel(envFor(f)), Appearance::light);
    EXPECT_GT(image.height(), 2 * 40);
    EXPECT_TRUE(image.save(folder + "/time-de-light.png"));
}

} // namespace
