#include "support/HubFixture.h"
#include "support/TestEnv.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/menubar/MenuBarPreviewImages.h"
#include "ui/settings/GeneralPane.h"
#include "ui/settings/MenuBarPane.h"
#include "ui/settings/MenuBarPreview.h"
#include "ui/settings/ModuleRow.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/ShortcutRecorder.h"
#include "ui/settings/ShortcutsPane.h"
#include "ui/settings/SwitchToggle.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

// A hot-key center whose grabs are counted instead of sent to a display.
struct FakeHotKeys {
    int grabs = 0;
    int ungrabs = 0;
    HotKeyCenter center{[this](HotKeyCenter&) -> std::optional<HotKeyCenter::Registrar> {
        return HotKeyCenter::Registrar{[this](std::uint32_t, const HotKey&) {
                                           ++grabs;
                                           return true;
                                       },
                                       [this](std::uint32_t) { ++ungrabs; }};
    }};
};

struct SettingsFixture {
    test::HubFixture hub;
    PanelDefaults defaults{platform::UserDefaults::inMemory()};
    FakeHotKeys hotKeys;

    SettingsEnv env(Appearance appearance = Appearance::light) {
        SettingsEnv e;
        e.panel.hub = hub.hub.get();
        e.panel.settings = &hub.settings;
        e.panel.appearance = appearance;
        e.hotKeys = &hotKeys.center;
        e.menuBarPreview = menuBarPreviewImages();
        e.general.defaults = platform::UserDefaults::inMemory();
        e.general.autostart = platform::AutostartEntry(
            test::scratchDir() + QStringLiteral("/autostart"), QStringLiteral("/usr/bin/morvanex"));
        e.general.applyAppearance = [](AppearanceMode) {};
        e.general.confirmClear = [](QWidget*) { return false; };
        return e;
    }
};

} // namespace

TEST(SettingsView, FollowsTheStoredPaneWhileOpen) {
    SettingsFixture f;
    f.defaults.setValue(PanelKeys::settingsPane, QStringLiteral("Weather")); // not a raw value
    SettingsView view(f.env(), f.defaults);
    EXPECT_EQ(view.pane(), SettingsPane::general);
    EXPECT_NE(qobject_cast<GeneralPane*>(view.paneView()), nullptr);
    EXPECT_EQ(f.defaults.value(PanelKeys::settingsPane).toString(), QStringLiteral("Weather"));

    f.defaults.setValue(PanelKeys::settingsPane, QStringLiteral("shortcuts"));
    EXPECT_EQ(view.pane(), SettingsPane::shortcuts);
    EXPECT_NE(qobject_cast<ShortcutsPane*>(view.paneView()), nullptr);
    EXPECT_EQ(view.windowTitle(), QStringLiteral("Shortcuts"));

    f.defaults.setValue(PanelKeys::settingsPane, QStringLiteral("weather"));
    EXPECT_EQ(view.windowTitle(), QStringLiteral("Weather"));

    QTest::mouseClick(view.sidebarRow(SettingsPane::menuBar), Qt::LeftButton);
    EXPECT_EQ(view.pane(), SettingsPane::menuBar);
    EXPECT_EQ(f.defaults.value(PanelKeys::settingsPane).toString(), QStringLiteral("menuBar"));
    EXPECT_NE(qobject_cast<MenuBarPane*>(view.paneView()), nullptr);
    EXPECT_TRUE(view.versionText().startsWith(QStringLiteral("Morvanex")));
    EXPECT_EQ(view.minimumSize(), QSize(760, 520));
}

TEST(SettingsView, LeavingShortcutsDuringARecordingGivesHotKeysBack) {
    SettingsFixture f;
    f.defaults.setValue(PanelKeys::settingsPane, QStringLiteral("shortcuts"));
    SettingsView view(f.env(), f.defaults);
    auto* pane = qobject_cast<ShortcutsPane*>(view.paneView());
    ASSERT_NE(pane, nullptr);
    QTest::mouseClick(pane->recorder(HotKeyAction::settings())->captionField(), Qt::LeftButton);
    EXPECT_TRUE(f.hotKeys.center.suspended);
    view.select(SettingsPane::general);
    EXPECT_FALSE(f.hotKeys.center.suspended);
    EXPECT_TRUE(f.hub.settings.config().hotKeys.empty());
}

