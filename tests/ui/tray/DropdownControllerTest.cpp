#include "ui/tray/DropdownController.h"

#include "support/Wait.h"
#include "ui/tray/DropdownPanel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <vector>

using namespace morvanex;
using namespace morvanex::ui;
using namespace std::chrono_literals;

namespace {

// A screen 1440 wide with a 25-high bar at the top, and an item at its far right.
const QRect visibleFrame(0, 25, 1440, 875);
const QRect rightAnchor(1400, 0, 30, 25);
const QRect leftAnchor(0, 0, 30, 25);

// Content of a fixed preferred height, like a panel before it reports.
class FixedContent : public QWidget {
public:
    explicit FixedContent(int height) : height_(height) {}
    QSize sizeHint() const override { return {DropdownPanel::panelWidth, height_}; }

private:
    int height_;
};

// A window that records the keys that reach it.
class KeyRecorder : public QWidget {
public:
    std::vector<QKeyCombination> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        // The test presses the modifier keys themselves first; they are not what is judged.
        switch (event->key()) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
            return;
        default:
            keys.push_back(event->keyCombination());
        }
    }
};

struct Built {
    ModuleKind kind;
    PanelActions actions;
    std::function<void(double)> report;
    QPointer<QWidget> content;
};

class DropdownControllerTest : public testing::Test {
protected:
    void SetUp() override {
        controller.visibleFrame = [](QRect) { return visibleFrame; };
        controller.now = [this] { return clock; };
    }

    void TearDown() override {
        controller.close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QRect frame() const { return controller.panel()->geometry(); }

    std::map<ModuleKind, int> hints{{ModuleKind::cpu, 300}, {ModuleKind::memory, 500}};
    // Heights the content reports while it is being built (as the panel shell does).
    std::map<ModuleKind, double> reportsWhileBuilding;
    std::vector<Built> built;
    DropdownController::Clock::time_point clock{};
    DropdownController controller{[this](ModuleKind kind, PanelActions actions,
                                         std::function<void(double)> report) {
        auto* content = new FixedContent(hints[kind]);
        if (const auto early = reportsWhileBuilding.find(kind); early != reportsWhileBuilding.end())
            report(early->second);
        built.push_back({kind, std::move(actions), std::move(report), content});
        return content;
    }};
};

TEST_F(DropdownControllerTest, ShowPlacesThePanelUnderTheAnchorAtTheContentsHeight) {
    controller.show(ModuleKind::cpu, rightAnchor);
    ASSERT_TRUE(controller.isOpen());
    EXPECT_EQ(controller.kind(), ModuleKind::cpu);
    ASSERT_NE(controller.panel(), nullptr);
    EXPECT_TRUE(controller.panel()->isVisible());
    EXPECT_TRUE(controller.panel()->isWindow());
    EXPECT_EQ(frame(), QRect(1092, 30, 340, 300));
    // The content fills the panel.
    ASSERT_EQ(built.size(), 1u);
    EXPECT_EQ(built[0].content->parentWidget(), controller.panel());
    EXPECT_EQ(built[0].content->geometry(), QRect(0, 0, 340, 300));
}

TEST_F(DropdownControllerTest, HeightReportsAreFilteredAndKeepTheTopFixed) {
    controller.show(ModuleKind::cpu, rightAnchor);
    const auto report = built.back().report;
    struct Step {
        double height;
        QRect expected;
    };
    const Step steps[] = {
        {0, {1092, 30, 340, 300}},     // ignored
        {-20, {1092, 30, 340, 300}},   // ignored
        {NAN, {1092, 30, 340, 300}},   // ignored
        {300.5, {1092, 30, 340, 300}}, // a change of 0.5 or less is ignored
        {299.5, {1092, 30, 340, 300}}, //
        {360, {1092, 30, 340, 360}},   // grows downwards, the top stays
        {360.4, {1092, 30, 340, 360}}, // ignored
        {240, {1092, 30, 340, 240}},   // shrinks upwards
        {5000, {1092, 30, 340, 835}},  // capped at the frame minus 40; the content scrolls
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.height);
        report(step.height);
        EXPECT_EQ(frame(), step.expected);
    }
    EXPECT_EQ(controller.contentHeight(), 5000);
}

TEST_F(DropdownControllerTest, BottomPanelKeepsItsBottomEdgeFixed) {
    controller.visibleFrame = [](QRect) { return QRect(0, 0, 1440, 860); };
    controller.show(ModuleKind::cpu, QRect(1400, 865, 30, 30));
    EXPECT_EQ(frame(), QRect(1092, 555, 340, 300));
    built.back().report(400);
    EXPECT_EQ(frame(), QRect(1092, 455, 340, 400));
}

