#include "ui/tray/AppDelegate.h"

#include "support/HubFixture.h"
#include "ui/kit/AppearanceMode.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/settings/SettingsView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLayout>
#include <QMenuBar>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

class AppDelegateWindow : public testing::Test {
protected:
    void SetUp() override { apply(AppearanceMode::light); }
    void TearDown() override { apply(AppearanceMode::light); }

    static void settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    test::HubFixture f;
    AppDelegate delegate{f.settings, [this](AppSettings&) { return std::move(f.hub); }};
};

TEST_F(AppDelegateWindow, SettingsWindowIsMadeOnceAndClosingReturnsToAccessory) {
    EXPECT_EQ(delegate.policy().policy(), ActivationPolicy::accessory);
    delegate.showSettings();
    SettingsView* first = delegate.settingsWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(delegate.policy().policy(), ActivationPolicy::regular);
    // The main menu is the window's own bar.
    ASSERT_NE(first->layout()->menuBar(), nullptr);
    QStringList menus;
    for (QAction* action : static_cast<QMenuBar*>(first->layout()->menuBar())->actions())
        menus << action->text();
    EXPECT_EQ(menus, QStringList({"Morvanex", "Edit", "Window"}));

    first->close();
    settle();
    EXPECT_EQ(delegate.policy().policy(), ActivationPolicy::accessory);
    delegate.showSettings();
    EXPECT_EQ(delegate.settingsWindow(), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(delegate.policy().policy(), ActivationPolicy::regular);
}

TEST_F(AppDelegateWindow, AboutOpensTheAboutPane) {
    delegate.showSettings();
    delegate.showAbout();
    settle();
    EXPECT_EQ(PanelDefaults::shared().stringValue(PanelKeys::settingsPane), "about");
    EXPECT_EQ(delegate.settingsWindow()->pane(), SettingsPane::about);
}

TEST_F(AppDelegateWindow, AppearanceChangeRemakesTheWindowInPlace) {
    delegate.showSettings();
    settle();
    QPointer<SettingsView> before = delegate.settingsWindow();
    const QColor light = before->palette().color(QPalette::Window);
    apply(AppearanceMode::dark);
    settle();
    ASSERT_NE(delegate.settingsWindow(), nullptr);
    EXPECT_TRUE(before.isNull());
    EXPECT_TRUE(delegate.settingsWindow()->isVisible());
    EXPECT_LT(delegate.settingsWindow()->palette().color(QPalette::Window).lightness(),
              light.lightness());
    // The same appearance again leaves the window alone.
    QPointer<SettingsView> dark = delegate.settingsWindow();
    apply(AppearanceMode::dark);
    settle();
    EXPECT_EQ(delegate.settingsWindow(), dark.data());
}

} // namespace
