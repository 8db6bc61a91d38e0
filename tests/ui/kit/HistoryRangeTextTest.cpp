#include "ui/kit/HistoryRangeText.h"

#include "ui/kit/PanelDefaults.h"

#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

TEST(HistoryRangeText, ChipsCaptionsAndAccessibilityLabels) {
    struct Case {
        HistoryRange range;
        const char* chip;
        std::optional<QString> caption;
        const char* accessibility;
    };
    const Case cases[] = {
        {HistoryRange::live, "Live", std::nullopt, "Live"},
        {HistoryRange::hour, "1H", QStringLiteral("1 h ago"), "Last 1 h"},
        {HistoryRange::day, "24H", QStringLiteral("24 h ago"), "Last 24 h"},
        {HistoryRange::week, "7D", QStringLiteral("7 days ago"), "Last 7 days"},
        {HistoryRange::month, "30D", QStringLiteral("30 days ago"), "Last 30 days"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chip);
        EXPECT_EQ(rangeChipLabel(c.range), QString::fromLatin1(c.chip));
        EXPECT_EQ(rangeCaption(c.range), c.caption);
        EXPECT_EQ(rangeAccessibilityLabel(c.range), QString::fromLatin1(c.accessibility));
    }
}

TEST(HistoryRangeText, StoredRangeReadsItsRawNameAndFallsBackToLive) {
    PanelDefaults defaults(platform::UserDefaults::inMemory());
    EXPECT_EQ(storedHistoryRange(defaults), HistoryRange::live);
    defaults.setValue(historyRangeKey, QStringLiteral("week"));
    EXPECT_EQ(storedHistoryRange(defaults), HistoryRange::week);
    defaults.setValue(historyRangeKey, QStringLiteral("fortnight"));
    EXPECT_EQ(storedHistoryRange(defaults), HistoryRange::live);
    storeHistoryRange(defaults, HistoryRange::month);
    EXPECT_EQ(defaults.stringValue(historyRangeKey), QStringLiteral("month"));
}

TEST(HistoryRangeText, ForcedRangeWinsOnlyWhenSet) {
    EXPECT_EQ(effectiveHistoryRange(PreviewOverrides{}, HistoryRange::week), HistoryRange::week);
    PreviewOverrides forced;
    forced.historyRange = HistoryRange::live;
    EXPECT_EQ(effectiveHistoryRange(forced, HistoryRange::week), HistoryRange::live);
}

} // namespace
