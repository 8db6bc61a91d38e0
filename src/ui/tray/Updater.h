#pragma once

#include "ui/tray/ApplicationPolicy.h"

#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

namespace morvanex::ui {

// The two operations the application asks of whatever delivers updates.
struct UpdaterController {
    // At launch, when the build has an update feed.
    std::function<void()> startUpdater;
    // The "Check for Updates…" menu items.
    std::function<void()> checkForUpdates;
};

// What the updater needs of the application: its policy, and whether the settings window is
// showing (visible, and the settings window rather than any other).
struct UpdaterHooks {
    std::function<void(ActivationPolicy policy)> setPolicy;
    std::function<void()> activate;
    std::function<bool()> settingsWindowVisible;
};

// The thin layer between the application and its update delivery. A build offers updates only
// when it was given a feed (the CMake setting MORVANEX_UPDATE_FEED_URL); without one the
// controller is never created and no "Check for Updates…" item shows. Linux has no update
// framework to run in-process, so the shared updater's controller starts nothing and checks by
// opening the feed in the desktop's browser. While an update is shown the application takes
// the regular policy, so its windows come to the front; at the end of the session it returns to
// accessory unless the settings window is still up (closing it does that later). Main thread.
class Updater {
public:
    using MakeController = std::function<UpdaterController()>;

    // The build's feed and the desktop controller; created on first use.
    static Updater& shared();
    // The controller for a build with a feed: starting does nothing, a check opens `feed`.
    static UpdaterController desktopController(const QUrl& feed);
    // The object name the application gives its settings window, so that
    // settingsWindowShowing() can tell it from other windows.
    static inline const QString settingsWindowName = QStringLiteral("MorvanexSettings");
    // Whether a visible top-level window is the settings window: a ready
    // UpdaterHooks::settingsWindowVisible.
    static bool settingsWindowShowing();

    Updater(const QString& feedURL, MakeController makeController);
    Updater(const Updater&) = delete;
    Updater& operator=(const Updater&) = delete;

    // The feed is a usable address: only then are updates offered.
    bool hasFeed() const { return feed_.isValid(); }
    const QUrl& feedURL() const { return feed_; }

    // Made on first use; null when the build has no feed (it is then never made).
    UpdaterController* controller();
    bool hasController() const { return controller_ != nullptr; }

    static constexpr bool supportsGentleScheduledUpdateReminders = true;
    // The update is about to be shown: when the delivery shows it itself, take the regular
    // policy and come to the front.
    void willHandleShowingUpdate(bool handleShowingUpdate);
    // The update session ends: back to accessory unless the settings window is showing.
    void willFinishUpdateSession();

    UpdaterHooks hooks;

private:
    QUrl feed_;
    MakeController makeController_;
    std::unique_ptr<UpdaterController> controller_;
};

} // namespace morvanex::ui
