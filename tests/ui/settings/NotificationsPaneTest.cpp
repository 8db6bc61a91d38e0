#include "ui/settings/NotificationsPane.h"

#include "PaneTestSupport.h"
#include "app/RuleEngine.h"
#include "support/FakeDesktopPrograms.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace morvanex;
using namespace morvanex::ui;
using morvanex::test::HubFixture;

namespace {

struct Posted {
    QString title;
    QString body;
};

NotificationsPane::Hooks hooks(bool available, std::vector<Posted>* posted = nullptr,
                               bool denied = false) {
    NotificationsPane::Hooks h;
    h.isAvailable = [available] { return available; };
    h.isDenied = [denied] { return denied; };
    h.post = [posted](const QString& title, const QString& body) {
        if (posted)
            posted->push_back({title, body});
    };
    return h;
}

QWidget* ruleRow(QWidget* pane, const Rule& rule) {
    return test::child<QWidget>(pane,
                                QStringLiteral("rule-") + rule.id.toString(QUuid::WithoutBraces));
}

} // namespace

TEST(NotificationsPane, UnitTextsAreFixedLabelsPerMetric) {
    const std::pair<RuleMetric, const char*> rows[] = {
        {RuleMetric::cpu, "%"},
        {RuleMetric::gpu, "%"},
        {RuleMetric::memoryPressure, "%"},
        {RuleMetric::memoryUsed, "%"},
        {RuleMetric::diskUsed, "%"},
        {RuleMetric::temperature, "°C"},
        {RuleMetric::batteryLevel, "%"},
        {RuleMetric::download, "KB/s"},
        {RuleMetric::upload, "KB/s"},
        {RuleMetric::ping, "ms"},
    };
    for (const auto& [metric, unit] : rows)
        EXPECT_EQ(RuleEngine::unit(metric), QString::fromUtf8(unit)) << title(metric).toStdString();
    EXPECT_EQ(NotificationsPane::comparisonLabel(Comparison::above), "is above");
    EXPECT_EQ(NotificationsPane::comparisonLabel(Comparison::below), "is below");
}

TEST(NotificationsPane, NumberFieldsReadTheLocalesNumbersAndLeaveOtherText) {
    struct Row {
        const char* locale;
        const char* text;
        std::optional<double> value;
    };
    const Row rows[] = {
        {"en_US", "80", 80},
        {"en_US", "12.5", 12.5},
        {"en_US", "-5", -5},
        {"en_US", " 7 ", 7},
        {"de_DE", "12,5", 12.5},
        {"en_US", "", std::nullopt},
        {"en_US", "abc", std::nullopt},
        {"en_US", "1e400", std::nullopt},
        {"en_US", "inf", std::nullopt},
        {"en_US", "nan", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.locale) + " " + row.text);
        EXPECT_EQ(NotificationsPane::parseNumber(QString::fromUtf8(row.text),
                                                 QLocale(QString::fromLatin1(row.locale))),
                  row.value);
    }
    EXPECT_EQ(NotificationsPane::numberText(12.5, QLocale(QStringLiteral("de_DE"))), "12,5");
    EXPECT_EQ(NotificationsPane::numberText(12000, QLocale(QStringLiteral("en_US"))), "12000");
}

TEST(NotificationsPane, AddRuleTwiceGivesTwoEqualRulesThatDeleteApart) {
    Config config;
    config.rules.clear();
    NotificationsPane::addRule(config);
    NotificationsPane::addRule(config);
    ASSERT_EQ(config.rules.size(), 2u);
    const Rule& first = config.rules[0];
    EXPECT_NE(first.id, config.rules[1].id);
    EXPECT_TRUE(first.enabled);
    EXPECT_EQ(first.metric, RuleMetric::cpu);
    EXPECT_EQ(first.comparison, Comparison::above);
    EXPECT_EQ(first.threshold, 80);
    EXPECT_EQ(first.duration, 30);
    const QUuid kept = config.rules[1].id;
    NotificationsPane::deleteRule(config, first.id);
    ASSERT_EQ(config.rules.size(), 1u);
    EXPECT_EQ(config.rules[0].id, kept);
}

TEST(NotificationsPane, StatusLineShowsTheNoteOrTheDeniedRowOrNothing) {
    using S = NotificationsPane::Status;
    EXPECT_EQ(NotificationsPane::status(false, true), S::notAvailable);
    EXPECT_EQ(NotificationsPane::status(false, false), S::notAvailable);
    EXPECT_EQ(NotificationsPane::status(true, true), S::denied);
    EXPECT_EQ(NotificationsPane::status(true, false), S::none);

    HubFixture fixture;
    std::vector<platform::SystemLink> opened;
    {
        NotificationsPane pane(test::paneEnv(fixture, Appearance::light, &opened), hooks(false));
        EXPECT_NE(test::child<QLabel>(&pane, QStringLiteral("statusNote")), nullptr);
        EXPECT_EQ(test::child<QWidget>(&pane, QStringLiteral("deniedRow")), nullptr);
    }
    // Denied: the way to the desktop's notification settings, where a program for them is.
    const test::FakeDesktopPrograms kde(
        {{"systemsettings", "systemsettings.desktop", "System Settings"}});
    const test::FakeDesktopPrograms bare({{"nm-connection-editor", nullptr, nullptr}});
    {
        PanelEnv env = test::paneEnv(fixture, Appearance::light, &opened);
        env.linkName = kde.linkName();
        NotificationsPane pane(env, hooks(true, nullptr, true));
        EXPECT_EQ(test::child<QLabel>(&pane, QStringLiteral("statusNote")), nullptr);
        QAbstractButton* open =
            test::buttonWithText(&pane, QStringLiteral("Open Notification Settings…"));
        ASSERT_NE(open, nullptr);
        open->click();
        EXPECT_EQ(opened, std::vector{platform::SystemLink::notificationSettings});
    }
    {
        PanelEnv env = test::paneEnv(fixture);
        env.linkName = bare.linkName();
        NotificationsPane pane(env, hooks(true, nullptr, true));
        EXPECT_NE(test::child<QWidget>(&pane, QStringLiteral("deniedRow")), nullptr);
        EXPECT_TRUE(test::shownTexts(&pane).contains("Notifications are disabled for Morvanex."));
        EXPECT_EQ(test::buttonWithText(&pane, QStringLiteral("Open Notification Settings…")),
                  nullptr);
    }
    {
        NotificationsPane pane(test::paneEnv(fixture), hooks(true));
        EXPECT_EQ(test::child<QLabel>(&pane, QStringLiteral("statusNote")), nullptr);
        EXPECT_EQ(test::child<QWidget>(&pane, QStringLiteral("deniedRow")), nullptr);
    }
}