TEST(GeneralPane, ToggleWritesOnceAndObserverSeesOneChange) {
    SettingsFixture f;
    int changes = 0;
    auto subscription =
        f.hub.settings.addObserver([&](const Config&, const Config&) { ++changes; });
    GeneralPane pane(f.env().panel, f.env().general);
    QTest::mouseClick(pane.networkDisksToggle(), Qt::LeftButton);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(f.hub.settings.config().showNetworkDisks);
    EXPECT_FALSE(pane.networkDisksToggle()->isChecked());

    // Every keystroke of the ping address is stored as it stands.
    pane.pingField()->selectAll();
    QTest::keyClick(pane.pingField(), Qt::Key_Backspace);
    EXPECT_EQ(f.hub.settings.config().pingHost, QString());
    QTest::keyClicks(pane.pingField(), QStringLiteral("9.9"));
    EXPECT_EQ(f.hub.settings.config().pingHost, QStringLiteral("9.9"));
    EXPECT_EQ(changes, 1 + 4);
}

// A stored ping host of megabytes: the field shows its start, and nothing is stored until the
// person edits it.
TEST(GeneralPane, AHugeStoredPingHostIsShownCut) {
    SettingsFixture f;
    const QString huge(10 << 20, u'h');
    f.hub.settings.update([&](Config& c) { c.pingHost = huge; });
    GeneralPane pane(f.env().panel, f.env().general);
    EXPECT_EQ(pane.pingField()->text(), QString(256, u'h'));
    EXPECT_EQ(f.hub.settings.config().pingHost, huge);
    f.hub.settings.update([](Config& c) { c.monochrome = true; }); // the pane refreshes
    EXPECT_EQ(pane.pingField()->text(), QString(256, u'h'));
    EXPECT_EQ(f.hub.settings.config().pingHost, huge);
}

TEST(GeneralPane, IntervalNotAmongTheChoicesShowsNone) {
    SettingsFixture f;
    f.hub.settings.update([](Config& c) { c.updateInterval = 4; });
    GeneralPane pane(f.env().panel, f.env().general);
    EXPECT_EQ(pane.intervalPicker()->currentIndex(), -1);
    pane.intervalPicker()->activated(4);
    EXPECT_EQ(f.hub.settings.config().updateInterval, 10.0);
    EXPECT_EQ(pane.intervalPicker()->currentIndex(), 4);
    pane.temperaturePicker()->activated(2);
    EXPECT_EQ(f.hub.settings.config().temperatureUnit, TempUnit::kelvin);
    pane.bandwidthPicker()->activated(1);
    EXPECT_TRUE(f.hub.settings.config().bandwidthBits);
}

