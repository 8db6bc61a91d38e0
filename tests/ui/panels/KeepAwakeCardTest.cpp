#include "ui/panels/KeepAwakeCard.h"

#include "PanelProbe.h"
#include "support/HubFixture.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/panels/KeepAwakeTexts.h"

#include <QCheckBox>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;
using namespace morvanex::test;

TEST(KeepAwakeTexts, LooksFollowTheState) {
    EXPECT_EQ(keepawake::symbolName(true), "cup.and.saucer.fill");
    EXPECT_EQ(keepawake::symbolTint(true), Tint::orange);
    EXPECT_EQ(keepawake::symbolName(false), "cup.and.saucer");
    EXPECT_EQ(keepawake::symbolTint(false), Tint::secondaryText);
    EXPECT_EQ(keepawake::controlTitle(true), "On");
    EXPECT_EQ(keepawake::controlTitle(false), "Off");
    EXPECT_EQ(keepawake::menuTitles(false),
              QStringList({"30 minutes", "1 hour", "2 hours", "Until turned off"}));
    EXPECT_EQ(keepawake::menuTitles(true),
              QStringList({"30 minutes", "1 hour", "2 hours", "Until turned off", "Turn Off"}));
    EXPECT_EQ(keepawake::displayText(true), "Display stays on too");
    EXPECT_EQ(keepawake::displayText(false), "Display can sleep");
}

TEST(KeepAwakeTexts, WhatStandsUnderTheFirstLine) {
    using keepawake::Below;
    struct Case {
        bool preview, active, setting;
        Below below;
        bool controlIsText;
    };
    const Case cases[] = {
        {false, false, false, Below::nothing, false},  {false, false, true, Below::checkbox, false},
        {false, true, false, Below::checkbox, false},  {false, true, true, Below::checkbox, false},
        {true, false, false, Below::nothing, false},   {true, false, true, Below::nothing, false},
        {true, true, false, Below::displayText, true}, {true, true, true, Below::displayText, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.preview << c.active << c.setting);
        EXPECT_EQ(keepawake::below(c.preview, c.active, c.setting), c.below);
        EXPECT_EQ(keepawake::controlIsText(c.preview, c.active), c.controlIsText);
    }
}

namespace {

struct KeepAwakeCardTest : ::testing::Test {
    // Each assertion taken: whether it keeps the display on.
    std::vector<bool> taken;
    HubFixture f{[this](Hub::Sources& s) {
        s.power.create = [this](bool display, const QString&) {
            taken.push_back(display);
            return std::make_shared<int>(0);
        };
    }};
    std::unique_ptr<KeepAwakeCard> card;

    KeepAwake& keepAwake() { return f.hub->keepAwake; }

    void make(bool preview = false) {
        PanelEnv env;
        env.hub = f.hub.get();
        env.settings = &f.settings;
        env.previewOverrides.isPreview = preview;
        card = std::make_unique<KeepAwakeCard>(env);
    }
    void choose(const QString& title) {
        ASSERT_NE(card->menuButton(), nullptr);
        for (QAction* action : card->menuButton()->menu()->actions())
            if (action->text() == title) {
                action->trigger();
                settle();
                return;
            }
        FAIL() << "no menu entry " << title.toStdString();
    }
    QStringList menuEntries() const {
        QStringList titles;
        for (QAction* action : card->menuButton()->menu()->actions())
            if (!action->isSeparator())
                titles << action->text();
        return titles;
    }
    void click(QCheckBox* box) {
        ASSERT_NE(box, nullptr);
        box->click();
        settle();
    }
};

} // namespace

TEST_F(KeepAwakeCardTest, OffThenOneHour) {
    make();
    EXPECT_EQ(card->checkbox(), nullptr);
    EXPECT_EQ(card->menuButton()->text(), "Off");
    EXPECT_EQ(menuEntries(), keepawake::menuTitles(false));
    EXPECT_TRUE(texts(card.get()).contains("Off"));
    EXPECT_EQ(card->findChild<SymbolIcon*>()->name(), "cup.and.saucer");

    choose("1 hour");
    EXPECT_TRUE(keepAwake().isActive);
    EXPECT_EQ(taken, std::vector<bool>{false});
    EXPECT_EQ(keepAwake().endDate, f.now.addSecs(3600));
    EXPECT_EQ(card->menuButton()->text(), "On");
    EXPECT_EQ(menuEntries(), keepawake::menuTitles(true));
    EXPECT_TRUE(texts(card.get()).contains(keepAwake().statusText()));
    EXPECT_TRUE(keepAwake().statusText().startsWith("Until "));
    EXPECT_EQ(card->findChild<SymbolIcon*>()->name(), "cup.and.saucer.fill");
    ASSERT_NE(card->checkbox(), nullptr);
    EXPECT_FALSE(card->checkbox()->isChecked());

    choose("Turn Off");
    EXPECT_FALSE(keepAwake().isActive);
    EXPECT_EQ(card->checkbox(), nullptr);
}

TEST_F(KeepAwakeCardTest, ChoosingUsesTheDisplaySettingOfThatMoment) {
    f.settings.update([](Config& c) { c.keepAwakeDisplay = true; });
    make();
    ASSERT_NE(card->checkbox(), nullptr); // shown while off because the setting is on
    choose("Until turned off");
    EXPECT_EQ(taken, std::vector<bool>{true});
    EXPECT_EQ(keepAwake().endDate, std::nullopt);
}

TEST_F(KeepAwakeCardTest, TickingTheBoxRemakesARunningPeriodWithTheDisplayKept) {
    make();
    choose("Until turned off");
    click(card->checkbox());
    EXPECT_TRUE(f.settings.config().keepAwakeDisplay);
    EXPECT_EQ(taken, (std::vector<bool>{false, true}));
    EXPECT_TRUE(keepAwake().keepsDisplayOn);
    EXPECT_EQ(keepAwake().statusText(), "Until turned off");
    EXPECT_TRUE(card->checkbox()->isChecked());
}

TEST_F(KeepAwakeCardTest, UntickingKeepsTheEndTime) {
    f.settings.update([](Config& c) { c.keepAwakeDisplay = true; });
    make();
    choose("2 hours");
    const auto end = keepAwake().endDate;
    f.advance(60);
    click(card->checkbox());
    EXPECT_FALSE(f.settings.config().keepAwakeDisplay);
    EXPECT_EQ(taken, (std::vector<bool>{true, false}));
    EXPECT_EQ(keepAwake().endDate, end);
}

TEST_F(KeepAwakeCardTest, TickingToTheRunningKindOnlyStoresTheSetting) {
    make();
    keepAwake().activate(true, std::nullopt); // the setting (off) and the assertion disagree
    settle();
    click(card->checkbox());
    EXPECT_TRUE(f.settings.config().keepAwakeDisplay);
    EXPECT_EQ(taken, std::vector<bool>{true});
}

TEST_F(KeepAwakeCardTest, RenderedFromSampleDataShowsPlainTexts) {
    keepAwake().activate(false, std::nullopt);
    make(true);
    EXPECT_EQ(card->menuButton(), nullptr);
    EXPECT_EQ(card->checkbox(), nullptr);
    EXPECT_TRUE(texts(card.get()).contains("On"));
    EXPECT_TRUE(texts(card.get()).contains("Display can sleep"));
    f.settings.update([](Config& c) { c.keepAwakeDisplay = true; });
    settle();
    EXPECT_TRUE(texts(card.get()).contains("Display stays on too"));
}
