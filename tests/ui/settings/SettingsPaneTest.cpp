#include "ui/settings/SettingsPane.h"

#include "ui/settings/SettingsPanes.h"

#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;

TEST(SettingsPane, StoredValuesMatchExactly) {
    struct Case {
        QVariant stored;
        SettingsPane expected;
    };
    const Case cases[] = {
        {QVariant(), SettingsPane::general},
        {QStringLiteral("weather"), SettingsPane::weather},
        {QStringLiteral("menuBar"), SettingsPane::menuBar},
        {QStringLiteral("time"), SettingsPane::time},
        {QStringLiteral("Weather"), SettingsPane::general},     // other letter case
        {QStringLiteral("World Clock"), SettingsPane::general}, // a title
        {QStringLiteral("rules"), SettingsPane::general},       // no such pane
        {QStringLiteral(" about"), SettingsPane::general},
        {QVariant(3), SettingsPane::general},
    };
    for (const Case& c : cases)
        EXPECT_EQ(storedPane(c.stored), c.expected) << c.stored.toString().toStdString();
}

TEST(SettingsPane, SidebarTableInOrder) {
    const auto& panes = settingsPanes();
    ASSERT_EQ(panes.size(), 9u);
    QStringList titles;
    for (std::size_t i = 0; i < panes.size(); ++i) {
        EXPECT_EQ(panes[i].pane, allCases<SettingsPane>()[i]);
        titles << panes[i].title;
    }
    EXPECT_EQ(titles.join(u'|'),
              QStringLiteral("General|Menu Bar|Overview|Shortcuts|"
                             "Notifications|Weather|World Clock|AI Agents|About"));
    EXPECT_EQ(paneEntry(SettingsPane::notifications).symbol, QStringLiteral("bell.badge.fill"));
    // Shortcuts here are pressed with Ctrl, Alt and Super, so the pane shows a keyboard.
    EXPECT_EQ(paneEntry(SettingsPane::shortcuts).symbol, QStringLiteral("keyboard"));
    EXPECT_EQ(paneEntry(SettingsPane::time).tint, Tint::orange);
    EXPECT_EQ(paneEntry(SettingsPane::agents).tint, Tint::purple);
}

TEST(SettingsPane, VersionLine) {
    EXPECT_EQ(versionLine(QString()), QStringLiteral("Morvanex"));
    EXPECT_EQ(versionLine(QStringLiteral("2.1")), QStringLiteral("Morvanex 2.1"));
}
