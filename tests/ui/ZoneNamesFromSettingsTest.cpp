// World-clock names come from the settings file, which anyone able to write it controls. Every
// view making zones of them treats a name the zone database does not list as an unknown zone,
// and never hands it to the zone backend, which would open it as a file below the database.

#include "support/FifoGuard.h"
#include "support/HubFixture.h"
#include "support/TestEnv.h"
#include "ui/kit/TextLine.h"
#include "ui/menubar/MenuBarContent.h"
#include "ui/panels/TimePanel.h"
#include "ui/panels/overview/OverviewRowTexts.h"
#include "ui/settings/WorldClockPane.h"

#include <QFile>
#include <QLabel>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

// Names that lead from the zone database's folder to files outside it: a copy of a real zone's
// definition (the backend would make a zone of it), the password file and a FIFO (opening it
// would wait for good); and a name of four million characters.
struct AttackNames {
    test::FifoGuard fifo{test::scratchDir() + QStringLiteral("/zone-fifo")};
    QStringList names;

    AttackNames() {
        const QString toRoot = QStringLiteral("../../../../../../../..");
        const QString copy = test::scratchDir() + QStringLiteral("/Copied_Zone");
        EXPECT_TRUE(QFile::copy(QStringLiteral("/usr/share/zoneinfo/Asia/Tokyo"), copy));
        EXPECT_TRUE(fifo.made());
        names = {toRoot + copy, toRoot + QStringLiteral("/etc/passwd"), toRoot + fifo.path(),
                 QString(4 * 1024 * 1024, QLatin1Char('A'))};
    }
    // The attack names around one listed zone.
    QStringList around(const QString& listed) const {
        return QStringList{names[0], names[1], listed, names[2], names[3]};
    }
};

PanelEnv envFor(test::HubFixture& f) {
    PanelEnv env;
    env.hub = f.hub.get();
    env.settings = &f.settings;
    env.openLink = [](platform::SystemLink) {};
    env.openURL = [](const QUrl&) {};
    return env;
}

QStringList texts(const QWidget* root) {
    QStringList all;
    for (const TextLine* line : root->findChildren<TextLine*>())
        all.append(line->fullText());
    for (const QLabel* label : root->findChildren<QLabel*>())
        all.append(label->text());
    return all;
}

} // namespace

TEST(ZoneNamesFromSettings, OverviewColumnsSkipUnlistedNames) {
    const AttackNames attack;
    const QDateTime now(QDate(2027, 1, 15), QTime(12, 0), Qt::UTC);
    // The first three names, of which only the listed one makes a column.
    const auto columns = overview::worldClockColumns(
        {attack.names[0], QStringLiteral("Asia/Tokyo"), attack.names[2], attack.names[1]}, now,
        QTimeZone(QByteArrayLiteral("UTC")));
    ASSERT_EQ(columns.size(), 1u);
    EXPECT_EQ(columns[0].city, QStringLiteral("Tokyo"));
    EXPECT_FALSE(attack.fifo.released()) << "the FIFO was opened";
}

TEST(ZoneNamesFromSettings, MenuBarClockLineSkipsUnlistedNames) {
    const AttackNames attack;
    Config config;
    config.worldClocks = attack.around(QStringLiteral("Asia/Tokyo"));
    config.menubarClocks = config.worldClocks;
    const QDateTime now(QDate(2027, 1, 15), QTime(12, 0), Qt::UTC);
    const QString line = MenuBarContent::clockLine(config, now);
    EXPECT_TRUE(line.startsWith(QStringLiteral("Tokyo "))) << line.left(200).toStdString();
    EXPECT_FALSE(line.contains(QStringLiteral("Copied"))) << line.left(200).toStdString();
    EXPECT_FALSE(attack.fifo.released()) << "the FIFO was opened";
}

TEST(ZoneNamesFromSettings, TimePanelAndSettingsPaneShowNoClockForUnlistedNames) {
    const AttackNames attack;
    test::HubFixture f;
    f.settings.update([&](Config& c) {
        c.worldClocks = attack.around(QStringLiteral("Asia/Tokyo"));
        c.showEvents = false;
    });
    {
        TimePanel panel(envFor(f));
        const QStringList shown = texts(&panel);
        EXPECT_TRUE(shown.contains(QStringLiteral("Tokyo")));
        EXPECT_FALSE(shown.contains(QStringLiteral("Copied Zone")));
        EXPECT_EQ(panel.findChild<QWidget*>(attack.names[0]), nullptr);
    }
    {
        // The pane lists every stored name, so it can be removed, with a time only for zones.
        WorldClockPane pane(envFor(f), QTimeZone::availableTimeZoneIds());
        int times = 0;
        for (const QLabel* label : pane.findChildren<QLabel*>(QStringLiteral("time"))) {
            EXPECT_EQ(label->property("zone").toString(), QStringLiteral("Asia/Tokyo"));
            ++times;
        }
        EXPECT_EQ(times, 1);
    }
    EXPECT_FALSE(attack.fifo.released()) << "the FIFO was opened";
}