TEST_F(DropdownControllerTest, EachShowStartsAtItsOwnContentsHeight) {
    controller.show(ModuleKind::cpu, rightAnchor);
    built.back().report(450);
    EXPECT_EQ(frame().height(), 450);

    controller.show(ModuleKind::memory, rightAnchor);
    EXPECT_EQ(frame().height(), 500);
    controller.close();

    // Not the 450 the last cpu panel reported: a new panel, a new content.
    controller.show(ModuleKind::cpu, rightAnchor);
    EXPECT_EQ(frame().height(), 300);
    EXPECT_EQ(controller.contentHeight(), 300);

    // A report while the content is built wins over its size hint.
    controller.close();
    reportsWhileBuilding[ModuleKind::cpu] = 260;
    controller.show(ModuleKind::cpu, rightAnchor);
    EXPECT_EQ(frame().height(), 260);
}

TEST_F(DropdownControllerTest, ToggleClosesTheSameKindAndReplacesAnother) {
    controller.toggle(ModuleKind::cpu, rightAnchor);
    ASSERT_TRUE(controller.isOpen());
    QPointer<QWidget> first = controller.panel();

    controller.toggle(ModuleKind::memory, leftAnchor);
    EXPECT_EQ(controller.kind(), ModuleKind::memory);
    EXPECT_EQ(frame(), QRect(8, 30, 340, 500));
    ASSERT_EQ(built.size(), 2u);
    EXPECT_NE(controller.panel(), first.data());
    EXPECT_TRUE(first.isNull() || !first->isVisible());

    controller.toggle(ModuleKind::memory, leftAnchor);
    EXPECT_FALSE(controller.isOpen());
    EXPECT_EQ(controller.kind(), std::nullopt);
    EXPECT_EQ(controller.panel(), nullptr);
    EXPECT_EQ(built.size(), 2u);

    // The closed panel is deleted once its events are through; closing again is harmless.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    controller.close();
}

TEST_F(DropdownControllerTest, DismissClosesOnlyItsOwnPanel) {
    controller.show(ModuleKind::cpu, rightAnchor);
    const PanelActions firstActions = built.back().actions;
    const auto firstReport = built.back().report;
    controller.show(ModuleKind::memory, rightAnchor);

    // The closed panel's content can no longer close or resize the one open now.
    firstActions.dismiss();
    firstReport(123);
    EXPECT_TRUE(controller.isOpen());
    EXPECT_EQ(frame().height(), 500);

    built.back().actions.dismiss();
    EXPECT_FALSE(controller.isOpen());
}

TEST_F(DropdownControllerTest, EscapeOnThePanelItselfCloses) {
    controller.show(ModuleKind::cpu, rightAnchor);
    auto* panel = static_cast<DropdownPanel*>(controller.panel());
    // What the panel does with Escape when nothing in the application took it first.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(panel, &escape);
    EXPECT_FALSE(controller.isOpen());
}

TEST_F(DropdownControllerTest, KeysCloseOnlyWhileAPanelIsVisible) {
    struct KeyCase {
        const char* name;
        bool open;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool closes;
        bool opensSettings;
    };
    const KeyCase cases[] = {
        {"Escape", true, Qt::Key_Escape, Qt::NoModifier, true, false},
        {"Shift-Escape", true, Qt::Key_Escape, Qt::ShiftModifier, true, false},
        {"Ctrl-Alt-Escape", true, Qt::Key_Escape, Qt::ControlModifier | Qt::AltModifier, true,
         false},
        {"Ctrl-comma", true, Qt::Key_Comma, Qt::ControlModifier, true, true},
        {"Ctrl-Shift-comma", true, Qt::Key_Comma, Qt::ControlModifier | Qt::ShiftModifier, false,
         false},
        {"Ctrl-Alt-comma", true, Qt::Key_Comma, Qt::ControlModifier | Qt::AltModifier, false,
         false},
        {"Ctrl-keypad-comma", true, Qt::Key_Comma, Qt::ControlModifier | Qt::KeypadModifier, false,
         false},
        {"plain comma", true, Qt::Key_Comma, Qt::NoModifier, false, false},
        {"another key", true, Qt::Key_A, Qt::NoModifier, false, false},
        {"Escape without a panel", false, Qt::Key_Escape, Qt::NoModifier, false, false},
        {"Ctrl-comma without a panel", false, Qt::Key_Comma, Qt::ControlModifier, false, false},
    };
    KeyRecorder window; // another window of the application, say the settings window
    window.show();
    int settingsOpened = 0;
    controller.openSettings = [&] {
        EXPECT_FALSE(controller.isOpen()); // closed first
        ++settingsOpened;
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.open)
            controller.show(ModuleKind::cpu, rightAnchor);
        else
            controller.close();
        window.keys.clear();
        settingsOpened = 0;

        QTest::keyClick(&window, c.key, c.modifiers);

        EXPECT_EQ(controller.isOpen(), c.open && !c.closes);
        EXPECT_EQ(settingsOpened, c.opensSettings ? 1 : 0);
        // Consumed when it closed the panel; passed on otherwise.
        EXPECT_EQ(window.keys.size(), c.closes ? 0u : 1u);
    }
}

