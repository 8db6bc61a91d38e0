#include "ui/tray/StatusItemController.h"

#include "SniTestBus.h"
#include "base/AppActions.h"
#include "support/FixtureTree.h"
#include "support/HubFixture.h"
#include "support/Wait.h"
#include "ui/menubar/MenuBarContent.h"
#include "ui/tray/SettingsReactions.h"
#include "ui/tray/StatusItemModules.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <variant>

using namespace morvanex;
using namespace morvanex::ui;
using K = ModuleKind;
using S = DisplayStyle;

namespace {

const QString kCup = QStringLiteral("cup.and.saucer.fill");

struct Toggle {
    K kind;
    QRect anchor;
    bool operator==(const Toggle&) const = default;
};

struct StatusItemControllerTest : testing::Test {
    test::SniTestBus sni;
    test::HubFixture f;
    std::vector<Toggle> toggles;
    int closes = 0;
    std::unique_ptr<StatusItemController> controller;

    void SetUp() override {
        ASSERT_TRUE(sni.bus.isRunning());
        ASSERT_TRUE(sni.watcher.start());
        f.hub->battery.present = true;
        controller = std::make_unique<StatusItemController>(
            *f.hub, f.settings,
            DropdownHooks{[this](K kind, QRect anchor) {
                              toggles.push_back({kind, anchor});
                          },
                          [this] { ++closes; }});
        controller->busAddress = sni.bus.address();
    }

    void configure(std::vector<ModuleConfig> modules) {
        f.settings.update([&](Config& c) { c.modules = std::move(modules); });
    }
    std::vector<K> kinds() const {
        std::vector<K> out;
        for (const auto& entry : controller->entries())
            out.push_back(entry.kind);
        return out;
    }
    const StatusItem* itemOf(K kind) const {
        for (const auto& entry : controller->entries())
            if (entry.kind == kind)
                return entry.item;
        return nullptr;
    }
};

// The menu's texts, "-" for separators; a submenu's texts follow its title in brackets.
QStringList texts(const QMenu& menu) {
    QStringList out;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            out << QStringLiteral("-");
            continue;
        }
        out << action->text();
        if (const QMenu* sub = QMenu::menuInAction(action))
            out << QStringLiteral("[") << texts(*sub) << QStringLiteral("]");
    }
    return out;
}

QAction* find(const QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->text() == text)
            return action;
        if (const QMenu* sub = QMenu::menuInAction(action))
            if (QAction* inner = find(*sub, text))
                return inner;
    }
    return nullptr;
}

} // namespace

