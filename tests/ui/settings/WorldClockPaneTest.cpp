#include "ui/settings/WorldClockPane.h"

#include "PaneTestSupport.h"
#include "support/FakeDesktopPrograms.h"
#include "support/FixtureTree.h"
#include "support/Wait.h"
#include "ui/settings/CalendarPane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

using namespace morvanex;
using namespace morvanex::ui;
using morvanex::test::HubFixture;

namespace {

const QByteArrayList zones{"Africa/Lisbon_Test", "America/New_York",  "America/Newport",
                           "Asia/Tokyo",         "Europe/Lisbon",     "Europe/London",
                           "Europe/Berlin",      "Europe/Bern",       "Europe/Belgrade",
                           "Europe/Brussels",    "Europe/Bratislava", "Europe/Busingen",
                           "Europe/Bucharest",   "Europe/Budapest"};

} // namespace

TEST(WorldClockPane, CityNames) {
    const std::pair<const char*, const char*> rows[] = {
        {"America/New_York", "New York"},
        {"America/Argentina/Buenos_Aires", "Buenos Aires"},
        {"UTC", "UTC"},
        {"Etc/", "Etc"},
        {"", ""},
        {"//", "//"},
    };
    for (const auto& [identifier, city] : rows)
        EXPECT_EQ(WorldClockPane::cityName(QString::fromUtf8(identifier)), QString::fromUtf8(city));
}

TEST(WorldClockPane, SuggestionsMatchTrimmedCaseInsensitiveTermsNotYetListed) {
    const QStringList listed{"America/New_York", "Europe/London"};
    struct Row {
        const char* query;
        QStringList expected;
    };
    const Row rows[] = {
        {"L", {}},      // one character offers nothing
        {"  L \t", {}}, // ...also after trimming
        {"li", {"Africa/Lisbon_Test", "Europe/Lisbon", "Europe/Berlin"}},
        {" LISBON ", {"Africa/Lisbon_Test", "Europe/Lisbon"}},
        {"new york", {}}, // already listed
        {"new", {"America/Newport"}},
        {"lisbon test", {"Africa/Lisbon_Test"}}, // inner space is "_"
        {"London", {}},
        {"Europe/B",
         {"Europe/Berlin", "Europe/Bern", "Europe/Belgrade", "Europe/Brussels", "Europe/Bratislava",
          "Europe/Busingen"}}, // at most six, in database order
        {"xx", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.query);
        EXPECT_EQ(WorldClockPane::matches(QString::fromUtf8(row.query), listed, zones),
                  row.expected);
    }
    // The real database offers the default's two-word city.
    EXPECT_TRUE(
        WorldClockPane::matches(QStringLiteral("new york"), {}, QTimeZone::availableTimeZoneIds())
            .contains("America/New_York"));
}