TEST(NotificationsPane, RowsEditTheirOwnRule) {
    HubFixture fixture;
    fixture.settings.update([](Config& c) { c.rules.clear(); });
    std::vector<Posted> posted;
    NotificationsPane pane(test::paneEnv(fixture), hooks(true, &posted));
    EXPECT_TRUE(pane.findChildren<QComboBox*>(QStringLiteral("metric")).isEmpty());

    test::child<QPushButton>(&pane, QStringLiteral("addRule"))->click();
    test::settle();
    test::child<QPushButton>(&pane, QStringLiteral("addRule"))->click();
    test::settle();
    ASSERT_EQ(fixture.settings.config().rules.size(), 2u);
    const Rule second = fixture.settings.config().rules[1];

    // Changing the metric keeps the threshold; the unit follows.
    QWidget* row = ruleRow(&pane, second);
    ASSERT_NE(row, nullptr);
    auto* metric = test::child<QComboBox>(row, QStringLiteral("metric"));
    metric->setCurrentIndex(int(RuleMetric::ping));
    emit metric->activated(int(RuleMetric::ping));
    test::settle();
    EXPECT_EQ(fixture.settings.config().rules[1].metric, RuleMetric::ping);
    EXPECT_EQ(fixture.settings.config().rules[1].threshold, 80);
    EXPECT_EQ(fixture.settings.config().rules[0].metric, RuleMetric::cpu);
    row = ruleRow(&pane, second);
    EXPECT_EQ(test::child<QLabel>(row, QStringLiteral("unit"))->text(), "ms");

    // Typing stores each number that reads; other text leaves the value.
    auto* threshold = test::child<QLineEdit>(row, QStringLiteral("threshold"));
    threshold->setFocus();
    threshold->selectAll();
    QTest::keyClicks(threshold, QStringLiteral("-5"));
    EXPECT_EQ(fixture.settings.config().rules[1].threshold, -5);
    QTest::keyClicks(threshold, QStringLiteral("x"));
    EXPECT_EQ(fixture.settings.config().rules[1].threshold, -5);
    // The field being typed in stays the same field.
    EXPECT_EQ(test::child<QLineEdit>(ruleRow(&pane, second), QStringLiteral("threshold")),
              threshold);
    auto* duration = test::child<QLineEdit>(row, QStringLiteral("duration"));
    duration->selectAll();
    QTest::keyClicks(duration, QStringLiteral("12.5"));
    EXPECT_EQ(fixture.settings.config().rules[1].duration, 12.5);

    test::child<QToolButton>(ruleRow(&pane, fixture.settings.config().rules[0]),
                             QStringLiteral("delete"))
        ->click();
    test::settle();
    ASSERT_EQ(fixture.settings.config().rules.size(), 1u);
    EXPECT_EQ(fixture.settings.config().rules[0].id, second.id);

    test::child<QPushButton>(&pane, QStringLiteral("sendTest"))->click();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].title, "Morvanex");
    EXPECT_EQ(posted[0].body, "Notifications are working.");
}

TEST(NotificationsPane, EachSwitchWritesItsOwnFieldOnce) {
    HubFixture fixture;
    NotificationsPane pane(test::paneEnv(fixture), hooks(true));
    const std::pair<const char*, bool EventToggles::*> switches[] = {
        {"powerSource", &EventToggles::powerSource},
        {"batteryCharged", &EventToggles::batteryCharged},
        {"wifiChanged", &EventToggles::wifiChanged},
        {"publicIPChanged", &EventToggles::publicIPChanged},
        {"internetStatus", &EventToggles::internetStatus},
        {"primaryInterface", &EventToggles::primaryInterface},
    };
    for (const auto& [name, field] : switches) {
        SCOPED_TRACE(name);
        const Config before = fixture.settings.config();
        std::vector<std::pair<Config, Config>> seen;
        auto subscription = fixture.settings.addObserver(
            [&](const Config& old, const Config& now) { seen.emplace_back(old, now); });
        test::child<QCheckBox>(&pane, QString::fromLatin1(name))->click();
        ASSERT_EQ(seen.size(), 1u);
        Config expected = before;
        expected.events.*field = !(before.events.*field);
        EXPECT_EQ(seen[0].second, expected);
    }
    const bool before = fixture.settings.config().insightNotifications;
    test::child<QCheckBox>(&pane, QStringLiteral("insightNotifications"))->click();
    EXPECT_EQ(fixture.settings.config().insightNotifications, !before);
}