TEST_F(StatusItemControllerTest, OneItemPerShownModuleWithTheCupOnTheLeftmost) {
    configure({{K::cpu, true, S::graphAndText},
               {K::gpu, false, S::text},
               {K::memory, true, S::text},
               {K::network, true, S::graph}});
    controller->rebuild();
    EXPECT_EQ(closes, 1); // the dropdown is closed first
    EXPECT_EQ(kinds(), (std::vector<K>{K::cpu, K::memory, K::network}));
    QStringList services;
    for (const auto& entry : controller->entries()) {
        EXPECT_EQ(entry.item->id(), itemId(entry.kind));
        EXPECT_EQ(entry.item->title(), itemTitle(entry.kind));
        EXPECT_TRUE(entry.item->usesWatcher());
        services << entry.item->registeredName();
    }
    // Told to the watcher first to last: a watcher not of GNOME Shell's appends new items.
    ASSERT_TRUE(test::waitUntil([&] { return sni.watcher.registered().size() == 3; }));
    EXPECT_EQ(sni.watcher.registered(), services);

    // What each item shows follows from its style and the state: the cup leads the leftmost
    // item only while the computer is kept awake, the slots sit four points apart in an image
    // 22 points high, and a monochrome item is a template without colour of its own.
    const auto isCup = [](const MenuBarPart& part) {
        const auto* symbol = std::get_if<MenuBarSymbol>(&part);
        return symbol && symbol->name == kCup;
    };
    const auto isText = [](const MenuBarPart& part) {
        return std::holds_alternative<MenuBarText>(part) ||
               std::holds_alternative<MenuBarStacked>(part);
    };
    for (const bool monochrome : {false, true}) {
        double plainCpuWidth = 0;
        for (const bool awake : {false, true}) {
            SCOPED_TRACE(testing::Message() << "monochrome " << monochrome << " awake " << awake);
            f.settings.update([&](Config& c) { c.monochrome = monochrome; });
            if (awake)
                f.hub->keepAwake.activate(false, std::nullopt);
            else
                f.hub->keepAwake.stop(false);
            controller->refresh();
            for (const auto& entry : controller->entries()) {
                SCOPED_TRACE(rawValue(entry.kind).toStdString());
                ASSERT_TRUE(entry.item->image().has_value());
                const MenuBarImage& shown = *entry.item->image();
                const std::vector<MenuBarPart>& parts = shown.parts();
                ASSERT_EQ(parts.size(), shown.widths().size());
                ASSERT_FALSE(parts.empty());
                const bool cupFirst = awake && entry.kind == K::cpu;
                EXPECT_EQ(std::count_if(parts.begin(), parts.end(), isCup), cupFirst ? 1 : 0);
                EXPECT_EQ(isCup(parts.front()), cupFirst);
                const auto content = parts.begin() + (cupFirst ? 1 : 0);
                const auto textParts = std::count_if(content, parts.end(), isText);
                const auto others = std::distance(content, parts.end()) - textParts;
                if (entry.kind == K::cpu) { // graph and text
                    EXPECT_GE(textParts, 1);
                    EXPECT_GE(others, 1);
                } else if (entry.kind == K::memory) { // text
                    EXPECT_GE(textParts, 1);
                    EXPECT_EQ(others, 0);
                } else { // the network's graph
                    EXPECT_EQ(textParts, 0);
                    EXPECT_GE(others, 1);
                }

                double slotSum = 4.0 * double(parts.size() - 1);
                for (const double width : shown.widths())
                    slotSum += width;
                EXPECT_EQ(shown.size(), QSizeF(std::ceil(slotSum), 22));
                if (entry.kind == K::cpu && !awake)
                    plainCpuWidth = shown.size().width();
                if (entry.kind == K::cpu && awake) {
                    EXPECT_NEAR(shown.size().width(), plainCpuWidth + shown.widths().front() + 4,
                                1);
                }

                EXPECT_EQ(shown.isTemplate(), monochrome);
                if (monochrome) {
                    const QImage pixels = shown.toImage(Appearance::dark);
                    int coloured = 0;
                    for (int y = 0; y < pixels.height(); ++y) {
                        for (int x = 0; x < pixels.width(); ++x) {
                            const QRgb pixel = pixels.pixel(x, y);
                            coloured +=
                                qRed(pixel) != qGreen(pixel) || qGreen(pixel) != qBlue(pixel);
                        }
                    }
                    EXPECT_EQ(coloured, 0);
                }
            }
        }
    }

    // A rebuild replaces the items: the old names leave the bus.
    configure({{K::memory, true, S::text}});
    controller->rebuild();
    EXPECT_EQ(kinds(), (std::vector<K>{K::memory}));
    for (const QString& service : services)
        EXPECT_FALSE(sni.hasOwner(service));
}