TEST(GeneralPane, OpenAtLoginWritesTheEntryAndSetsBackAfterAFailure) {
    SettingsFixture f;
    SettingsEnv env = f.env();
    GeneralPane pane(env.panel, env.general);
    EXPECT_FALSE(pane.loginToggle()->isChecked());
    QTest::mouseClick(pane.loginToggle(), Qt::LeftButton);
    EXPECT_TRUE(env.general.autostart.isEnabled());
    EXPECT_TRUE(pane.loginErrorLabel()->isHidden());
    QTest::mouseClick(pane.loginToggle(), Qt::LeftButton);
    EXPECT_FALSE(env.general.autostart.isEnabled());

    // A folder that cannot be made: the error shows, the toggle goes back to off, and that
    // correction asks for nothing (a removal would succeed and hide the error).
    QFile blocker(test::scratchDir() + QStringLiteral("/blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    env.general.autostart =
        platform::AutostartEntry(blocker.fileName() + QStringLiteral("/autostart"), "/usr/bin/m");
    GeneralPane failing(env.panel, env.general);
    QTest::mouseClick(failing.loginToggle(), Qt::LeftButton);
    EXPECT_FALSE(failing.loginToggle()->isChecked());
    EXPECT_FALSE(failing.loginErrorLabel()->isHidden());
    EXPECT_TRUE(failing.loginErrorLabel()->text().contains(QStringLiteral("Couldn't")));
}

TEST(MenuBarPane, RowsHeaderAndEdits) {
    SettingsFixture f;
    SettingsEnv env = f.env();
    MenuBarPane pane(env.panel, env.menuBarPreview);
    ASSERT_EQ(pane.enabledRows().size(), 7u);
    EXPECT_EQ(pane.enabledList()->height(), 7 * 40);
    EXPECT_EQ(pane.hiddenNamesLabel()->text(),
              QStringLiteral("Overview, GPU, Sun & Moon, World Clock"));
    EXPECT_EQ(pane.hiddenCountLabel()->text(), QStringLiteral("4 more hidden"));
    EXPECT_TRUE(pane.hiddenRows().empty());

    // The first row cannot move up, the last cannot move down.
    std::unique_ptr<QMenu> first(pane.contextMenu(pane.enabledRows().front(), nullptr));
    EXPECT_FALSE(first->actions()[0]->isEnabled());
    EXPECT_TRUE(first->actions()[1]->isEnabled());
    std::unique_ptr<QMenu> last(pane.contextMenu(pane.enabledRows().back(), nullptr));
    EXPECT_FALSE(last->actions()[1]->isEnabled());
    first->actions()[1]->trigger();
    EXPECT_EQ(f.hub.settings.config().modules[0].kind, ModuleKind::memory);
    EXPECT_EQ(f.hub.settings.config().modules[1].kind, ModuleKind::cpu);

    // Unfolded rows have no handle and a disabled picker; switching one on moves it up.
    pane.setShowHidden(true);
    EXPECT_EQ(pane.hiddenCountLabel()->text(), QStringLiteral("Hide"));
    ASSERT_EQ(pane.hiddenRows().size(), 4u);
    ModuleRow* gpu = pane.hiddenRows()[1];
    EXPECT_FALSE(gpu->showsHandle());
    EXPECT_FALSE(gpu->stylePicker()->isEnabled());
    QTest::mouseClick(gpu->toggle(), Qt::LeftButton);
    ASSERT_EQ(pane.enabledRows().size(), 8u);
    EXPECT_EQ(pane.enabledRows().back()->module().kind, ModuleKind::gpu);
    EXPECT_EQ(pane.hiddenRows().size(), 3u);
    EXPECT_EQ(pane.hiddenRows()[0]->toggle()->accessibleName(), QStringLiteral("Show Combined"));
}

TEST(MenuBarPane, OptionsWriteTheirFields) {
    SettingsFixture f;
    SettingsEnv env = f.env();
    MenuBarPane pane(env.panel, env.menuBarPreview);
    EXPECT_EQ(pane.sensorPicker()->itemText(0), QStringLiteral("Hottest CPU sensor"));
    EXPECT_EQ(pane.sensorPicker()->currentIndex(), 0);
    QTest::mouseClick(pane.monochromeToggle(), Qt::LeftButton);
    EXPECT_TRUE(f.hub.settings.config().monochrome);
    pane.sensorModePicker()->activated(1);
    EXPECT_EQ(f.hub.settings.config().sensorMode, SensorMode::detailed);
    f.hub.settings.update([](Config& c) { c.menubarSensorKey = QStringLiteral("GONE"); });
    EXPECT_EQ(pane.sensorPicker()->currentIndex(), -1);
    pane.sensorPicker()->activated(0);
    EXPECT_EQ(f.hub.settings.config().menubarSensorKey, std::nullopt);
    EXPECT_EQ(
        MenuBarPane::sensorChoices({QStringLiteral("CPU Die")}, {QStringLiteral("TC0D")}),
        (QStringList{QStringLiteral("Hottest CPU sensor"), QStringLiteral("CPU Die (TC0D)")}));
}

TEST(MenuBarPreview, ShownModules) {
    Config config;
    auto shown = MenuBarPreview::shownModules(config, false);
    EXPECT_EQ(shown.size(), 6u); // the battery left out
    EXPECT_EQ(MenuBarPreview::shownModules(config, true).size(), 7u);
    for (ModuleConfig& m : config.modules)
        m.enabled = false;
    EXPECT_TRUE(MenuBarPreview::shownModules(config, true).empty());
}

TEST(MenuBarPreview, MonochromeItemsTakeTheForegroundOfTheAppearance) {
    SettingsFixture f;
    f.hub.hub->tick();
    Config config = f.hub.settings.config();
    config.monochrome = true;
    ModuleConfig cpu;
    cpu.kind = ModuleKind::cpu;
    cpu.style = DisplayStyle::text;
    for (const Appearance appearance : {Appearance::dark, Appearance::light}) {
        const QImage image = menuBarPreviewImages()(cpu, *f.hub.hub, config, appearance);
        // The brightest opaque pixel: light on the dark strip, dark on the light one.
        int lightest = 0, darkest = 255;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() < 200)
                    continue;
                lightest = std::max(lightest, pixel.lightness());
                darkest = std::min(darkest, pixel.lightness());
            }
        if (appearance == Appearance::dark)
            EXPECT_GT(lightest, 200);
        else
            EXPECT_LT(darkest, 60);
    }
}

