#include "monitors/SpeedTest.h"

#include "support/FixtureTree.h"
#include "support/TestEnv.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace morvanex;

using morvanex::test::waitUntil;

namespace {

QString tool(const QString& name) {
    const QString path = test::copyFixture("network/bin") + "/" + name;
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

const QDateTime when = QDateTime::fromMSecsSinceEpoch(1717243200123, Qt::UTC);

platform::Clock fixedClock(const QDateTime& now = when) {
    platform::Clock clock;
    clock.now = [now] { return now; };
    return clock;
}

SpeedTestResult result(qint64 secondsAfter, double download) {
    SpeedTestResult r;
    r.date = when.addSecs(secondsAfter);
    r.download = download;
    r.upload = download / 10;
    return r;
}

// Runs one test to its end and returns how often the owner was told of a change.
int runToEnd(SpeedTest& test) {
    int changes = 0;
    test.onChange = [&] { ++changes; };
    test.start();
    EXPECT_TRUE(waitUntil([&] { return !test.isRunning(); }));
    return changes;
}

std::optional<QJsonArray> stored(const platform::UserDefaults& defaults) {
    const auto data = defaults.data(SpeedTest::storageKey);
    if (!data)
        return std::nullopt;
    return QJsonDocument::fromJson(*data).array();
}

} // namespace

TEST(SpeedTest, ParsesTheToolsAnswer) {
    struct Row {
        const char* name;
        QByteArray json;
        std::optional<SpeedTestResult> expected;
    };
    const auto make = [](double down, double up, std::optional<double> responsiveness,
                         std::optional<double> baseRTT, std::optional<QString> interface,
                         std::optional<double> dataUsed) {
        return SpeedTestResult{when, down, up, responsiveness, baseRTT, interface, dataUsed};
    };
    const Row rows[] = {
        {"everything the tool says",
         R"({"download": 800000000.0, "upload": 40000000.0, "ping": 21.5, "server": {"id": "1",)"
         R"( "latency": 21.5}, "timestamp": "2026-12-10T09:05:00Z", "bytes_sent": 50,)"
         R"( "bytes_received": 250, "share": null, "client": {"ip": "192.0.2.10"}})",
         make(100000000, 5000000, std::nullopt, 21.5, std::nullopt, 300)},
        {"throughputs only", R"({"download":8,"upload":16})",
         make(1, 2, std::nullopt, std::nullopt, std::nullopt, std::nullopt)},
        {"bytes sent only", R"({"download":8,"upload":16,"bytes_sent":7})",
         make(1, 2, std::nullopt, std::nullopt, std::nullopt, 7)},
        // A test with the download skipped reports zero, which is still a measured upload.
        {"zero download", R"({"download":0,"upload":16,"ping":3})",
         make(0, 2, std::nullopt, 3, std::nullopt, std::nullopt)},
        {"optional values of other types are left out",
         R"({"download":8,"upload":16,"ping":"fast","bytes_sent":null,"bytes_received":"9"})",
         make(1, 2, std::nullopt, std::nullopt, std::nullopt, std::nullopt)},
        // Keys of other tools mean nothing here.
        {"other tool's keys", R"({"dl_throughput":8,"ul_throughput":16,"responsiveness":900})",
         std::nullopt},
        {"download as a string", R"({"download":"8","upload":16})", std::nullopt},
        {"upload missing", R"({"download":8})", std::nullopt},
        {"boolean is no number", R"({"download":true,"upload":16})", std::nullopt},
        {"array", R"([{"download":8,"upload":16}])", std::nullopt},
        {"not JSON", "ERROR: Unable to connect to servers to test latency.", std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(SpeedTest::parse(row.json, when), row.expected);
    }
}

TEST(SpeedTest, StoredForm) {
    SpeedTestResult full{when, 100, 5, 600, 21.5, QString("eth0"), 300};
    const QJsonObject object = full.encode();
    EXPECT_EQ(object.value("date").toDouble(), 738936000.123); // seconds since 2001
    EXPECT_EQ(object.keys(), QStringList({"baseRTT", "dataUsed", "date", "download", "interface",
                                          "responsiveness", "upload"}));
    EXPECT_EQ(SpeedTestResult::decode(object), full);
    const SpeedTestResult bare = result(0, 100);
    EXPECT_EQ(bare.encode().keys(), QStringList({"date", "download", "upload"})); // no nulls

    const auto encoded = encodeSpeedTestResults({full, bare});
    ASSERT_TRUE(encoded);
    EXPECT_FALSE(encoded->contains('\n'));
    EXPECT_EQ(decodeSpeedTestResults(*encoded), (std::vector<SpeedTestResult>{full, bare}));

    struct Row {
        const char* name;
        QByteArray stored;
        std::optional<std::size_t> count;
    };
    const Row rows[] = {
        {"unknown keys and nulls", R"([{"date":1,"download":2,"upload":3,"x":1,"baseRTT":null}])",
         1},
        {"one element without upload",
         R"([{"date":1,"download":2,"upload":3},{"date":2,"download":2}])", std::nullopt},
        {"wrongly typed optional", R"([{"date":1,"download":2,"upload":3,"interface":7}])",
         std::nullopt},
        {"date as text", R"([{"date":"2024-06-01","download":2,"upload":3}])", std::nullopt},
        {"date out of range", R"([{"date":1e300,"download":2,"upload":3}])", std::nullopt},
        {"object", R"({"date":1,"download":2,"upload":3})", std::nullopt},
        {"empty array", "[]", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto decoded = decodeSpeedTestResults(row.stored);
        EXPECT_EQ(decoded ? std::optional<std::size_t>(decoded->size()) : std::nullopt, row.count);
    }
}

TEST(SpeedTest, LoadsStoredResultsOrNone) {
    auto defaults = platform::UserDefaults::inMemory();
    EXPECT_TRUE(SpeedTest(defaults, tool("speedtest-cli-result")).results.empty());
    defaults.setValue(SpeedTest::storageKey, *encodeSpeedTestResults({result(2, 2), result(1, 1)}));
    const SpeedTest loaded(defaults, tool("speedtest-cli-result"));
    EXPECT_EQ(loaded.results, (std::vector<SpeedTestResult>{result(2, 2), result(1, 1)}));
    EXPECT_EQ(loaded.state, SpeedTest::State(SpeedTest::Idle{}));
    defaults.setValue(SpeedTest::storageKey,
                      QByteArray(R"([{"date":1,"download":2,"upload":3},{"date":2}])"));
    EXPECT_TRUE(SpeedTest(defaults, tool("speedtest-cli-result")).results.empty());
    defaults.setValue(SpeedTest::storageKey, QString("not data"));
    EXPECT_TRUE(SpeedTest(defaults, tool("speedtest-cli-result")).results.empty());
}

TEST(SpeedTest, ARunIsSavedNewestFirstInTheUserDefaults) {
    const QString path = tool("speedtest-cli-result");
    {
        SpeedTest test(platform::UserDefaults::standard(), path, fixedClock());
        EXPECT_TRUE(test.toolAvailable());
        std::vector<SpeedTest::State> states;
        test.onChange = [&] { states.push_back(test.state); };
        test.start();
        ASSERT_FALSE(states.empty());
        EXPECT_EQ(states.front(), SpeedTest::State(SpeedTest::Running{when}));
        ASSERT_TRUE(waitUntil([&] { return !test.isRunning(); }));
        EXPECT_EQ(states.back(), SpeedTest::State(SpeedTest::Idle{}));
        ASSERT_EQ(test.results.size(), 1u);
        EXPECT_EQ(test.results[0], (SpeedTestResult{when, 100000000, 5000000, std::nullopt, 21.5,
                                                    std::nullopt, 300000000}));
    }
    QFile log(path + ".log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(), "--json --secure\n");
    // A new instance (as the agent server makes one) reads what was saved.
    const SpeedTest reloaded;
    ASSERT_EQ(reloaded.results.size(), 1u);
    EXPECT_EQ(reloaded.results[0].download, 100000000);
    EXPECT_EQ(reloaded.results[0].date, when);
}

TEST(SpeedTest, EndingsWithoutAResult) {
    struct Row {
        const char* tool;
        SpeedTest::State state;
        std::size_t results;
    };
    const Row rows[] = {
        {"speedtest-cli-silent-ok", SpeedTest::Failed{SpeedTest::noResultMessage}, 0},
        // The tool's own reason, from its standard error.
        {"speedtest-cli-silent-fail",
         SpeedTest::Failed{"The test failed: Unable to connect to servers to test latency."}, 0},
        {"speedtest-cli-fail-with-result", SpeedTest::Idle{}, 1}, // the answer is what counts
        {"speedtest-cli-flood", SpeedTest::Idle{}, 1},            // 1 MiB of noise first
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.tool);
        auto defaults = platform::UserDefaults::inMemory();
        SpeedTest test(defaults, tool(row.tool), fixedClock());
        EXPECT_GE(runToEnd(test), 2); // started, then ended
        EXPECT_EQ(test.state, row.state);
        EXPECT_EQ(test.results.size(), row.results);
        EXPECT_EQ(defaults.data(SpeedTest::storageKey).has_value(), row.results > 0);
    }
    SpeedTest flood(platform::UserDefaults::inMemory(), tool("speedtest-cli-flood"));
    runToEnd(flood);
    ASSERT_EQ(flood.results.size(), 1u);
    EXPECT_EQ(flood.results[0].download, 1000);
    EXPECT_EQ(flood.results[0].upload, 2000);
}

TEST(SpeedTest, ToolsThatCannotRun) {
    auto defaults = platform::UserDefaults::inMemory();
    SpeedTest broken(defaults, tool("speedtest-cli-no-interpreter"), fixedClock());
    int changes = 0;
    broken.onChange = [&] { ++changes; };
    broken.start();
    EXPECT_EQ(broken.state, SpeedTest::State(SpeedTest::Failed{SpeedTest::launchFailedMessage}));
    EXPECT_EQ(changes, 1);

    // A tool that is missing or not executable: nothing happens, a message stays as it was.
    const QString plainFile = test::scratchDir() + "/not-executable";
    test::writeFile(test::scratchDir(), "not-executable", "#!/bin/sh\necho {}\n");
    QFile::setPermissions(plainFile, QFile::ReadOwner | QFile::WriteOwner);
    for (const QString& path : {test::scratchDir() + "/missing", plainFile, test::scratchDir()}) {
        SCOPED_TRACE(path.toStdString());
        SpeedTest absent(defaults, path, fixedClock());
        absent.onChange = [&] { ++changes; };
        EXPECT_FALSE(absent.toolAvailable());
        absent.start();
        EXPECT_EQ(absent.state, SpeedTest::State(SpeedTest::Idle{}));
        absent.state = SpeedTest::Failed{SpeedTest::failedMessage};
        absent.start();
        EXPECT_EQ(absent.state, SpeedTest::State(SpeedTest::Failed{SpeedTest::failedMessage}));
    }
    EXPECT_EQ(changes, 1);
}

TEST(SpeedTest, CancelEndsARunWithoutAResult) {
    auto defaults = platform::UserDefaults::inMemory();
    SpeedTest test(defaults, tool("speedtest-cli-hang"), fixedClock());
    int changes = 0;
    test.onChange = [&] { ++changes; };
    test.cancel(); // idle: nothing to cancel
    EXPECT_EQ(changes, 0);

    test.start();
    ASSERT_TRUE(test.isRunning());
    test.start(); // a second start while running is ignored
    EXPECT_EQ(test.state, SpeedTest::State(SpeedTest::Running{when}));
    // The progress timer keeps the owner redrawing while the test runs.
    ASSERT_TRUE(waitUntil([&] { return changes >= 3; }));
    test.cancel();
    EXPECT_TRUE(test.isRunning()); // until the tool has ended
    ASSERT_TRUE(waitUntil([&] { return !test.isRunning(); }));
    EXPECT_EQ(test.state, SpeedTest::State(SpeedTest::Idle{}));
    EXPECT_TRUE(test.results.empty());
    EXPECT_FALSE(defaults.data(SpeedTest::storageKey));

    // Destroying a running test ends the tool quietly.
    changes = 0;
    {
        SpeedTest doomed(defaults, tool("speedtest-cli-hang"), fixedClock());
        doomed.onChange = [&] { ++changes; };
        doomed.start();
        ASSERT_TRUE(doomed.isRunning());
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(changes, 1); // the start only
}

TEST(SpeedTest, ATestThatOutlivesItsTimeFailsAndOneDeafToCancelIsKilled) {
    auto defaults = platform::UserDefaults::inMemory();
    // Stalled: killed at the time limit and said to have timed out, not as a cancel.
    SpeedTest stalled(defaults, tool("speedtest-cli-hang"), fixedClock());
    stalled.timeLimit = std::chrono::milliseconds(200);
    runToEnd(stalled);
    EXPECT_EQ(stalled.state, SpeedTest::State(SpeedTest::Failed{SpeedTest::timedOutMessage}));
    EXPECT_TRUE(stalled.results.empty());

    // A tool that ignores the request to end is killed after the grace; the run then ends as
    // any cancelled one does.
    const QString deafTool = tool("speedtest-cli-ignores-term");
    SpeedTest deaf(defaults, deafTool, fixedClock());
    deaf.start();
    ASSERT_TRUE(deaf.isRunning());
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(deafTool + ".ready"); }));
    deaf.cancel();
    deaf.cancel(); // a second press changes nothing
    ASSERT_TRUE(waitUntil([&] { return !deaf.isRunning(); }));
    EXPECT_EQ(deaf.state, SpeedTest::State(SpeedTest::Idle{}));
    EXPECT_FALSE(defaults.data(SpeedTest::storageKey));
}

// A tool that fails says why on its standard error; the last line that says anything is the
// reason shown, in one line.
TEST(SpeedTest, AFailingToolsOwnReasonIsTheMessage) {
    const QString words = QString(QStringLiteral("word ")).repeated(60);
    struct Row {
        const char* name;
        QByteArray errors;
        QString message;
    };
    const Row rows[] = {
        {"no server reachable",
         "Cannot retrieve speedtest configuration\n"
         "ERROR: <urlopen error [Errno -3] Temporary failure in name resolution>\n",
         "The test failed: urlopen error [Errno -3] Temporary failure in name resolution"},
        {"a crash of the interpreter",
         "Traceback (most recent call last):\n  File \"x\", line 1\nsocket.timeout: timed out\n\n",
         "The test failed: socket.timeout: timed out"},
        {"controls and no final newline", "bad\tthing\x07 here\r",
         "The test failed: bad thing here"},
        {"silent", "", SpeedTest::failedMessage},
        {"blank lines", "\n  \n\n", SpeedTest::failedMessage},
        {"a very long line", words.toUtf8(),
         "The test failed: " + words.left(159) + QStringLiteral("…")}, // 32 whole words
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString folder = test::scratchDir() + "/" + row.name;
        test::writeFile(folder, "said", row.errors);
        test::writeFile(folder, "speedtest-cli",
                        "#!/bin/sh\ncat \"$(dirname \"$0\")/said\" >&2\n"
                        "echo 'not json'\nexit 1\n");
        QFile::setPermissions(folder + "/speedtest-cli",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        SpeedTest test(platform::UserDefaults::inMemory(), folder + "/speedtest-cli", fixedClock());
        runToEnd(test);
        EXPECT_EQ(test.state, SpeedTest::State(SpeedTest::Failed{row.message}));
        EXPECT_TRUE(test.results.empty());
    }
}

TEST(SpeedTest, TheToolIsFoundByNameInThePath) {
    const QString folder = test::scratchDir() + "/tools";
    test::writeFile(folder, "speedtest-cli", "#!/bin/sh\necho '{\"download\":8,\"upload\":16}'\n");
    const QString installed = folder + "/speedtest-cli";
    const QByteArray path = qgetenv("PATH");
    const auto restore = qScopeGuard([&] { qputenv("PATH", path); });

    qputenv("PATH", QFile::encodeName(test::scratchDir() + "/nowhere:" + folder));
    SpeedTest byName(platform::UserDefaults::inMemory(), SpeedTest::defaultTool, fixedClock());
    EXPECT_FALSE(byName.toolAvailable()); // not executable yet
    QFile::setPermissions(installed, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(byName.toolPath(), installed);
    runToEnd(byName);
    ASSERT_EQ(byName.results.size(), 1u);
    EXPECT_EQ(byName.results[0].upload, 2);

    qputenv("PATH", QFile::encodeName(test::scratchDir() + "/nowhere"));
    EXPECT_FALSE(byName.toolAvailable()); // removed from view: no card, no start
}

TEST(SpeedTest, TheEleventhResultPushesOutTheOldest) {
    auto defaults = platform::UserDefaults::inMemory();
    std::vector<SpeedTestResult> ten;
    for (int i = 10; i >= 1; --i)
        ten.push_back(result(-i * 60, i)); // newest first; the oldest has download 10
    std::reverse(ten.begin(), ten.end());
    defaults.setValue(SpeedTest::storageKey, *encodeSpeedTestResults(ten));

    SpeedTest test(defaults, tool("speedtest-cli-result"), fixedClock());
    ASSERT_EQ(test.results.size(), 10u);
    runToEnd(test);
    ASSERT_EQ(test.results.size(), 10u);
    EXPECT_EQ(test.results.front().date, when);
    EXPECT_EQ(test.results.back(), ten[8]);
    const auto saved = stored(defaults);
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->size(), 10);
    EXPECT_EQ(SpeedTestResult::decode(saved->at(0))->date, when);
    EXPECT_EQ(SpeedTestResult::decode(saved->at(9)), ten[8]);
}
