#include "ui/settings/AboutPane.h"

#include "PaneTestSupport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

using namespace morvanex;
using namespace morvanex::ui;
using morvanex::test::HubFixture;

TEST(AboutPane, VersionTextsAndFallbacks) {
    const AboutInfo none;
    EXPECT_EQ(AboutPane::versionLine(none), "Version dev (—)");
    const AboutInfo given{QStringLiteral("2.1"), QStringLiteral("45"), std::nullopt};
    EXPECT_EQ(AboutPane::versionLine(given), "Version 2.1 (45)");
    EXPECT_EQ(
        AboutPane::versionInfo(given, QStringLiteral("Debian GNU/Linux 12 (bookworm), Linux 6.1.0"),
                               QStringLiteral("ThinkPad X1 Carbon")),
        "Morvanex 2.1 (45) · Debian GNU/Linux 12 (bookworm), Linux 6.1.0 · ThinkPad X1 Carbon");
    EXPECT_EQ(AboutPane::versionInfo(none, QStringLiteral("Linux 6.1.0"), std::nullopt),
              "Morvanex dev (—) · Linux 6.1.0 · Computer");
    EXPECT_EQ(AboutPane::versionInfo(none, QStringLiteral("Linux 6.1.0"), QString()),
              "Morvanex dev (—) · Linux 6.1.0 · Computer");
}

TEST(AboutPane, CopyPutsTheVersionLineOnTheClipboard) {
    HubFixture fixture;
    int machineReads = 0;
    AboutPane::Machine machine{[&] {
                                   ++machineReads;
                                   return QStringLiteral("Linux 6.1.0");
                               },
                               [] { return std::optional<QString>(QStringLiteral("Model 7")); }};
    AboutPane pane(test::paneEnv(fixture),
                   {QStringLiteral("2.1"), QStringLiteral("45"), QStringLiteral("© 2026 Morvanex")},
                   machine);
    EXPECT_EQ(test::child<QLabel>(&pane, QStringLiteral("version"))->text(), "Version 2.1 (45)");
    EXPECT_EQ(test::child<QLabel>(&pane, QStringLiteral("copyright"))->text(), "© 2026 Morvanex");
    EXPECT_EQ(machineReads, 0); // read only when asked for
    test::child<QPushButton>(&pane, QStringLiteral("copyVersionInfo"))->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Morvanex 2.1 (45) · Linux 6.1.0 · Model 7");
    EXPECT_FALSE(test::shownTexts(&pane).contains("Updates"));

    AboutPane bare(test::paneEnv(fixture), AboutInfo{}, machine);
    EXPECT_EQ(test::child<QLabel>(&bare, QStringLiteral("version"))->text(), "Version dev (—)");
    EXPECT_EQ(test::child<QLabel>(&bare, QStringLiteral("copyright")), nullptr);
}
