#include "ui/kit/DisclosureRow.h"

#include "support/Wait.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/kit/TextLine.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

const QString kKey = PanelKeys::interfacesExpanded;

void clickHeader(DisclosureRow& row) {
    QTest::mouseClick(row.header(), Qt::LeftButton, {}, row.header()->rect().center());
}

bool settled(const DisclosureRow& row, double angle) {
    return row.chevron()->rotation() == angle;
}

} // namespace

TEST(DisclosureRow, ClickTogglesTheStoredFlag) {
    PanelDefaults defaults(platform::UserDefaults::inMemory());
    DisclosureRow row("Interfaces", QString("en0 · lo"), true, false,
                      BoolBinding::stored(defaults, kKey), new QLabel("content"), {},
                      Appearance::dark);
    row.show();
    EXPECT_FALSE(row.isExpanded());
    EXPECT_TRUE(row.content()->isHidden());
    EXPECT_FALSE(row.summaryLine()->isHidden());

    clickHeader(row);
    EXPECT_TRUE(defaults.boolValue(kKey));
    EXPECT_TRUE(row.isExpanded());
    EXPECT_FALSE(row.content()->isHidden());
    EXPECT_TRUE(row.summaryLine()->isHidden());
    EXPECT_TRUE(test::waitUntil([&] { return settled(row, 90); }));

    clickHeader(row);
    EXPECT_FALSE(defaults.boolValue(kKey));
    EXPECT_TRUE(row.content()->isHidden());
    EXPECT_TRUE(test::waitUntil([&] { return settled(row, 0); }));
}

TEST(DisclosureRow, FollowsChangesMadeElsewhere) {
    PanelDefaults defaults(platform::UserDefaults::inMemory());
    DisclosureRow first("Interfaces", std::nullopt, false, true,
                        BoolBinding::stored(defaults, kKey), new QLabel("a"), {},
                        Appearance::light);
    DisclosureRow second("Interfaces", std::nullopt, false, false,
                         BoolBinding::stored(defaults, kKey), new QLabel("b"), {},
                         Appearance::light);
    EXPECT_EQ(first.summaryLine(), nullptr);
    clickHeader(first);
    EXPECT_TRUE(second.isExpanded());
    EXPECT_FALSE(second.content()->isHidden());
}

TEST(DisclosureRow, ForcedOpenWithoutWritingBack) {
    PanelDefaults defaults(platform::UserDefaults::inMemory());
    PreviewOverrides overrides;
    overrides.expandDisclosures = true;
    DisclosureRow row("Speed History", QString("3 tests"), false, false,
                      BoolBinding::stored(defaults, kKey), new QLabel("content"), overrides,
                      Appearance::light);
    row.show();
    EXPECT_TRUE(row.isExpanded());
    EXPECT_FALSE(row.content()->isHidden());
    EXPECT_TRUE(row.summaryLine()->isHidden());
    EXPECT_EQ(row.chevron()->rotation(), 90);
    EXPECT_FALSE(defaults.value(kKey).isValid()); // nothing was stored

    // A click still flips the stored flag, but the section stays open.
    clickHeader(row);
    EXPECT_TRUE(defaults.boolValue(kKey));
    clickHeader(row);
    EXPECT_FALSE(defaults.boolValue(kKey));
    EXPECT_TRUE(row.isExpanded());
    EXPECT_FALSE(row.content()->isHidden());
}

TEST(DisclosureRow, LocalBindingStartsWhereAsked) {
    DisclosureRow open("A", std::nullopt, false, false, BoolBinding::local(true), new QLabel("x"),
                       {}, Appearance::light);
    EXPECT_TRUE(open.isExpanded());
    open.toggle();
    EXPECT_FALSE(open.isExpanded());
}
