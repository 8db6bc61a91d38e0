#include "ui/tray/SettingsReactions.h"

#include "support/HubFixture.h"

#include <QSignalSpy>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <utility>
#include <vector>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

// Every reaction, counted, with the values it was given.
struct Recorder {
    int reschedules = 0;
    std::vector<std::pair<bool, bool>> volumeScans;
    int deviceStarts = 0;
    std::vector<std::optional<WeatherLocation>> weatherRefreshes;
    int ticks = 0;
    int rebuilds = 0;
    int refreshes = 0;
    std::vector<std::map<QString, HotKey>> hotKeyTables;

    SettingsReactionTargets targets() {
        return {
            [this] { ++reschedules; },
            [this](bool network, bool removable) { volumeScans.emplace_back(network, removable); },
            [this] { ++deviceStarts; },
            [this](const std::optional<WeatherLocation>& place) {
                weatherRefreshes.push_back(place);
            },
            [this] { ++ticks; },
        };
    }
    SettingsReactionHooks hooks() {
        return {
            [this] { ++rebuilds; },
            [this] { ++refreshes; },
            [this](const std::map<QString, HotKey>& table) { hotKeyTables.push_back(table); },
        };
    }
    void react(const Config& old, const Config& now) {
        reactToSettingsChange(old, now, targets(), hooks());
    }
};

WeatherLocation place(const QString& name, double latitude, double longitude) {
    return {name, latitude, longitude};
}

} // namespace

