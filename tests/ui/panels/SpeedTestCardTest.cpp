#include "ui/panels/SpeedTestCard.h"

#include "PanelProbe.h"
#include "support/FixtureTree.h"
#include "support/HubFixture.h"
#include "support/Wait.h"
#include "ui/kit/DetailCell.h"
#include "ui/kit/DisclosureRow.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/kit/PillButton.h"
#include "ui/panels/SpeedTestTexts.h"

#include <QFile>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>
#include <limits>

using namespace morvanex;
using namespace morvanex::ui;
using namespace morvanex::test;

namespace {

const QTimeZone utc = QTimeZone::utc();
const QDateTime noon = QDateTime(QDate(2026, 12, 10), QTime(12, 0), utc);

SpeedTestResult result(const QDateTime& date, std::optional<double> rpm = std::nullopt,
                       std::optional<double> dataUsed = std::nullopt) {
    SpeedTestResult r;
    r.date = date;
    r.download = 12.5e6;
    r.upload = 2.5e6;
    r.responsiveness = rpm;
    r.dataUsed = dataUsed;
    return r;
}

} // namespace

TEST(SpeedTestTexts, ProgressFraction) {
    const std::pair<double, double> cases[] = {
        {0, 0}, {10, 0.5}, {19.6, 0.98}, {25, 0.98}, {-3, 0},
    };
    for (const auto& [seconds, expected] : cases)
        EXPECT_DOUBLE_EQ(speedtest::progressFraction(noon, noon.addMSecs(qint64(seconds * 1000))),
                         expected)
            << seconds;
}

TEST(SpeedTestTexts, ButtonTitle) {
    EXPECT_EQ(speedtest::buttonTitle(SpeedTest::Idle{}, false), "Test Speed");
    EXPECT_EQ(speedtest::buttonTitle(SpeedTest::Idle{}, true), "Test Again");
    EXPECT_EQ(speedtest::buttonTitle(SpeedTest::Failed{"x"}, false), "Test Speed");
    EXPECT_EQ(speedtest::buttonTitle(SpeedTest::Running{noon}, true), "Cancel");
}

TEST(SpeedTestTexts, ResponsivenessAndLatency) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(speedtest::responsivenessText(std::nullopt), std::nullopt);
    EXPECT_EQ(speedtest::responsivenessText(1200), "1200 RPM");
    EXPECT_EQ(speedtest::responsivenessText(1000.5), "1001 RPM");
    EXPECT_EQ(speedtest::responsivenessText(nan), "—");

    const std::pair<std::optional<double>, std::optional<QString>> latencies[] = {
        {1200, "50 ms under load"},
        {7, "8571 ms under load"},
        {0, std::nullopt},
        {-5, std::nullopt},
        {nan, std::nullopt},
        {std::nullopt, std::nullopt},
        // Just above zero the quotient is no 64-bit whole number.
        {1e-300, "— ms under load"},
    };
    for (const auto& [rpm, expected] : latencies)
        EXPECT_EQ(speedtest::latencyText(rpm), expected) << rpm.value_or(-1);
}

TEST(SpeedTestTexts, Caption) {
    const QDateTime morning = QDateTime(QDate(2026, 12, 10), QTime(9, 5), utc);
    EXPECT_EQ(speedtest::caption(result(morning, 1200, 450e6), noon, utc),
              "Last tested 09:05 · 50 ms under load · 450 MB used");
    EXPECT_EQ(speedtest::caption(result(morning, 1200), noon, utc),
              "Last tested 09:05 · 50 ms under load");
    EXPECT_EQ(speedtest::caption(result(morning, std::nullopt, 2e9), noon, utc),
              "Last tested 09:05 · 2.0 GB used");
    EXPECT_EQ(speedtest::caption(result(morning), noon, utc), "Last tested 09:05");
    const QDateTime yesterday = morning.addDays(-1);
    EXPECT_EQ(speedtest::caption(result(yesterday), noon, utc), "Last tested Dec 9, 2026, 09:05");
    // "Today" is the day in the time zone shown.
    const QTimeZone tokyo("Asia/Tokyo");
    EXPECT_EQ(speedtest::caption(result(yesterday.addSecs(16 * 3600)), noon, tokyo),
              "Last tested 10:05");
}

namespace {

struct SpeedTestCardTest : ::testing::Test {
    HubFixture f;
    PanelDefaults defaults{platform::UserDefaults::inMemory()};
    std::unique_ptr<SpeedTestCard> card;

    SpeedTest& test() { return f.hub->speedTest; }

