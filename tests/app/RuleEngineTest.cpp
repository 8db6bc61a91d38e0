#include "app/RuleEngine.h"

#include "support/HubFixture.h"

#include <gtest/gtest.h>
#include <limits>

using namespace morvanex;

namespace {

struct Posted {
    QString title, body;
    bool operator==(const Posted&) const = default;
};
void PrintTo(const Posted& p, std::ostream* os) {
    *os << p.title.toStdString() << " / " << p.body.toStdString();
}

struct Engine : test::HubFixture {
    std::vector<Posted> posts;
    RuleEngine engine{*hub, [this](const QString& t, const QString& b) {
                          posts.push_back({t, b});
                      }};

    void rules(std::vector<Rule> list) {
        settings.update([&](Config& c) { c.rules = std::move(list); });
    }
    // Past the quiet start.
    void settle() { advance(6); }
};

Rule rule(RuleMetric metric, Comparison comparison, double threshold, double duration) {
    return Rule{QUuid::createUuid(), true, metric, comparison, threshold, duration};
}

TEST(RuleEngine, NothingDuringTheFirstFiveSeconds) {
    Engine e;
    e.rules({rule(RuleMetric::cpu, Comparison::above, 10, 0)});
    e.hub->cpu.user = 50;
    e.advance(5);
    e.engine.evaluate();
    EXPECT_TRUE(e.posts.empty());
    EXPECT_FALSE(e.engine.previous); // events not recorded either
    e.advance(0.5);
    e.engine.evaluate();
    ASSERT_EQ(e.posts.size(), 1u);
    EXPECT_EQ(e.posts[0], (Posted{"CPU usage is above 10 %", "Currently 50 %."}));
}

TEST(RuleEngine, HoldsStrictlyForItsDurationThenFiresOncePerHoldingPeriod) {
    Engine e;
    e.settle();
    e.rules({rule(RuleMetric::cpu, Comparison::above, 90, 60)});
    const auto evaluateAt = [&e](double user) {
        e.hub->cpu.user = user;
        e.engine.evaluate();
        e.advance(10);
    };
    evaluateAt(90); // equal never holds
    EXPECT_TRUE(e.engine.conditionSince.empty());
    for (int i = 0; i < 6; ++i)
        evaluateAt(93.44); // holds from here; 50 s so far
    EXPECT_TRUE(e.posts.empty());
    evaluateAt(93.44); // 60 s
    ASSERT_EQ(e.posts.size(), 1u);
    EXPECT_EQ(e.posts[0], (Posted{"CPU usage is above 90 %", "Currently 93.4 % for 60 seconds."}));
    for (int i = 0; i < 10; ++i)
        evaluateAt(95);
    EXPECT_EQ(e.posts.size(), 1u);
    evaluateAt(90); // one sample at the threshold re-arms
    for (int i = 0; i < 7; ++i)
        evaluateAt(95);
    EXPECT_EQ(e.posts.size(), 2u);
}

TEST(RuleEngine, DisablingReArmsAndEditingKeepsState) {
    Engine e;
    e.settle();
    Rule r = rule(RuleMetric::memoryPressure, Comparison::above, 50, 0);
    e.rules({r});
    e.hub->memory.pressure = 70;
    e.engine.evaluate();
    EXPECT_EQ(e.posts.size(), 1u);
    r.threshold = 60; // still holds: nothing new
    e.rules({r});
    e.engine.evaluate();
    EXPECT_EQ(e.posts.size(), 1u);
    r.enabled = false;
    e.rules({r});
    e.engine.evaluate();
    r.enabled = true;
    e.rules({r});
    e.engine.evaluate();
    EXPECT_EQ(e.posts.size(), 2u);
}

TEST(RuleEngine, BelowAndNaN) {
    Engine e;
    e.settle();
    e.rules({rule(RuleMetric::ping, Comparison::below, 15, 0),
             rule(RuleMetric::ping, Comparison::above, 15, 0)});
    e.hub->network.pingMs = std::numeric_limits<double>::quiet_NaN();
    e.engine.evaluate();
    EXPECT_TRUE(e.posts.empty());
    e.hub->network.pingMs = 15;
    e.engine.evaluate();
    EXPECT_TRUE(e.posts.empty());
    e.hub->network.pingMs = 12.25;
    e.engine.evaluate();
    ASSERT_EQ(e.posts.size(), 1u);
    EXPECT_EQ(e.posts[0], (Posted{"Ping time is below 15 ms", "Currently 12.2 ms."}));
}

TEST(RuleEngine, MetricValuesAndAbsence) {
    Engine e;
    Hub& hub = *e.hub;
    RuleEngine& engine = e.engine;
    hub.cpu.user = 20;
    hub.cpu.system = 5;
    hub.memory.total = 0;
    hub.network.download = 2048;
    hub.network.upload = 512;
    hub.network.pingMs.reset();
    hub.gpu.gpus.clear();
    hub.battery.present = false;
    hub.battery.percent = 80;
    hub.disks.volumes.clear();
    EXPECT_EQ(engine.value(RuleMetric::cpu), 25);
    EXPECT_EQ(engine.value(RuleMetric::memoryUsed), 0);
    EXPECT_EQ(engine.value(RuleMetric::download), 2); // KB/s even when rates show in bits
    EXPECT_EQ(engine.value(RuleMetric::upload), 0.5);
    EXPECT_EQ(engine.value(RuleMetric::ping), std::nullopt);
    EXPECT_EQ(engine.value(RuleMetric::gpu), std::nullopt);
    EXPECT_EQ(engine.value(RuleMetric::batteryLevel), std::nullopt);
    EXPECT_EQ(engine.value(RuleMetric::diskUsed), std::nullopt);
    hub.battery.present = true;
    EXPECT_EQ(engine.value(RuleMetric::batteryLevel), 80);
    DiskMonitor::Volume root;
    root.isRoot = true;
    root.total = 1000;
    root.availableImportant = 1100;
    hub.disks.volumes = {root};
    EXPECT_EQ(engine.value(RuleMetric::diskUsed), 0);
    hub.disks.volumes[0].availableImportant = 50;
    EXPECT_EQ(engine.value(RuleMetric::diskUsed), 95);
    hub.disks.volumes[0].total = 0;
    EXPECT_EQ(engine.value(RuleMetric::diskUsed), 0);
    EXPECT_EQ(RuleEngine::unit(RuleMetric::temperature), "°C");
}

TEST(RuleEngine, NumberText) {
    const struct {
        double value;
        const char* text;
    } rows[] = {{80, "80"},
                {80.5, "80.5"},
                {93.44, "93.4"},
                {0.04, "0.0"},
                {-3, "-3"},
                {std::numeric_limits<double>::infinity(), "inf"},
                {std::numeric_limits<double>::quiet_NaN(), "nan"},
                {1e19, "10000000000000000000.0"}};
    for (const auto& row : rows)
        EXPECT_EQ(RuleEngine::format(row.value), row.text) << row.value;
}

TEST(RuleEngine, EventsAfterTheFirstRecordedState) {
    Engine e;
    e.settle();
    e.rules({});
    Hub& hub = *e.hub;
    hub.battery.present = true;
    hub.battery.percent = 100;
    hub.battery.onAC = false;
    hub.network.publicIP = "203.0.113.1";
    hub.network.internetReachable = true;
    e.engine.evaluate(); // records only
    EXPECT_TRUE(e.posts.empty());

    hub.battery.onAC = true; // charged through the 99.5 % rule too
    e.engine.evaluate();
    EXPECT_EQ(e.posts, (std::vector<Posted>{{"Charger connected", "Battery at 100%."},
                                            {"Battery is now charged", "Battery at 100%."}}));
    e.posts.clear();

    hub.network.wifi = WiFiInfo{};
    hub.network.wifi->ssid = "Home";
    hub.network.wifi->rssi = -50;
    hub.network.publicIP = "203.0.113.2";
    hub.network.internetReachable = false;
    hub.network.pingHost = "1.1.1.1";
    hub.network.primaryInterface = "eth0";
    e.engine.evaluate();
    EXPECT_EQ(e.posts,
              (std::vector<Posted>{{"Wi-Fi connected", "Connected to 'Home'."},
                                   {"New public IP address", "203.0.113.2"},
                                   {"No internet connection", "Ping to 1.1.1.1 is failing."}}));
    e.posts.clear();

    // Switched off: the change is recorded, never posted later.
    e.settings.update([](Config& c) {
        c.events.internetStatus = false;
        c.events.primaryInterface = true;
    });
    hub.network.internetReachable = true;
    hub.network.primaryInterface.reset();
    e.engine.evaluate();
    EXPECT_EQ(e.posts, (std::vector<Posted>{{"Primary network interface changed", "None"}}));
    e.settings.update([](Config& c) { c.events.internetStatus = true; });
    e.posts.clear();
    e.engine.evaluate();
    EXPECT_TRUE(e.posts.empty());

    // Roaming within the same network is no change; unplugging is.
    hub.network.wifi->bssid = "aa:bb";
    hub.battery.onAC = false;
    e.engine.evaluate();
    EXPECT_EQ(e.posts, (std::vector<Posted>{{"Charger disconnected", "Battery at 100%."}}));
}

TEST(RuleEngine, NoBatteryNoBatteryEvents) {
    Engine e;
    e.settle();
    e.rules({rule(RuleMetric::batteryLevel, Comparison::below, 15, 0)});
    e.hub->battery.present = false;
    e.hub->battery.percent = 5;
    e.engine.evaluate();
    e.hub->battery.onAC = true;
    e.engine.evaluate();
    EXPECT_TRUE(e.posts.empty());
}

} // namespace
