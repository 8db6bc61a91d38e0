#include "ui/kit/AppearanceMode.h"

#include "platform/DesktopColorScheme.h"

#include <QApplication>
#include <QDBusVariant>
#include <QEventLoop>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace morvanex::ui {
namespace {

TEST(AppearanceMode, StoredValueReadsBackAndOddValuesAreSystem) {
    platform::UserDefaults defaults = platform::UserDefaults::inMemory();
    EXPECT_EQ(currentAppearanceMode(defaults), AppearanceMode::system);
    for (const AppearanceMode mode : allCases<AppearanceMode>()) {
        storeAppearanceMode(mode, defaults);
        EXPECT_EQ(defaults.value("appearance").toString(), rawValue(mode));
        EXPECT_EQ(currentAppearanceMode(defaults), mode);
    }
    for (const QVariant& odd : {QVariant("Dark"), QVariant("LIGHT"), QVariant(""),
                                QVariant("dark "), QVariant(2), QVariant(true)}) {
        defaults.setValue("appearance", odd);
        EXPECT_EQ(currentAppearanceMode(defaults), AppearanceMode::system)
            << odd.toString().toStdString();
    }
}

TEST(AppearanceMode, CasesLabelsAndRawValuesInPickerOrder) {
    const auto& modes = allCases<AppearanceMode>();
    ASSERT_EQ(modes.size(), 3u);
    EXPECT_EQ(label(modes[0]), "System");
    EXPECT_EQ(label(modes[1]), "Light");
    EXPECT_EQ(label(modes[2]), "Dark");
    EXPECT_EQ(fromRawValue<AppearanceMode>(u"dark"), AppearanceMode::dark);
    EXPECT_FALSE(fromRawValue<AppearanceMode>(u"Dark").has_value());
}

class AppearanceApply : public ::testing::Test {
protected:
    void TearDown() override { QGuiApplication::setPalette(saved_); }
    QPalette saved_ = QGuiApplication::palette();
};

TEST_F(AppearanceApply, LightAndDarkSetTheirPalettesAtOnce) {
    apply(AppearanceMode::dark);
    EXPECT_EQ(QGuiApplication::palette().color(QPalette::Window),
              color(Tint::windowBackground, Appearance::dark));
    EXPECT_EQ(currentAppearance(), Appearance::dark);
    EXPECT_EQ(QApplication::style()->name().toLower(), "fusion");

    apply(AppearanceMode::light);
    EXPECT_EQ(QGuiApplication::palette().color(QPalette::Window),
              color(Tint::windowBackground, Appearance::light));
    EXPECT_EQ(currentAppearance(), Appearance::light);
}

TEST_F(AppearanceApply, OpenWindowsFollowAtOnce) {
    // Qt hands palette changes to widgets only while an event loop runs. A loop of the test's
    // own: ending the application's loop would leave later dialogs in this process unable to run.
    QEventLoop loop;
    QWidget widget;
    widget.show();
    std::vector<QColor> seen;
    QTimer::singleShot(0, qApp, [&] {
        apply(AppearanceMode::dark);
        QCoreApplication::processEvents();
        seen.push_back(widget.palette().color(QPalette::Window));
        apply(AppearanceMode::light);
        QCoreApplication::processEvents();
        seen.push_back(widget.palette().color(QPalette::Window));
        loop.quit();
    });
    loop.exec();
    EXPECT_EQ(seen, (std::vector{color(Tint::windowBackground, Appearance::dark),
                                 color(Tint::windowBackground, Appearance::light)}));
}

TEST_F(AppearanceApply, SystemFollowsTheDesktop) {
    apply(AppearanceMode::system);
    EXPECT_EQ(currentAppearance(), systemAppearance());
    // Switching to dark and back to system does not take our own dark palette for the desktop's.
    const Appearance desktop = systemAppearance();
    apply(AppearanceMode::dark);
    apply(AppearanceMode::system);
    EXPECT_EQ(systemAppearance(), desktop);
    EXPECT_EQ(currentAppearance(), desktop);
}

TEST(AppearancePalette, TextReadsOnItsBackground) {
    for (const Appearance appearance : {Appearance::light, Appearance::dark}) {
        const QPalette p = appearancePalette(appearance);
        EXPECT_EQ(p.color(QPalette::Text).alpha(), 255);
        EXPECT_GT(
            std::abs(p.color(QPalette::Text).lightness() - p.color(QPalette::Base).lightness()),
            150);
        EXPECT_GT(std::abs(p.color(QPalette::WindowText).lightness() -
                           p.color(QPalette::Window).lightness()),
                  150);
    }
}

TEST(AppearanceDesktopScheme, PortalValuesMapToPreferences) {
    using P = platform::DesktopColorScheme::Preference;
    using platform::DesktopColorScheme;
    const auto wrapped = [](const QVariant& v) { return QVariant::fromValue(QDBusVariant(v)); };
    EXPECT_EQ(DesktopColorScheme::fromValue(QVariant(1u)), P::dark);
    EXPECT_EQ(DesktopColorScheme::fromValue(QVariant(2u)), P::light);
    EXPECT_EQ(DesktopColorScheme::fromValue(QVariant(0u)), P::none);
    EXPECT_EQ(DesktopColorScheme::fromValue(wrapped(1u)), P::dark);
    EXPECT_EQ(DesktopColorScheme::fromValue(wrapped(wrapped(2u))), P::light);
    EXPECT_EQ(DesktopColorScheme::fromValue(QVariant(7u)), P::none);
    EXPECT_EQ(DesktopColorScheme::fromValue(QVariant("dark")), P::none);
    EXPECT_EQ(DesktopColorScheme::fromValue(QVariant()), P::none);
}

} // namespace
} // namespace morvanex::ui