TEST_F(StatusItemControllerTest, EveryChangeAndWatcherRestartRegistersEachItemOnceInTheHostsOrder) {
    // The watcher runs in this process: told apart by this process's command name, as the
    // proc folder given to the controller shows it.
    QTemporaryDir shellProc;
    ASSERT_TRUE(shellProc.isValid());
    test::writeFile(shellProc.path(),
                    QString::number(QCoreApplication::applicationPid()) + QStringLiteral("/comm"),
                    "gnome-shell\n");
    struct Host {
        const char* name;
        QString proc;
        bool insertsLeftmost;
    };
    const Host hosts[] = {
        {"a panel that appends new items", QStringLiteral("/proc"), false},
        {"GNOME Shell, which inserts new items at the left", shellProc.path(), true},
    };
    // Wired as the application wires it: settings changes rebuild or refresh the items.
    subscribeSettingsReactions(
        f.settings, controller.get(), *f.hub,
        {[this] { controller->rebuild(); }, [this] { controller->refresh(); }, {}});
    const auto module = [](Config& c, K kind) -> ModuleConfig& {
        return *std::find_if(c.modules.begin(), c.modules.end(),
                             [kind](const ModuleConfig& m) { return m.kind == kind; });
    };
    struct Change {
        const char* name;
        std::function<void(Config&)> apply;
    };
    const Change changes[] = {
        {"a module off", [&](Config& c) { module(c, K::sensors).enabled = false; }},
        {"a style", [&](Config& c) { module(c, K::memory).style = S::graph; }},
        {"the order",
         [](Config& c) { std::rotate(c.modules.begin(), c.modules.begin() + 2, c.modules.end()); }},
        {"a module on again", [&](Config& c) { module(c, K::sensors).enabled = true; }},
        {"the appearance (monochrome)", [](Config& c) { c.monochrome = !c.monochrome; }},
        {"an unrelated setting", [](Config& c) { c.pingHost = QStringLiteral("127.0.0.2"); }},
    };
    for (const Host& host : hosts) {
        SCOPED_TRACE(host.name);
        controller->roots.proc = host.proc;
        configure({{K::cpu, true, S::text},
                   {K::memory, true, S::text},
                   {K::sensors, true, S::text},
                   {K::weather, true, S::icon},
                   {K::network, true, S::text},
                   {K::disks, true, S::text}});
        controller->rebuild();
        // The items in the configured order, the leftmost first; told to the watcher so that
        // the panel shows them so.
        const auto expectedServices = [&] {
            EXPECT_EQ(kinds(), shownModules(f.settings.config(), true));
            QStringList services;
            for (const auto& entry : controller->entries())
                services << entry.item->registeredName();
            if (host.insertsLeftmost)
                std::reverse(services.begin(), services.end());
            return services;
        };
        const auto expectListed = [&] {
            const QStringList services = expectedServices();
            EXPECT_TRUE(test::waitUntil([&] { return sni.watcher.registered() == services; }))
                << sni.watcher.registered().join(QStringLiteral(", ")).toStdString() << "\nwanted "
                << services.join(QStringLiteral(", ")).toStdString();
        };
        expectListed();
        for (const Change& change : changes) {
            SCOPED_TRACE(change.name);
            f.settings.update(change.apply);
            expectListed();
        }

        // Panel restarts: each new watcher hears of every item once, in the same sequence,
        // also when it refuses the first registrations it gets, or has no panel yet.
        sni.watcher.stop();
        struct Restart {
            int refuse;
            bool panelLater;
        };
        for (const Restart restart : {Restart{0, false}, Restart{1, false}, Restart{3, false},
                                      Restart{0, true}, Restart{2, true}}) {
            SCOPED_TRACE(testing::Message() << "refusing " << restart.refuse << ", panel later "
                                            << restart.panelLater);
            test::SniWatcher restarted(sni.bus.connect(
                QStringLiteral("sni-watcher-%1-%2").arg(restart.refuse).arg(restart.panelLater)));
            restarted.refuseNext(restart.refuse);
            if (restart.panelLater)
                restarted.awaitHost();
            ASSERT_TRUE(restarted.start());
            if (restart.panelLater) {
                // Nothing before the panel is there, even after the moment a new watcher is
                // given.
                test::waitUntil([] { return false; }, std::chrono::milliseconds(1500));
                EXPECT_TRUE(restarted.registrations().isEmpty());
                restarted.RegisterStatusNotifierHost(QStringLiteral("panel"));
            }
            const QStringList services = expectedServices();
            EXPECT_TRUE(test::waitUntil([&] { return restarted.registered() == services; }))
                << restarted.registered().join(QStringLiteral(", ")).toStdString();
            EXPECT_EQ(restarted.refused(), restart.refuse);
            // Nothing more comes: every registration the watcher took was a first one.
            test::waitUntil([] { return false; }, std::chrono::milliseconds(500));
            EXPECT_EQ(restarted.registrations(), services);
            restarted.stop();
        }
        ASSERT_TRUE(sni.watcher.start());
    }
}

TEST_F(StatusItemControllerTest, CombinedItemWhenNothingIsShown) {
    struct Row {
        const char* name;
        std::vector<ModuleConfig> modules;
        bool battery;
        S style;
    };
    const Row rows[] = {
        {"all disabled, combined configured",
         {{K::combined, false, S::graph}, {K::cpu, false, S::text}},
         true,
         S::graph},
        {"all disabled, no combined entry: the icon", {{K::cpu, false, S::text}}, true, S::icon},
        {"only a battery the machine lacks", {{K::battery, true, S::text}}, false, S::icon},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        f.hub->battery.present = row.battery;
        configure(row.modules);
        controller->rebuild();
        ASSERT_EQ(kinds(), std::vector<K>{K::combined});
        const Config& config = f.settings.config();
        const auto expected =
            MenuBarContent::parts(ModuleConfig{K::combined, true, row.style}, *f.hub, config);
        EXPECT_EQ(controller->entries().front().item->image()->parts(), expected);
    }
}

