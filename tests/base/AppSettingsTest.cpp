#include "base/AppSettings.h"

#include "base/AppActions.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QJsonDocument>
#include <QSettings>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <limits>

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
    settings.addObserver([&](const Config&, const Config&) { ++observed; });
    settings.setConfig(settings.config());
    EXPECT_EQ(willChange.count(), 1);
    EXPECT_EQ(observed, 0);
    EXPECT_FALSE(defaults.value(AppSettings::storageKey).isValid());
}

TEST(AppSettings, RealChangeSavesOnceThenCallsObserversInOrder) {
    UserDefaults defaults = UserDefaults::inMemory();
    AppSettings settings(defaults);
    std::vector<Call> calls;
    for (const char* name : {"A", "B"}) {
        settings.addObserver([&calls, name, &defaults](const Config& old, const Config& now) {
            // Saved before any observer runs.
            const auto stored = Config::fromJson(*defaults.data(AppSettings::storageKey));
            EXPECT_EQ(stored, now);
            calls.push_back({name, old.updateInterval, now.updateInterval});
        });
    }
    settings.update([](Config& c) { c.updateInterval = 5; });
    EXPECT_EQ(calls, (std::vector<Call>{{"A", 2, 5}, {"B", 2, 5}}));
    EXPECT_EQ(AppSettings(defaults).config(), settings.config());
}

TEST(AppSettings, NestedAssignmentAndObserverAddedDuringAPass) {
    UserDefaults defaults = UserDefaults::inMemory();
    AppSettings settings(defaults);
    std::vector<Call> calls;
    settings.addObserver([&](const Config& old, const Config& now) {
        calls.push_back({"A", old.updateInterval, now.updateInterval});
        if (now.updateInterval == 5) {
            // Registered during the pass: not called by the pass that is running.
            settings.addObserver([&](const Config& o, const Config& n) {
                calls.push_back({"C", o.updateInterval, n.updateInterval});
            });
            settings.update([](Config& c) { c.updateInterval = 10; });
        }
    });
    settings.addObserver([&](const Config& old, const Config& now) {
        calls.push_back({"B", old.updateInterval, now.updateInterval});
    });

    settings.update([](Config& c) { c.updateInterval = 5; });
    // The nested pass runs whole before the outer one goes on; B of the outer pass then sees
    // the newer record with the outer pass's old value.
    EXPECT_EQ(calls, (std::vector<Call>{
                         {"A", 2, 5}, {"A", 5, 10}, {"B", 5, 10}, {"C", 5, 10}, {"B", 2, 10}}));
    EXPECT_EQ(Config::fromJson(*defaults.data(AppSettings::storageKey))->updateInterval, 10);
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
    settings.addObserver([&](const Config&, const Config& now) {
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