TEST(WorldClockPane, AddCheckAndRemoveClocks) {
    HubFixture fixture;
    fixture.settings.update([](Config& c) {
        c.worldClocks = {"America/New_York", "Mars/Olympus_Mons"};
        c.menubarClocks = {"America/New_York"};
    });
    WorldClockPane pane(test::paneEnv(fixture), zones);
    // A zone the database does not know shows no time but can be removed.
    QWidget* mars = test::child<QWidget>(&pane, QStringLiteral("clock-Mars/Olympus_Mons"));
    ASSERT_NE(mars, nullptr);
    EXPECT_EQ(test::child<QLabel>(mars, QStringLiteral("time")), nullptr);
    QWidget* newYork = test::child<QWidget>(&pane, QStringLiteral("clock-America/New_York"));
    ASSERT_NE(test::child<QLabel>(newYork, QStringLiteral("time")), nullptr);
    EXPECT_FALSE(test::child<QLabel>(newYork, QStringLiteral("time"))->text().isEmpty());
    EXPECT_TRUE(test::shownTexts(newYork).contains("New York"));

    auto* query = test::child<QLineEdit>(&pane, QStringLiteral("zoneQuery"));
    query->setText(QStringLiteral("tok"));
    QList<QPushButton*> adds = pane.findChildren<QPushButton*>(QStringLiteral("add"));
    ASSERT_EQ(adds.size(), 1);
    EXPECT_EQ(adds[0]->text(), "Add Asia/Tokyo");
    adds[0]->click();
    test::settle();
    EXPECT_EQ(fixture.settings.config().worldClocks,
              QStringList({"America/New_York", "Mars/Olympus_Mons", "Asia/Tokyo"}));
    EXPECT_EQ(fixture.settings.config().menubarClocks, QStringList({"America/New_York"}));
    EXPECT_TRUE(query->text().isEmpty());
    EXPECT_TRUE(pane.findChildren<QPushButton*>(QStringLiteral("add")).isEmpty());

    // Checking saves once; removing a checked clock takes it out of both lists, in two saves.
    std::vector<Config> seen;
    auto subscription = fixture.settings.addObserver(
        [&](const Config&, const Config& now) { seen.push_back(now); });
    QWidget* tokyo = test::child<QWidget>(&pane, QStringLiteral("clock-Asia/Tokyo"));
    test::child<QCheckBox>(tokyo, QStringLiteral("menubar"))->click();
    test::settle();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].menubarClocks, QStringList({"America/New_York", "Asia/Tokyo"}));
    seen.clear();
    newYork = test::child<QWidget>(&pane, QStringLiteral("clock-America/New_York"));
    test::child<QToolButton>(newYork, QStringLiteral("remove"))->click();
    test::settle();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].worldClocks, QStringList({"Mars/Olympus_Mons", "Asia/Tokyo"}));
    EXPECT_TRUE(seen[0].menubarClocks.contains("America/New_York"));
    EXPECT_EQ(seen[1].menubarClocks, QStringList({"Asia/Tokyo"}));
    EXPECT_EQ(test::child<QWidget>(&pane, QStringLiteral("clock-America/New_York")), nullptr);

    auto* label = test::child<QComboBox>(&pane, QStringLiteral("clockLabel"));
    EXPECT_EQ(label->itemText(0), "City name");
    EXPECT_EQ(label->itemText(1), "Time zone abbreviation");
    label->setCurrentIndex(1);
    emit label->activated(1);
    EXPECT_EQ(fixture.settings.config().clockLabel, ClockLabel::abbreviation);
    test::child<QCheckBox>(&pane, QStringLiteral("showWeekNumbers"))->click();
    EXPECT_FALSE(fixture.settings.config().showWeekNumbers);
}

TEST(CalendarPane, HidingAndShowingKeepOneEntry) {
    Config config;
    config.hiddenCalendars = {"a", "b", "a"};
    CalendarPane::hideCalendar(config, "a");
    EXPECT_EQ(config.hiddenCalendars, QStringList({"b", "a"}));
    CalendarPane::hideCalendar(config, "c");
    EXPECT_EQ(config.hiddenCalendars, QStringList({"b", "a", "c"}));
    config.hiddenCalendars.append("b");
    CalendarPane::showCalendar(config, "b");
    EXPECT_EQ(config.hiddenCalendars, QStringList({"a", "c"}));
    EXPECT_FALSE(CalendarPane::isCalendarShown(config, "a"));
    EXPECT_TRUE(CalendarPane::isCalendarShown(config, "b"));
    const auto& choices = CalendarPane::dayChoices();
    ASSERT_EQ(choices.size(), 3u);
    EXPECT_EQ(choices[0], (std::pair<QString, std::int64_t>{"Today", 1}));
    EXPECT_EQ(choices[1], (std::pair<QString, std::int64_t>{"Next 3 days", 3}));
    EXPECT_EQ(choices[2], (std::pair<QString, std::int64_t>{"Next 7 days", 7}));
}