TEST_F(DropdownControllerTest, PressOutsideThePanelClosesAndInsideDoesNot) {
    QWidget settingsWindow;
    settingsWindow.resize(200, 100);
    settingsWindow.show();
    controller.show(ModuleKind::cpu, rightAnchor);

    QTest::mousePress(built.back().content, Qt::LeftButton, {}, {10, 10});
    QTest::mouseRelease(built.back().content, Qt::LeftButton, {}, {10, 10});
    QTest::mousePress(controller.panel(), Qt::LeftButton, {}, {20, 20});
    EXPECT_TRUE(controller.isOpen());

    QTest::mousePress(&settingsWindow, Qt::LeftButton, {}, {10, 10});
    EXPECT_FALSE(controller.isOpen());
}

TEST_F(DropdownControllerTest, AMenuOpenedFromThePanelKeepsItOpen) {
    controller.show(ModuleKind::cpu, rightAnchor);
    auto* menu = new QMenu(built.back().content);
    menu->addAction(QStringLiteral("Quit Process"));
    menu->popup(controller.panel()->geometry().center());
    ASSERT_TRUE(test::waitUntil([&] { return QApplication::activePopupWidget() == menu; }));

    QTest::mousePress(menu, Qt::LeftButton, {}, {5, 5});
    EXPECT_TRUE(controller.isOpen());
    // Escape belongs to the menu while it is open.
    QTest::keyClick(menu, Qt::Key_Escape);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_TRUE(controller.isOpen());
}

TEST_F(DropdownControllerTest, ToggleRightAfterAnOutsideCloseOfTheSameKindIsConsumed) {
    QWidget elsewhere;
    elsewhere.show();
    const auto closeByOutsidePress = [&] {
        controller.show(ModuleKind::cpu, rightAnchor);
        QTest::mousePress(&elsewhere, Qt::LeftButton);
        ASSERT_FALSE(controller.isOpen());
    };

    // The press on the item's own icon closed it; the toggle of the same click does nothing.
    closeByOutsidePress();
    clock += 120ms;
    controller.toggle(ModuleKind::cpu, rightAnchor);
    EXPECT_FALSE(controller.isOpen());
    // The guard is spent: the next click opens.
    controller.toggle(ModuleKind::cpu, rightAnchor);
    EXPECT_TRUE(controller.isOpen());

    // At the bound it still holds; past it the toggle is a new click.
    closeByOutsidePress();
    clock += DropdownController::reopenGuard;
    controller.toggle(ModuleKind::cpu, rightAnchor);
    EXPECT_FALSE(controller.isOpen());

    closeByOutsidePress();
    clock += DropdownController::reopenGuard + 1ms;
    controller.toggle(ModuleKind::cpu, rightAnchor);
    EXPECT_TRUE(controller.isOpen());

    // Another module's item opens its own dropdown at once.
    closeByOutsidePress();
    clock += 50ms;
    controller.toggle(ModuleKind::memory, rightAnchor);
    EXPECT_EQ(controller.kind(), ModuleKind::memory);

    // A close that was asked for (Escape, dismiss, a toggle) arms nothing.
    controller.show(ModuleKind::cpu, rightAnchor);
    controller.close();
    controller.toggle(ModuleKind::cpu, rightAnchor);
    EXPECT_TRUE(controller.isOpen());
}

TEST_F(DropdownControllerTest, FocusMovingToAnotherWindowClosesOnceThePanelHadIt) {
    QWidget other;
    other.show();
    controller.show(ModuleKind::cpu, rightAnchor);
    ASSERT_TRUE(test::waitUntil([&] {
        return controller.panel() != nullptr &&
               QGuiApplication::focusWindow() == controller.panel()->windowHandle();
    }));

    other.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return !controller.isOpen(); }));

    // That close counts as a click outside for the reopen guard.
    controller.toggle(ModuleKind::cpu, rightAnchor);
    EXPECT_FALSE(controller.isOpen());
}

TEST(DropdownPanel, CutsItsCornersAndCancelsOnEscape) {
    DropdownPanel panel;
    panel.resize(DropdownPanel::panelWidth, 200);
    panel.show(); // a hidden window is told its new size when it is shown
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(panel.windowType(), Qt::Tool);
    // Offscreen there is no compositing manager: the shape is a mask.
    ASSERT_FALSE(panel.isTranslucent());
    const QRegion mask = panel.mask();
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(339, 199)));
    EXPECT_TRUE(mask.contains(QPoint(14, 0)));
    EXPECT_TRUE(mask.contains(QPoint(0, 100)));
    EXPECT_TRUE(mask.contains(QPoint(339, 100)));

    int cancels = 0;
    QTest::keyClick(&panel, Qt::Key_Escape);
    panel.onCancel = [&] { ++cancels; };
    QTest::keyClick(&panel, Qt::Key_Escape);
    EXPECT_EQ(cancels, 1);
}

} // namespace
