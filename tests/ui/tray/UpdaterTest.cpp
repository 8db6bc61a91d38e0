#include "ui/tray/Updater.h"

#include "base/BuildInfo.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace morvanex::ui;

namespace {

// An updater over a fake controller, wired to a policy holder and a settings window that the
// test shows and hides.
struct Session {
    int controllersMade = 0;
    int starts = 0;
    int checks = 0;
    int activations = 0;
    bool settingsVisible = false;
    ApplicationPolicy policy;
    Updater updater;

    explicit Session(const QString& feed)
        : updater(feed, [this] {
              ++controllersMade;
              return UpdaterController{[this] { ++starts; }, [this] { ++checks; }};
          }) {
        policy.onActivate = [this] { ++activations; };
        updater.hooks = {[this](ActivationPolicy p) { policy.setPolicy(p); },
                         [this] { policy.activate(); }, [this] { return settingsVisible; }};
    }
};

const QString feed = QStringLiteral("https://updates.example.org/appcast.xml");

} // namespace

TEST(Updater, WithoutAFeedTheControllerIsNeverMade) {
    for (const QString& without : {QString(), QStringLiteral("   "), QStringLiteral("appcast")}) {
        SCOPED_TRACE(without.toStdString());
        Session s(without);
        EXPECT_FALSE(s.updater.hasFeed());
        EXPECT_EQ(s.updater.controller(), nullptr);
        EXPECT_FALSE(s.updater.hasController());
        EXPECT_EQ(s.controllersMade, 0);
    }
}

TEST(Updater, ControllerIsMadeOnFirstUseOnly) {
    Session s(feed);
    EXPECT_TRUE(s.updater.hasFeed());
    EXPECT_EQ(s.controllersMade, 0);
    UpdaterController* controller = s.updater.controller();
    ASSERT_NE(controller, nullptr);
    controller->startUpdater();
    s.updater.controller()->checkForUpdates();
    EXPECT_EQ(s.updater.controller(), controller);
    EXPECT_EQ(s.controllersMade, 1);
    EXPECT_EQ(s.starts, 1);
    EXPECT_EQ(s.checks, 1);
}

TEST(Updater, ShowingAnUpdateTakesTheRegularPolicyOnlyWhenItShowsItself) {
    Session s(feed);
    s.updater.willHandleShowingUpdate(false);
    EXPECT_EQ(s.policy.policy(), ActivationPolicy::accessory);
    EXPECT_EQ(s.activations, 0);

    s.updater.willHandleShowingUpdate(true);
    EXPECT_EQ(s.policy.policy(), ActivationPolicy::regular);
    EXPECT_EQ(s.activations, 1);
}

TEST(Updater, SessionEndKeepsTheRegularPolicyOnlyWhileSettingsShow) {
    struct Case {
        const char* name;
        bool settingsVisible;
        ActivationPolicy after;
    };
    for (const Case& c : {Case{"settings window open", true, ActivationPolicy::regular},
                          Case{"settings window hidden", false, ActivationPolicy::accessory}}) {
        SCOPED_TRACE(c.name);
        Session s(feed);
        s.settingsVisible = c.settingsVisible;
        s.updater.willHandleShowingUpdate(true);
        s.updater.willFinishUpdateSession();
        EXPECT_EQ(s.policy.policy(), c.after);
    }
}

TEST(Updater, SettingsWindowIsFoundByNameAndVisibility) {
    QWidget other;
    other.show();
    EXPECT_FALSE(Updater::settingsWindowShowing());

    QWidget settings;
    settings.setObjectName(Updater::settingsWindowName);
    EXPECT_FALSE(Updater::settingsWindowShowing()); // exists, never shown
    settings.show();
    EXPECT_TRUE(Updater::settingsWindowShowing());
    settings.hide();
    EXPECT_FALSE(Updater::settingsWindowShowing());
}

TEST(Updater, PolicyAnnouncesOnlyRealChanges) {
    ApplicationPolicy policy;
    std::vector<ActivationPolicy> seen;
    policy.onChange = [&](ActivationPolicy p) { seen.push_back(p); };
    policy.setPolicy(ActivationPolicy::accessory);
    policy.setPolicy(ActivationPolicy::regular);
    policy.setPolicy(ActivationPolicy::regular);
    policy.setPolicy(ActivationPolicy::accessory);
    EXPECT_EQ(seen, (std::vector<ActivationPolicy>{ActivationPolicy::regular,
                                                   ActivationPolicy::accessory}));
}

// A plain build is given no feed, so the shared updater offers nothing.
TEST(Updater, PlainBuildHasNoFeed) {
    if (QString::fromUtf8(morvanex::BuildInfo::feedURL).trimmed().isEmpty()) {
        EXPECT_FALSE(Updater::shared().hasFeed());
        EXPECT_EQ(Updater::shared().controller(), nullptr);
    } else {
        EXPECT_TRUE(Updater::shared().hasFeed());
    }
}
