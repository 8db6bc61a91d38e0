#include "PaneTestSupport.h"
#include "support/Wait.h"
#include "ui/settings/CalendarPane.h"

#include <QPushButton>

using namespace morvanex;
using namespace morvanex::ui;
using morvanex::test::HubFixture;

TEST(CalendarPane, AllowAccessWithoutCalendarFilesShowsThatNoneWereFound) {
    // Once the look that followed the answer put "not asked" back, and the button did nothing.
    HubFixture fixture; // its machine holds no calendar files
    CalendarPane pane(test::paneEnv(fixture));
    ASSERT_EQ(fixture.hub->calendar.access(), CalendarEvents::Access::notAsked);
    QPushButton* allow = test::child<QPushButton>(&pane, QStringLiteral("allowAccess"));
    ASSERT_NE(allow, nullptr);
    allow->click();
    const auto noneFound = [&] {
        return test::shownTexts(&pane).contains(
            "No calendars found in Evolution or ~/.local/share/calendars.");
    };
    ASSERT_TRUE(test::waitUntil(noneFound));
    EXPECT_EQ(fixture.hub->calendar.access(), CalendarEvents::Access::denied);
    EXPECT_EQ(test::child<QPushButton>(&pane, QStringLiteral("allowAccess")), nullptr);

    // The hub's next refreshes keep saying so.
    fixture.hub->calendar.refreshIfNeeded(7, {});
    ASSERT_TRUE(test::waitUntil([&] { return !fixture.hub->calendar.fetching(); }));
    test::settle();
    EXPECT_TRUE(noneFound());
    EXPECT_EQ(test::child<QPushButton>(&pane, QStringLiteral("allowAccess")), nullptr);
}