TEST(ShortcutRecorder, RecordsClearsCancelsAndSwallowsKeys) {
    std::vector<std::optional<HotKey>> recorded;
    int starts = 0;
    int cancels = 0;
    ShortcutRecorder::Callbacks callbacks;
    callbacks.onStart = [&] { ++starts; };
    callbacks.onRecord = [&](std::optional<HotKey> key) { recorded.push_back(key); };
    callbacks.onCancel = [&] { ++cancels; };

    QWidget window;
    int quits = 0;
    auto* quit = new QAction(&window);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setShortcutContext(Qt::ApplicationShortcut);
    QObject::connect(quit, &QAction::triggered, [&] { ++quits; });
    window.addAction(quit);
    auto* field = new QLineEdit(&window);
    auto* recorder = new ShortcutRecorder(Appearance::light, callbacks, &window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    field->setFocus();

    EXPECT_EQ(recorder->text(), QStringLiteral("Record Shortcut"));
    EXPECT_FALSE(recorder->showsClear());
    QTest::mouseClick(recorder->captionField(), Qt::LeftButton);
    EXPECT_EQ(starts, 1);
    recorder->setState(std::nullopt, true, true);
    EXPECT_TRUE(recorder->isListening());
    EXPECT_EQ(recorder->text(), QStringLiteral("Type shortcut…"));
    EXPECT_FALSE(recorder->showsWarning());

    // Shift-A is no shortcut: consumed, the caption asks for more.
    QTest::keyClick(field, Qt::Key_A, Qt::ShiftModifier);
    EXPECT_EQ(recorder->text(), QStringLiteral("Add Ctrl, Alt or Super"));
    EXPECT_TRUE(field->text().isEmpty());
    // Super alone is only a modifier.
    QTest::keyClick(field, Qt::Key_Meta, Qt::MetaModifier);
    EXPECT_TRUE(recorded.empty());

    QTest::keyClick(field, Qt::Key_K, Qt::MetaModifier | Qt::AltModifier);
    ASSERT_EQ(recorded.size(), 1u);
    ASSERT_TRUE(recorded[0]);
    EXPECT_EQ(recorded[0]->label, QStringLiteral("⌥⌘K"));
    EXPECT_EQ(recorded[0]->keyCode, 40u);
    EXPECT_EQ(recorded[0]->modifiers, 0x800u | 0x100u);

    // Ctrl+Q is recorded, not performed.
    QTest::keyClick(field, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 0);
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[1]->label, QStringLiteral("⌃Q"));

    QTest::keyClick(field, Qt::Key_F5);
    ASSERT_EQ(recorded.size(), 3u);
    EXPECT_EQ(recorded[2]->label, QStringLiteral("F5"));

    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClick(field, Qt::Key_Backspace);
    ASSERT_EQ(recorded.size(), 5u);
    EXPECT_FALSE(recorded[3]);
    EXPECT_FALSE(recorded[4]);
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(field->text().isEmpty());

    // A second click while recording cancels.
    QTest::mouseClick(recorder->captionField(), Qt::LeftButton);
    EXPECT_EQ(cancels, 2);

    // Stopped: keys reach the window again.
    const HotKey key{40, 0x900, QStringLiteral("⌥⌘K")};
    recorder->setState(key, false, true);
    EXPECT_FALSE(recorder->isListening());
    // The stored label keeps its marks; the caption reads the Linux way.
    EXPECT_EQ(recorder->text(), QStringLiteral("Alt+Super+K"));
    EXPECT_TRUE(recorder->showsWarning());
    EXPECT_TRUE(recorder->showsClear());
    QTest::keyClick(field, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1);
    QTest::keyClick(field, Qt::Key_X);
    EXPECT_EQ(field->text(), QStringLiteral("x"));
}

