#include "ui/tray/StatusLabel.h"

#include <gtest/gtest.h>

using namespace morvanex::ui;

TEST(StatusLabel, JoinsTextsAndTemplatesOfTheTextParts) {
    struct Row {
        const char* name;
        std::vector<MenuBarPart> parts;
        StatusLabel expected;
    };
    const MenuBarSymbol cup{QStringLiteral("cup.and.saucer.fill"), false};
    const MenuBarGraph graph{{0.5, 1}, Tint::blue};
    const Row rows[] = {
        {"one text with its template",
         {MenuBarText{QStringLiteral("23%"), QStringLiteral("100%")}},
         {QStringLiteral("23%"), QStringLiteral("100%")}},
        {"a text without a template stands for itself",
         {MenuBarText{QStringLiteral("Rain"), std::nullopt}},
         {QStringLiteral("Rain"), QStringLiteral("Rain")}},
        {"symbols and graphs add nothing",
         {cup, graph, MenuBarText{QStringLiteral("7%"), QStringLiteral("100%")}, MenuBarBar{0.4}},
         {QStringLiteral("7%"), QStringLiteral("100%")}},
        {"two lines joined, each reserving the template",
         {MenuBarStacked{QStringLiteral("↑ 1.2 MB/s"), QStringLiteral("↓ 30 KB/s"),
                         QStringLiteral("↓ 000 KB/s")}},
         {QStringLiteral("↑ 1.2 MB/s ↓ 30 KB/s"), QStringLiteral("↓ 000 KB/s ↓ 000 KB/s")}},
        {"an empty line is left out of the label",
         {MenuBarStacked{QStringLiteral("52°"), QString(), QStringLiteral("9999 rpm")}},
         {QStringLiteral("52°"), QStringLiteral("9999 rpm 9999 rpm")}},
        {"several parts in order",
         {MenuBarStacked{QStringLiteral("CPU 4%"), QStringLiteral("MEM 40%"),
                         QStringLiteral("CPU 100%")},
          MenuBarText{QStringLiteral("21°"), QStringLiteral("-00°")}},
         {QStringLiteral("CPU 4% MEM 40% 21°"), QStringLiteral("CPU 100% CPU 100% -00°")}},
        {"only symbols: empty", {cup, MenuBarAppGlyph{}, MenuBarBattery{0.5, true}}, {}},
        {"no parts: empty", {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const StatusLabel label = statusLabel(row.parts);
        EXPECT_EQ(label.label, row.expected.label);
        EXPECT_EQ(label.guide, row.expected.guide);
    }
}