TEST(SettingsReactions, EachChangeDoesOnlyItsOwnReaction) {
    struct Case {
        const char* name;
        std::function<void(Config&)> edit;
        std::function<void(const Recorder&)> check;
    };
    const std::vector<Case> cases = {
        {"ping host: redraw only, no rebuild, no extra tick",
         [](Config& c) { c.pingHost = QStringLiteral("192.0.2.1"); },
         [](const Recorder& r) {
             EXPECT_EQ(r.refreshes, 1);
             EXPECT_EQ(r.rebuilds, 0);
             EXPECT_EQ(r.ticks, 0);
             EXPECT_EQ(r.reschedules, 0);
             EXPECT_TRUE(r.volumeScans.empty());
             EXPECT_EQ(r.deviceStarts, 0);
             EXPECT_TRUE(r.weatherRefreshes.empty());
             EXPECT_TRUE(r.hotKeyTables.empty());
         }},
        {"module order: rebuild and one tick, no refresh",
         [](Config& c) { std::swap(c.modules[0], c.modules[1]); },
         [](const Recorder& r) {
             EXPECT_EQ(r.rebuilds, 1);
             EXPECT_EQ(r.ticks, 1);
             EXPECT_EQ(r.refreshes, 0);
         }},
        {"module style: rebuild",
         [](Config& c) {
             c.modules[0].style = c.modules[0].style == DisplayStyle::text ? DisplayStyle::graph
                                                                           : DisplayStyle::text;
         },
         [](const Recorder& r) {
             EXPECT_EQ(r.rebuilds, 1);
             EXPECT_EQ(r.ticks, 1);
         }},
        {"module turned off: rebuild",
         [](Config& c) { c.modules[0].enabled = !c.modules[0].enabled; },
         [](const Recorder& r) { EXPECT_EQ(r.rebuilds, 1); }},
        {"update interval: reschedule", [](Config& c) { c.updateInterval = 5; },
         [](const Recorder& r) {
             EXPECT_EQ(r.reschedules, 1);
             EXPECT_EQ(r.refreshes, 1);
             EXPECT_EQ(r.ticks, 0);
         }},
        {"network volumes off: rescan with the new values of both",
         [](Config& c) {
             c.showNetworkDisks = false;
             c.showRemovableDisks = true;
         },
         [](const Recorder& r) {
             ASSERT_EQ(r.volumeScans.size(), 1u);
             EXPECT_EQ(r.volumeScans[0], std::make_pair(false, true));
         }},
        {"removable volumes off: rescan", [](Config& c) { c.showRemovableDisks = false; },
         [](const Recorder& r) {
             ASSERT_EQ(r.volumeScans.size(), 1u);
             EXPECT_EQ(r.volumeScans[0], std::make_pair(true, false));
         }},
        {"devices turned off: nothing starts", [](Config& c) { c.showDevices = false; },
         [](const Recorder& r) {
             EXPECT_EQ(r.deviceStarts, 0);
             EXPECT_EQ(r.refreshes, 1);
         }},
        {"hot keys: the new table",
         [](Config& c) {
             c.hotKeys[QStringLiteral("settings")] = HotKey{43, 0x100, QStringLiteral("⌘,")};
         },
         [](const Recorder& r) {
             ASSERT_EQ(r.hotKeyTables.size(), 1u);
             EXPECT_EQ(r.hotKeyTables[0].count(QStringLiteral("settings")), 1u);
         }},
        {"weather place set: forced refresh for it",
         [](Config& c) { c.weatherLocation = place(QStringLiteral("Oslo"), 59.91, 10.75); },
         [](const Recorder& r) {
             ASSERT_EQ(r.weatherRefreshes.size(), 1u);
             EXPECT_EQ(r.weatherRefreshes[0], place(QStringLiteral("Oslo"), 59.91, 10.75));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Config old;
        old.showDevices = true;
        Config now = old;
        c.edit(now);
        ASSERT_NE(old, now);
        Recorder recorder;
        recorder.react(old, now);
        c.check(recorder);
    }
}

TEST(SettingsReactions, WeatherRefreshesOnlyForAnotherPlace) {
    struct Case {
        const char* name;
        std::optional<WeatherLocation> old, now;
        bool refreshes;
    };
    const WeatherLocation oslo = place(QStringLiteral("Oslo"), 59.91, 10.75);
    const std::vector<Case> cases = {
        {"same place again", oslo, place(QStringLiteral("Oslo"), 59.91, 10.75), false},
        {"both absent", std::nullopt, std::nullopt, false},
        {"renamed only", oslo, place(QStringLiteral("Oslo, Norway"), 59.91, 10.75), true},
        {"moved only", oslo, place(QStringLiteral("Oslo"), 59.92, 10.75), true},
        {"longitude only", oslo, place(QStringLiteral("Oslo"), 59.91, 10.76), true},
        {"removed", oslo, std::nullopt, true},
        {"first set", std::nullopt, oslo, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Config old;
        old.weatherLocation = c.old;
        Config now = old;
        now.weatherLocation = c.now;
        now.pingHost = QStringLiteral("192.0.2.7"); // a real change even when the place is equal
        Recorder recorder;
        recorder.react(old, now);
        if (c.refreshes) {
            ASSERT_EQ(recorder.weatherRefreshes.size(), 1u);
            EXPECT_EQ(recorder.weatherRefreshes[0], c.now); // absent included
        } else {
            EXPECT_TRUE(recorder.weatherRefreshes.empty());
        }
        EXPECT_EQ(recorder.refreshes, 1);
    }
}

TEST(SettingsReactions, IndependentChangesAllReactInOneCall) {
    Config old;
    old.showDevices = false;
    Config now = old;
    now.updateInterval = 10;
    now.showDevices = true;
    now.weatherLocation = place(QStringLiteral("Lima"), -12.05, -77.04);
    std::swap(now.modules[0], now.modules[1]);
    Recorder recorder;
    recorder.react(old, now);
    EXPECT_EQ(recorder.reschedules, 1);
    EXPECT_EQ(recorder.deviceStarts, 1);
    EXPECT_EQ(recorder.weatherRefreshes.size(), 1u);
    EXPECT_EQ(recorder.rebuilds, 1);
    EXPECT_EQ(recorder.ticks, 1);
    EXPECT_EQ(recorder.refreshes, 0);
}

TEST(SettingsReactions, DevicesStartEachTimeTheyAreTurnedOn) {
    AppSettings settings(platform::UserDefaults::inMemory());
    Recorder recorder;
    const AppSettings::Subscription subscription =
        settings.addObserver([&](const Config& old, const Config& now) {
            reactToSettingsChange(old, now, recorder.targets(), recorder.hooks());
        });
    for (const bool shown : {false, true, false, true})
        settings.update([shown](Config& c) { c.showDevices = shown; });
    EXPECT_EQ(recorder.deviceStarts, 2);
    EXPECT_EQ(recorder.refreshes, 4);
}

// The subscription drives the real hub, and ends with its context.
TEST(SettingsReactions, SubscriptionDrivesTheHubUntilItsContextEnds) {
    test::HubFixture f;
    Hub& hub = *f.hub;
    QSignalSpy ticks(&hub, &Hub::ticked);
    Recorder recorder;
    auto context = std::make_unique<QObject>();
    subscribeSettingsReactions(f.settings, context.get(), hub, recorder.hooks());

    const WeatherLocation lima = place(QStringLiteral("Lima"), -12.05, -77.04);
    f.settings.update([&](Config& c) { c.weatherLocation = lima; });
    EXPECT_EQ(hub.weather.lastConfigured(), lima);
    EXPECT_EQ(ticks.count(), 0);

    f.settings.update([](Config& c) { c.showNetworkDisks = !c.showNetworkDisks; });
    EXPECT_TRUE(std::isfinite(hub.disks.lastVolumeScan));

    f.settings.update([](Config& c) { std::swap(c.modules[0], c.modules[1]); });
    EXPECT_EQ(ticks.count(), 1);
    EXPECT_EQ(recorder.rebuilds, 1);
    EXPECT_EQ(recorder.refreshes, 2);

    context.reset();
    f.settings.update([](Config& c) { std::swap(c.modules[0], c.modules[1]); });
    EXPECT_EQ(ticks.count(), 1);
    EXPECT_EQ(recorder.rebuilds, 1);
}
