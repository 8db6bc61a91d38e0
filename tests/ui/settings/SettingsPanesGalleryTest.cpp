#include "PaneTestSupport.h"
#include "support/Wait.h"
#include "ui/settings/AboutPane.h"
#include "ui/settings/AgentsPane.h"
#include "ui/settings/NotificationsPane.h"
#include "ui/settings/OverviewPane.h"
#include "ui/settings/WeatherPane.h"
#include "ui/settings/WorldClockPane.h"

#include <QDir>
#include <QTemporaryDir>
#include <functional>
#include <memory>

using namespace morvanex;
using namespace morvanex::ui;
using morvanex::test::HubFixture;

namespace {

// Whether the image holds more than one colour (something was drawn over the background).
bool drewSomething(const QImage& image) {
    if (image.isNull())
        return false;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            if (image.pixel(x, y) != first)
                return true;
    return false;
}

} // namespace

// Every pane in both appearances, as the settings window's detail area shows it. Set
// MORVANEX_GALLERY to a folder to keep the renders (also drawn full length there).
TEST(SettingsPanesGallery, EveryPaneDrawsInBothAppearances) {
    QTemporaryDir scratch;
    const QString keep = qEnvironmentVariable("MORVANEX_GALLERY");
    if (!keep.isEmpty())
        QDir().mkpath(keep);
    HubFixture fixture;
    fixture.settings.update([](Config& c) {
        c.menubarClocks = {"America/New_York", "Asia/Tokyo"};
        c.overviewHidden = {OverviewItem::gpu};
    });
    const QString executable = QStringLiteral("/home/user/src/morvanex/build/morvanex");
    using Make = std::function<QWidget*(const PanelEnv&)>;
    const std::pair<const char*, Make> panes[] = {
        {"notifications",
         [](const PanelEnv& env) {
             NotificationsPane::Hooks hooks;
             hooks.isAvailable = [] { return false; };
             hooks.post = [](const QString&, const QString&) {};
             return new NotificationsPane(env, hooks);
         }},
        {"overview", [](const PanelEnv& env) { return new OverviewPane(env); }},
        {"weather", [](const PanelEnv& env) { return new WeatherPane(env); }},
        {"time", [](const PanelEnv& env) { return new WorldClockPane(env); }},
        {"agents",
         [&](const PanelEnv& env) {
             auto* pane = new AgentsPane(env, AgentClient::table(executable), executable);
             test::waitUntil([pane] { return pane->pending() == 0; });
             return pane;
         }},
        {"about",
         [](const PanelEnv& env) {
             return new AboutPane(env, AboutInfo{}, AboutPane::Machine::current());
         }},
    };
    for (const auto& [name, make] : panes) {
        for (const Appearance appearance : {Appearance::dark, Appearance::light}) {
            const QString file = QStringLiteral("settings-%1-%2.png")
                                     .arg(QString::fromLatin1(name),
                                          appearance == Appearance::dark ? "dark" : "light");
            SCOPED_TRACE(file.toStdString());
            std::unique_ptr<QWidget> pane(make(test::paneEnv(fixture, appearance)));
            const QImage image =
                test::renderPane(pane.get(), QSize(630, 580), scratch.filePath(file));
            EXPECT_TRUE(drewSomething(image));
            EXPECT_TRUE(QFile::exists(scratch.filePath(file)));
            if (!keep.isEmpty()) {
                image.save(keep + u'/' + file);
                test::renderPane(pane.get(), QSize(630, 1500),
                                 keep + QStringLiteral("/full-") + file);
            }
        }
    }
}
