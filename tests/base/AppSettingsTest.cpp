#include "base/AppSettings.h"

#include "base/AppActions.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QJsonDocument>
#include <QSettings>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

using namespace morvanex;
using platform::UserDefaults;

namespace {

struct Call {
    QString observer;
    double oldInterval;
    double newInterval;
};

bool operator==(const Call& a, const Call& b) {
    return a.observer == b.observer && a.oldInterval == b.oldInterval &&
           a.newInterval == b.newInterval;
}

void PrintTo(const Call& call, std::ostream* os) {
    *os << call.observer.toStdString() << "(" << call.oldInterval << "→" << call.newInterval << ")";
}

TEST(AppSettings, FirstStartUsesDefaultsAndWritesNothing) {
    UserDefaults defaults = UserDefaults::inMemory();
    AppSettings settings(defaults);
    Config expected;
    for (std::size_t i = 0; i < expected.rules.size(); ++i)
        expected.rules[i].id = settings.config().rules[i].id;
    EXPECT_EQ(settings.config(), expected);
    EXPECT_FALSE(defaults.value(AppSettings::storageKey).isValid());
}

TEST(AppSettings, EqualAssignmentNotifiesViewsButSavesNothing) {
    UserDefaults defaults = UserDefaults::inMemory();
    AppSettings settings(defaults);
    QSignalSpy willChange(&settings, &AppSettings::willChange);
    int observed = 0;
    const auto observer = settings.addObserver([&](const Config&, const Config&) { ++observed; });
    settings.setConfig(settings.config());
    EXPECT_EQ(willChange.count(), 1);
    EXPECT_EQ(observed, 0);
    EXPECT_FALSE(defaults.value(AppSettings::storageKey).isValid());
}

TEST(AppSettings, RealChangeSavesOnceThenCallsObserversInOrder) {
    UserDefaults defaults = UserDefaults::inMemory();
    AppSettings settings(defaults);
    std::vector<Call> calls;
    std::vector<AppSettings::Subscription> observers;
    for (const char* name : {"A", "B"}) {
        observers.push_back(
            settings.addObserver([&calls, name, &defaults](const Config& old, const Config& now) {
                // Saved before any observer runs.
                const auto stored = Config::fromJson(*defaults.data(AppSettings::storageKey));
                EXPECT_EQ(stored, now);
                calls.push_back({name, old.updateInterval, now.updateInterval});
            }));
    }
    settings.update([](Config& c) { c.updateInterval = 5; });
    EXPECT_EQ(calls, (std::vector<Call>{{"A", 2, 5}, {"B", 2, 5}}));
    EXPECT_EQ(AppSettings(defaults).config(), settings.config());
}

TEST(AppSettings, NestedAssignmentAndObserverAddedDuringAPass) {
    UserDefaults defaults = UserDefaults::inMemory();
    AppSettings settings(defaults);
    std::vector<Call> calls;
    AppSettings::Subscription added;
    const auto a = settings.addObserver([&](const Config& old, const Config& now) {
        calls.push_back({"A", old.updateInterval, now.updateInterval});
        if (now.updateInterval == 5) {
            // Registered during the pass: not called by the pass that is running.
            added = settings.addObserver([&](const Config& o, const Config& n) {
                calls.push_back({"C", o.updateInterval, n.updateInterval});
            });
            settings.update([](Config& config) { config.updateInterval = 10; });
        }
    });
    const auto b = settings.addObserver([&](const Config& old, const Config& now) {
        calls.push_back({"B", old.updateInterval, now.updateInterval});
    });

    settings.update([](Config& c) { c.updateInterval = 5; });
    // The nested pass runs whole before the outer one goes on; B of the outer pass then sees
    // the newer record with the outer pass's old value.
    EXPECT_EQ(calls, (std::vector<Call>{
                         {"A", 2, 5}, {"A", 5, 10}, {"B", 5, 10}, {"C", 5, 10}, {"B", 2, 10}}));
    EXPECT_EQ(Config::fromJson(*defaults.data(AppSettings::storageKey))->updateInterval, 10);
}

TEST(AppSettings, RemovedObserverIsNotCalledAgain) {
    AppSettings settings(UserDefaults::inMemory());
    std::vector<QString> calls;
    const auto observe = [&](const char* name) {
        return settings.addObserver(
            [&calls, name](const Config&, const Config&) { calls.push_back(name); });
    };
    AppSettings::Subscription a = observe("A");
    AppSettings::Subscription b = observe("B");
    auto held = std::make_unique<AppSettings::Subscription>(observe("C"));
    AppSettings::Subscription d = observe("D");
    settings.update([](Config& c) { c.updateInterval = 3; });
    EXPECT_EQ(calls, (std::vector<QString>{"A", "B", "C", "D"}));

    calls.clear();
    EXPECT_TRUE(b.isActive());
    b.remove();
    EXPECT_FALSE(b.isActive());
    held.reset();                                   // destroyed with its owner
    AppSettings::Subscription moved = std::move(d); // moving keeps it registered
    EXPECT_FALSE(d.isActive());
    d.remove(); // a moved-from subscription removes nothing
    settings.update([](Config& c) { c.updateInterval = 5; });
    EXPECT_EQ(calls, (std::vector<QString>{"A", "D"}));

    calls.clear();
    a = observe("E"); // assigning over a subscription removes what it held
    settings.update([](Config& config) { config.updateInterval = 10; });
    EXPECT_EQ(calls, (std::vector<QString>{"D", "E"}));
}

TEST(AppSettings, ObserverEndsWithItsContext) {
    AppSettings settings(UserDefaults::inMemory());
    int windowCalls = 0;
    int laterCalls = 0;
    auto window = std::make_unique<QObject>();
    settings.addObserver(window.get(), [&](const Config&, const Config&) { ++windowCalls; });
    const auto later = settings.addObserver([&](const Config&, const Config&) { ++laterCalls; });
    settings.update([](Config& c) { c.updateInterval = 3; });
    window.reset();
    settings.update([](Config& c) { c.updateInterval = 5; });
    EXPECT_EQ(windowCalls, 1);
    EXPECT_EQ(laterCalls, 2);

    // A context that outlives the settings, and a subscription that does, end quietly.
    QObject panel;
    AppSettings::Subscription kept;
    {
        AppSettings gone(UserDefaults::inMemory());
        gone.addObserver(&panel, [](const Config&, const Config&) {});
        kept = gone.addObserver([](const Config&, const Config&) {});
    }
    EXPECT_FALSE(kept.isActive());
    kept.remove();
}

TEST(AppSettings, RemovalDuringAPassTakesEffectAtOnce) {
    AppSettings settings(UserDefaults::inMemory());
    std::vector<Call> calls;
    const auto record = [&calls](const char* name) {
        return [&calls, name](const Config& old, const Config& now) {
            calls.push_back({name, old.updateInterval, now.updateInterval});
        };
    };
    AppSettings::Subscription a;
    AppSettings::Subscription b;
    AppSettings::Subscription c;
    auto window = std::make_unique<QObject>();
    // A removes itself and B, which has not been called yet in this pass; C closes the window
    // whose observer D comes later, then assigns again.
    a = settings.addObserver([&](const Config& old, const Config& now) {
        record("A")(old, now);
        a.remove();
        b.remove();
    });
    b = settings.addObserver(record("B"));
    c = settings.addObserver([&](const Config& old, const Config& now) {
        record("C")(old, now);
        window.reset();
        if (now.updateInterval == 5)
            settings.update([](Config& config) { config.updateInterval = 10; });
    });
    settings.addObserver(window.get(), record("D"));
    const auto e = settings.addObserver(record("E"));

    settings.update([](Config& config) { config.updateInterval = 5; });
    EXPECT_EQ(calls, (std::vector<Call>{
                         {"A", 2, 5}, {"C", 2, 5}, {"C", 5, 10}, {"E", 5, 10}, {"E", 2, 10}}));
    calls.clear();
    settings.update([](Config& config) { config.updateInterval = 3; });
    EXPECT_EQ(calls, (std::vector<Call>{{"C", 10, 3}, {"E", 10, 3}}));
}

TEST(AppSettings, UnreadableStoredEntriesStartFromDefaults) {
    struct Row {
        const char* name;
        QVariant stored;
    };
    const Row rows[] = {
        {"JSON array", QByteArray("[1,2]")},
        {"not JSON", QByteArray("\xff\xfe garbage")},
        {"text instead of data", QString::fromLatin1(R"({"monochrome":true})")},
        {"number", 42},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        UserDefaults defaults = UserDefaults::inMemory();
        defaults.setValue(AppSettings::storageKey, row.stored);
        AppSettings settings(defaults);
        EXPECT_FALSE(settings.config().monochrome);
        EXPECT_EQ(settings.config().updateInterval, 2.0);
        EXPECT_EQ(defaults.value(AppSettings::storageKey), row.stored); // untouched until a change
        settings.update([](Config& c) { c.monochrome = true; });
        const auto saved = defaults.data(AppSettings::storageKey);
        ASSERT_TRUE(saved);
        EXPECT_TRUE(Config::fromJson(*saved)->monochrome);
    }
}

TEST(AppSettings, PartlyUnreadableEntryKeepsGoodKeysAndIsRewrittenWhole) {
    UserDefaults defaults = UserDefaults::inMemory();
    defaults.setValue(AppSettings::storageKey,
                      QByteArray(R"({"pingHost":"9.9.9.9","windUnit":"furlongs"})"));
    AppSettings settings(defaults);
    EXPECT_EQ(settings.config().pingHost, "9.9.9.9");
    EXPECT_EQ(settings.config().windUnit, WindUnit::kmh);
    settings.update([](Config& c) { c.monochrome = true; });
    const QJsonObject saved =
        QJsonDocument::fromJson(*defaults.data(AppSettings::storageKey)).object();
    EXPECT_EQ(saved.value("windUnit").toString(), "kmh");
    EXPECT_EQ(saved.value("pingHost").toString(), "9.9.9.9");
    EXPECT_EQ(saved.size(), 25);
}

TEST(AppSettings, UnwritableRecordKeepsStoredEntryButStillTellsObservers) {
    UserDefaults defaults = UserDefaults::inMemory();
    AppSettings settings(defaults);
    settings.update([](Config& c) { c.updateInterval = 3; });
    const auto before = defaults.data(AppSettings::storageKey);
    int observed = 0;
    const auto observer = settings.addObserver([&](const Config&, const Config& now) {
        ++observed;
        EXPECT_TRUE(std::isnan(now.updateInterval));
    });
    settings.update([](Config& c) { c.updateInterval = std::numeric_limits<double>::quiet_NaN(); });
    EXPECT_EQ(observed, 1);
    EXPECT_EQ(defaults.data(AppSettings::storageKey), before);
}

TEST(AppSettings, StandardStoreIsAnIniFileUnderTheConfigHome) {
    const QString path = morvanex::test::scratchDir() + "/config/Morvanex/Morvanex.conf";
    EXPECT_EQ(UserDefaults::standardFilePath(), path);
    {
        AppSettings settings(UserDefaults::standard());
        EXPECT_FALSE(QFile::exists(path));
        settings.update([](Config& c) { c.pingHost = "8.8.4.4"; });
    }
    QSettings ini(path, QSettings::IniFormat);
    EXPECT_EQ(ini.value(AppSettings::storageKey).typeId(), QMetaType::QByteArray);
    EXPECT_EQ(AppSettings(UserDefaults::standard()).config().pingHost, "8.8.4.4");
}

TEST(AppActions, OpenSettingsDoesNothingUntilSet) {
    AppActions::openSettings();
    int opened = 0;
    const auto saved = AppActions::openSettings;
    AppActions::openSettings = [&] { ++opened; };
    AppActions::openSettings();
    EXPECT_EQ(opened, 1);
    AppActions::openSettings = saved;
}

} // namespace