    void make() {
        PanelEnv env;
        env.hub = f.hub.get();
        env.settings = &f.settings;
        card = std::make_unique<SpeedTestCard>(
            env, BoolBinding::stored(defaults, PanelKeys::speedHistoryExpanded));
    }
    void tick() {
        emit f.hub->changed();
        settle();
    }
    QStringList labelTexts() const {
        QStringList all;
        for (const QLabel* label : card->findChildren<QLabel*>())
            all << label->text();
        return all;
    }
    void installTool(const QByteArray& script) {
        writeFile(f.machine, "no-speed-test", script);
        QFile::setPermissions(f.machine + "/no-speed-test",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

} // namespace

TEST_F(SpeedTestCardTest, IdleWithoutResultsOffersTheFirstTestAndTheHint) {
    make();
    EXPECT_EQ(card->button()->title(), "Test Speed");
    EXPECT_TRUE(card->button()->isProminent());
    EXPECT_EQ(card->progressBar(), nullptr);
    EXPECT_TRUE(labelTexts().contains(speedtest::hintText));
    EXPECT_EQ(card->findChild<DetailCell*>(), nullptr);
}

TEST_F(SpeedTestCardTest, FailedWithoutResultsShowsTheSentenceAndTheHint) {
    test().state = SpeedTest::Failed{"The test failed. Check your connection."};
    make();
    EXPECT_EQ(card->button()->title(), "Test Speed");
    EXPECT_TRUE(labelTexts().contains("The test failed. Check your connection."));
    EXPECT_TRUE(labelTexts().contains(speedtest::hintText));
}

TEST_F(SpeedTestCardTest, RunningShowsProgressAboveThePreviousResult) {
    test().results = {result(f.now.addSecs(-60), 1200)};
    test().state = SpeedTest::Running{f.now.addSecs(-10)};
    make();
    EXPECT_EQ(card->button()->title(), "Cancel");
    EXPECT_FALSE(card->button()->isProminent());
    ASSERT_NE(card->progressBar(), nullptr);
    EXPECT_DOUBLE_EQ(card->progressBar()->fraction(), 0.5);
    EXPECT_TRUE(texts(card.get()).contains(speedtest::runningText));
    EXPECT_EQ(card->findChildren<DetailCell*>().size(), 3);

    // The same bar moves on as the test runs, and stops short of the end.
    ProgressBar* bar = card->progressBar();
    f.advance(20);
    tick();
    EXPECT_EQ(card->progressBar(), bar);
    EXPECT_DOUBLE_EQ(bar->fraction(), 0.98);

    test().results.clear();
    tick();
    EXPECT_FALSE(labelTexts().contains(speedtest::hintText));
    EXPECT_EQ(card->findChild<DetailCell*>(), nullptr);
}

TEST_F(SpeedTestCardTest, ResultsGridCaptionAndHistory) {
    test().results = {result(f.now.addSecs(-60), 1000.5, 450e6)};
    make();
    EXPECT_EQ(card->button()->title(), "Test Again");
    const auto cells = card->findChildren<DetailCell*>();
    ASSERT_EQ(cells.size(), 3);
    EXPECT_EQ(cells[0]->valueLine()->fullText(), "11.9 MB/s");
    EXPECT_EQ(cells[1]->valueLine()->fullText(), "2.4 MB/s");
    EXPECT_EQ(cells[2]->valueLine()->fullText(), "1001 RPM");
    EXPECT_EQ(card->findChild<DisclosureRow*>(), nullptr);

    SpeedTestResult older = result(f.now.addDays(-2));
    test().results.push_back(older);
    test().results.front().responsiveness.reset();
    f.settings.update([](Config& c) { c.bandwidthBits = true; });
    settle();
    EXPECT_EQ(card->findChildren<DetailCell*>()[2]->valueLine()->fullText(), "—");
    EXPECT_EQ(card->findChildren<DetailCell*>()[0]->valueLine()->fullText(), "100 Mb/s");
    auto* history = card->findChild<DisclosureRow*>();
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(history->summaryLine(), nullptr);
    EXPECT_TRUE(texts(history->content()).contains("↓ 100 Mb/s  ↑ 20.0 Mb/s"));
    history->toggle();
    EXPECT_TRUE(defaults.boolValue(PanelKeys::speedHistoryExpanded));
}

// The card says how a test ended: killed at the time limit, or failed with the tool's reason.
TEST_F(SpeedTestCardTest, AHungToolTimesOutAndAFailingOneSaysWhy) {
    struct Row {
        const char* name;
        QByteArray script;
        QString shown;
    };
    const Row rows[] = {
        {"hangs", "#!/bin/sh\nexec sleep 30\n", SpeedTest::timedOutMessage},
        {"fails",
         "#!/bin/sh\necho 'Cannot retrieve speedtest configuration' >&2\n"
         "echo 'ERROR: <urlopen error [Errno 111] Connection refused>' >&2\nexit 1\n",
         "The test failed: urlopen error [Errno 111] Connection refused"},
    };
    test().timeLimit = std::chrono::milliseconds(300);
    make();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        installTool(row.script);
        card->button()->click();
        settle();
        ASSERT_TRUE(test().isRunning());
        ASSERT_TRUE(waitUntil([&] { return !test().isRunning(); }));
        tick();
        EXPECT_TRUE(labelTexts().contains(row.shown)) << labelTexts().join('|').toStdString();
        EXPECT_EQ(card->progressBar(), nullptr);
        EXPECT_EQ(card->button()->title(), "Test Speed");
    }
}

TEST_F(SpeedTestCardTest, CancelEndsARunningToolAndIsHarmlessAfterwards) {
    installTool("#!/bin/sh\nexec sleep 30\n");
    make();
    QTest::mouseClick(card->button(), Qt::LeftButton);
    settle();
    ASSERT_TRUE(test().isRunning());
    ASSERT_EQ(card->button()->title(), "Cancel");
    PillButton* cancel = card->button();
    cancel->click();
    ASSERT_TRUE(waitUntil([&] { return !test().isRunning(); }));
    EXPECT_TRUE(std::holds_alternative<SpeedTest::Idle>(test().state));
    EXPECT_TRUE(test().results.empty());
    settle();
    EXPECT_EQ(card->button()->title(), "Test Speed");
}

TEST_F(SpeedTestCardTest, AStaleCancelStartsNothing) {
    installTool("#!/bin/sh\nexec sleep 30\n");
    test().state = SpeedTest::Running{f.now};
    make();
    ASSERT_EQ(card->button()->title(), "Cancel");
    test().state = SpeedTest::Idle{}; // the tool ended; the card has not been rebuilt yet
    card->button()->click();
    EXPECT_FALSE(test().isRunning());
}