TEST_F(StatusItemControllerTest, ContextMenuFollowsKeepAwakeAndTheUpdateHook) {
    configure({{K::cpu, true, S::text}});
    controller->rebuild();
    const QStringList durations{"30 minutes", "1 hour", "2 hours", "Until turned off"};
    struct Row {
        const char* name;
        bool awake;
        bool updates;
        QStringList expected;
    };
    const Row rows[] = {
        {"off", false, false,
         QStringList{"Keep Awake", "["} + durations +
             QStringList{"]", "-", "Morvanex Settings…", "-", "Quit Morvanex"}},
        {"on", true, false,
         QStringList{"Keep Awake: Until turned off", "["} + durations +
             QStringList{"-", "Turn Off", "]", "-", "Morvanex Settings…", "-", "Quit Morvanex"}},
        {"with updates", false, true,
         QStringList{"Keep Awake", "["} + durations +
             QStringList{"]", "-", "Morvanex Settings…", "Check for Updates…", "-",
                         "Quit Morvanex"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.awake)
            f.hub->keepAwake.activate(false, std::nullopt);
        else
            f.hub->keepAwake.stop(false);
        controller->checkForUpdates = row.updates ? std::function<void()>([] {}) : nullptr;
        QMenu menu;
        controller->fillContextMenu(menu);
        EXPECT_EQ(texts(menu), row.expected);
        EXPECT_EQ(find(menu, "Morvanex Settings…")->shortcut(), QKeySequence("Ctrl+,"));
        EXPECT_EQ(find(menu, "Quit Morvanex")->shortcut(), QKeySequence("Ctrl+Q"));
    }
}

TEST_F(StatusItemControllerTest, MenuActionsStartAndStopKeepAwakeAndCallTheHooks) {
    configure({{K::cpu, true, S::text}});
    controller->rebuild();
    for (const bool display : {false, true}) {
        SCOPED_TRACE(display);
        f.settings.update([&](Config& c) { c.keepAwakeDisplay = display; });
        QMenu menu;
        controller->fillContextMenu(menu);
        find(menu, "2 hours")->trigger();
        EXPECT_TRUE(f.hub->keepAwake.isActive);
        EXPECT_EQ(f.hub->keepAwake.endDate, f.now.addSecs(7200));
        EXPECT_EQ(f.hub->keepAwake.keepsDisplayOn, display);
    }
    {
        QMenu menu;
        controller->fillContextMenu(menu);
        find(menu, "Until turned off")->trigger();
        EXPECT_TRUE(f.hub->keepAwake.isActive);
        EXPECT_EQ(f.hub->keepAwake.endDate, std::nullopt);
    }
    int changes = 0;
    f.hub->keepAwake.onChange = [&] { ++changes; };
    {
        QMenu menu;
        controller->fillContextMenu(menu);
        find(menu, "Turn Off")->trigger();
        EXPECT_FALSE(f.hub->keepAwake.isActive);
        EXPECT_EQ(changes, 1); // stopped with notice
    }

    int settingsOpened = 0, updateChecks = 0, quits = 0;
    const auto savedOpen = AppActions::openSettings;
    AppActions::openSettings = [&] { ++settingsOpened; };
    controller->checkForUpdates = [&] { ++updateChecks; };
    controller->quit = [&] { ++quits; };
    QMenu menu;
    controller->fillContextMenu(menu);
    find(menu, "Morvanex Settings…")->trigger();
    find(menu, "Check for Updates…")->trigger();
    find(menu, "Quit Morvanex")->trigger();
    AppActions::openSettings = savedOpen;
    EXPECT_EQ(settingsOpened, 1);
    EXPECT_EQ(updateChecks, 1);
    EXPECT_EQ(quits, 1);
}

TEST_F(StatusItemControllerTest, ClicksAndHotKeysToggleTheDropdownUnderTheRightItem) {
    controller->toggleDropdown(K::cpu); // no items yet: nothing
    EXPECT_TRUE(toggles.empty());

    configure({{K::cpu, true, S::text}, {K::memory, true, S::text}, {K::battery, true, S::text}});
    f.hub->battery.present = false;
    controller->rebuild();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect fallback = defaultAnchor(screen ? screen->availableGeometry() : QRect());

    // Before any click the items' anchors are the default.
    controller->toggleDropdown(K::memory);
    controller->toggleDropdown(K::battery); // no item: under the leftmost
    EXPECT_EQ(toggles, (std::vector<Toggle>{{K::memory, fallback}, {K::battery, fallback}}));

    // A click on the memory item toggles memory at the click and is remembered.
    toggles.clear();
    const StatusItem* memory = itemOf(K::memory);
    const StatusItem* cpu = itemOf(K::cpu);
    sni.call(memory->serviceName(), "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate",
             {1500, 3});
    sni.call(cpu->serviceName(), "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate",
             {1400, 2});
    controller->toggleDropdown(K::memory);
    controller->toggleDropdown(K::battery);
    controller->toggleDropdown(K::time);
    EXPECT_EQ(toggles, (std::vector<Toggle>{{K::memory, QRect(1500, 3, 1, 1)},
                                            {K::cpu, QRect(1400, 2, 1, 1)},
                                            {K::memory, QRect(1500, 3, 1, 1)},
                                            {K::battery, QRect(1400, 2, 1, 1)},
                                            {K::time, QRect(1400, 2, 1, 1)}}));

    // Opening a context menu, by any path, closes the dropdown.
    const int before = closes;
    sni.call(cpu->serviceName(), "/StatusNotifierItem", "org.kde.StatusNotifierItem", "ContextMenu",
             {1400, 2});
    sni.call(memory->serviceName(), StatusItem::menuPath(), "com.canonical.dbusmenu", "AboutToShow",
             {0});
    EXPECT_EQ(closes, before + 2);
}
