#include "ui/panels/overview/OverviewSummaries.h"

#include <QLocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace morvanex;
using namespace morvanex::ui::overview;

TEST(OverviewUptime, Texts) {
    const std::vector<std::pair<double, QString>> table = {
        {0, "0 hours, 0 min"},
        {59, "0 hours, 0 min"},
        {59.9, "0 hours, 0 min"},
        {3600, "1 hour, 0 min"},
        {3700, "1 hour, 1 min"},
        {7200, "2 hours, 0 min"},
        {86399, "23 hours, 59 min"},
        {86400, "1 day, 0 hours"},
        {90000, "1 day, 1 hour"},
        {200000, "2 days, 7 hours"},
        {12345678, "142 days, 21 hours"},
        {std::nan(""), "—"},
        {std::numeric_limits<double>::infinity(), "—"},
        {-5, "—"},
    };
    for (const auto& [seconds, text] : table)
        EXPECT_EQ(uptimeText(seconds), text) << seconds;
}

TEST(OverviewFanSummary, Texts) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    struct Case {
        std::vector<double> rpms;
        bool isReady;
        QString text;
        bool readable = true;
    };
    const std::vector<Case> table = {
        {{}, true, "Fanless"},
        {{}, false, "—"},
        {{80, 80}, true, "Fans off"},
        {{99.9}, true, "Fans off"},
        {{0, 1200}, true, "1,200 rpm"},
        {{100}, true, "100 rpm"},
        {{2400.9, 1800}, false, "2,400 rpm"},
        // No sensor readable at all says so, not that the machine has no fan.
        {{}, true, "Not readable", false},
        {{}, false, "Not readable", false},
    };
    for (const Case& c : table) {
        std::vector<Fan> fans;
        for (double rpm : c.rpms)
            fans.push_back({int(fans.size()), rpm, 0, 0});
        EXPECT_EQ(fanSummary(fans, c.isReady, c.readable), c.text);
    }
    QLocale::setDefault(saved);
}

TEST(OverviewBatterySummary, Texts) {
    struct Case {
        const char* name;
        BatteryState state;
        QString text;
    };
    const std::vector<Case> table = {
        {"charging with estimate", {true, 50, true, false, true, 95}, "1:35 to full"},
        {"on battery with estimate", {true, 10, false, false, false, 5}, "0:05 left"},
        {"estimate wins over absence", {false, 0, false, false, false, 61}, "1:01 left"},
        {"no battery", {false, 0, false, false, true, std::nullopt}, "No battery"},
        {"charged flag", {true, 80, true, true, false, std::nullopt}, "Charged"},
        {"full on adapter", {true, 99.6, false, false, true, std::nullopt}, "Charged"},
        {"at 99.5 on adapter", {true, 99.5, false, false, true, std::nullopt}, "Charged"},
        {"charging", {true, 40, true, false, true, std::nullopt}, "Charging"},
        {"not charging", {true, 99.4, false, false, true, std::nullopt}, "Not charging"},
        {"on battery", {true, 99.9, false, false, false, std::nullopt}, "On battery"},
        {"negative estimate means none", {true, 40, true, false, true, -3}, "Charging"},
    };
    for (const Case& c : table)
        EXPECT_EQ(batterySummary(c.state), c.text) << c.name;
}