TEST(CalendarPane, AccessStatesAndCalendarSwitches) {
    HubFixture fixture;
    std::vector<platform::SystemLink> opened;
    const test::FakeDesktopPrograms gnome(
        {{"gnome-control-center", "org.gnome.Settings.desktop", "Settings"}});
    PanelEnv env = test::paneEnv(fixture, Appearance::light, &opened);
    env.linkName = gnome.linkName();
    CalendarPane pane(env);
    // No calendar source: the user has not been asked (nothing to read yet).
    ASSERT_EQ(fixture.hub->calendar.access(), CalendarEvents::Access::notAsked);
    ASSERT_NE(test::child<QPushButton>(&pane, QStringLiteral("allowAccess")), nullptr);
    EXPECT_TRUE(test::shownTexts(&pane).contains("Morvanex needs access to your calendars."));

    // Refused: the link goes to the desktop's accounts settings, where calendars are added.
    fixture.hub->calendar.setEvents(CalendarEvents::Access::denied, {});
    emit fixture.hub->changed();
    test::settle();
    ASSERT_NE(test::child<QPushButton>(&pane, QStringLiteral("openPrivacy")), nullptr);
    EXPECT_EQ(test::child<QPushButton>(&pane, QStringLiteral("allowAccess")), nullptr);
    EXPECT_TRUE(test::shownTexts(&pane).contains(
        "No calendars found in Evolution or ~/.local/share/calendars."));
    test::child<QPushButton>(&pane, QStringLiteral("openPrivacy"))->click();
    EXPECT_EQ(opened, std::vector{platform::SystemLink::onlineAccountsSettings});
    {
        // Without a program for online accounts the button is left out; the sentence stays.
        const test::FakeDesktopPrograms bare({});
        PanelEnv without = test::paneEnv(fixture);
        without.linkName = bare.linkName();
        CalendarPane other(without);
        EXPECT_EQ(test::child<QPushButton>(&other, QStringLiteral("openPrivacy")), nullptr);
        EXPECT_TRUE(test::shownTexts(&other).contains(
            "No calendars found in Evolution or ~/.local/share/calendars."));
    }

    // A calendar source appears and access is asked for: its switch hides and shows it.
    fixture.hub->calendar.setEvents(CalendarEvents::Access::notAsked, {});
    emit fixture.hub->changed();
    test::settle();
    test::writeFile(fixture.machine, QStringLiteral("data/calendars/work/displayname"), "Work");
    test::writeFile(fixture.machine, QStringLiteral("data/calendars/work/color"), "#62a0ea");
    test::writeFile(fixture.machine, QStringLiteral("data/calendars/work/e.ics"),
                    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:e1\r\n"
                    "DTSTART:20270115T090000Z\r\nDTEND:20270115T100000Z\r\nSUMMARY:Standup\r\n"
                    "END:VEVENT\r\nEND:VCALENDAR\r\n");
    test::child<QPushButton>(&pane, QStringLiteral("allowAccess"))->click();
    ASSERT_TRUE(test::waitUntil([&] { return !fixture.hub->calendar.calendars().empty(); }));
    test::settle();
    EXPECT_EQ(fixture.hub->calendar.access(), CalendarEvents::Access::granted);
    const QString id = fixture.hub->calendar.calendars()[0].id;
    QWidget* row = test::child<QWidget>(&pane, QStringLiteral("calendar-") + id);
    ASSERT_NE(row, nullptr);
    auto* shown = test::child<QCheckBox>(row, QStringLiteral("shown"));
    EXPECT_TRUE(shown->isChecked());
    shown->click();
    test::settle();
    EXPECT_EQ(fixture.settings.config().hiddenCalendars, QStringList({id}));
    test::child<QCheckBox>(test::child<QWidget>(&pane, QStringLiteral("calendar-") + id),
                           QStringLiteral("shown"))
        ->click();
    test::settle();
    EXPECT_TRUE(fixture.settings.config().hiddenCalendars.isEmpty());

    // With events off, the day picker and the switches are disabled.
    test::child<QCheckBox>(&pane, QStringLiteral("showEvents"))->click();
    test::settle();
    EXPECT_FALSE(fixture.settings.config().showEvents);
    EXPECT_FALSE(test::child<QComboBox>(&pane, QStringLiteral("eventDays"))->isEnabled());
    row = test::child<QWidget>(&pane, QStringLiteral("calendar-") + id);
    EXPECT_FALSE(test::child<QCheckBox>(row, QStringLiteral("shown"))->isEnabled());

    test::child<QCheckBox>(&pane, QStringLiteral("showEvents"))->click();
    test::settle();
    auto* days = test::child<QComboBox>(&pane, QStringLiteral("eventDays"));
    EXPECT_EQ(days->currentText(), "Next 3 days");
    emit days->activated(0);
    EXPECT_EQ(fixture.settings.config().eventDays, 1);
}