TEST(ShortcutsPane, MovesACombinationAndDrivesTheHotKeys) {
    SettingsFixture f;
    SettingsEnv env = f.env();
    const HotKey key{40, 0x1900, QStringLiteral("⌃⌥⌘K")};
    f.hub.settings.update([&](Config& c) { c.hotKeys[QStringLiteral("dropdown.cpu")] = key; });
    // The application's observer, as the tray installs it.
    auto observer = f.hub.settings.addObserver([&](const Config& old, const Config& now) {
        if (old.hotKeys == now.hotKeys)
            return;
        f.hotKeys.center.current = now.hotKeys;
        if (!f.hotKeys.center.suspended)
            f.hotKeys.center.registerAll();
    });
    f.hotKeys.center.current = f.hub.settings.config().hotKeys;
    f.hotKeys.center.registerAll();
    ASSERT_EQ(f.hotKeys.grabs, 1);

    ShortcutsPane pane(env.panel, f.hotKeys.center);
    ShortcutRecorder* memory = pane.recorder(HotKeyAction::dropdown(ModuleKind::memory));
    ShortcutRecorder* cpu = pane.recorder(HotKeyAction::dropdown(ModuleKind::cpu));
    EXPECT_EQ(cpu->text(), QStringLiteral("Ctrl+Alt+Super+K"));
    EXPECT_TRUE(pane.clearAllButton()->isEnabled());

    QTest::mouseClick(cpu->captionField(), Qt::LeftButton);
    QTest::mouseClick(memory->captionField(), Qt::LeftButton); // moves the recording
    EXPECT_EQ(f.hotKeys.ungrabs, 1);                           // unregistered once
    EXPECT_TRUE(f.hotKeys.center.suspended);
    EXPECT_FALSE(cpu->isListening());
    EXPECT_TRUE(memory->isListening());

    pane.session().assign(key, HotKeyAction::dropdown(ModuleKind::memory));
    EXPECT_FALSE(f.hotKeys.center.suspended);
    EXPECT_EQ(f.hub.settings.config().hotKeys,
              (std::map<QString, HotKey>{{QStringLiteral("dropdown.memory"), key}}));
    EXPECT_EQ(pane.noteLabel()->text(),
              QStringLiteral("Ctrl+Alt+Super+K moved from CPU to Memory."));
    EXPECT_FALSE(pane.noteLabel()->isHidden());
    EXPECT_EQ(memory->text(), QStringLiteral("Ctrl+Alt+Super+K"));
    EXPECT_EQ(cpu->text(), QStringLiteral("Record Shortcut"));
    EXPECT_EQ(f.hotKeys.grabs, 3); // restored, then the new binding

    // The next recording clears the note; "Clear All Shortcuts" empties the map.
    QTest::mouseClick(cpu->captionField(), Qt::LeftButton);
    EXPECT_TRUE(pane.noteLabel()->isHidden());
    QTest::mouseClick(pane.clearAllButton(), Qt::LeftButton);
    EXPECT_TRUE(f.hub.settings.config().hotKeys.empty());
    EXPECT_FALSE(pane.clearAllButton()->isEnabled());
    EXPECT_TRUE(cpu->isListening()); // the recording goes on
    QTest::keyClick(pane.clearAllButton(), Qt::Key_Escape);
    EXPECT_FALSE(f.hotKeys.center.suspended);
}
