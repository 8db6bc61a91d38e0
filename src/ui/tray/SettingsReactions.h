#pragma once

#include "base/AppSettings.h"
#include "base/Config.h"

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <optional>

namespace morvanex {
class Hub;
} // namespace morvanex

namespace morvanex::ui {

// What the application does beyond the hub when the settings change: the status items and
// the global shortcuts belong to the application, not to the hub.
struct SettingsReactionHooks {
    // The configured modules changed: make the status items anew.
    std::function<void()> rebuild;
    // Anything else changed: redraw the status items as they are.
    std::function<void()> refresh;
    // The shortcut table changed (see applyHotKeys, which the application usually passes).
    std::function<void(const std::map<QString, HotKey>& table)> hotKeysChanged;
};

// The hub's side of the reactions, as calls; targetsFor() points them at a hub.
struct SettingsReactionTargets {
    std::function<void()> reschedule;
    std::function<void(bool includeNetwork, bool includeRemovable)> scanVolumes;
    std::function<void()> startDevices;
    std::function<void(const std::optional<WeatherLocation>& configured)> forceWeatherRefresh;
    std::function<void()> tick;

    static SettingsReactionTargets targetsFor(Hub& hub);
};

// Turns one real change of the settings into actions, each independent of the others, in this
// order: a new update interval reschedules the tick; a change to the network or removable
// volume switches rescans the volumes with the new values of both; devices turned on start the
// device monitor (turning them off needs nothing: the tick stops refreshing them); a new
// shortcut table goes to hotKeysChanged; a different weather place forces a weather refresh
// for it; a different module list (kind, enabled and style of every entry, in order) rebuilds
// the status items and ticks once at once, any other change only refreshes them. Every change
// therefore redraws the status items. Empty hooks or targets are skipped.
void reactToSettingsChange(const Config& old, const Config& now,
                           const SettingsReactionTargets& targets,
                           const SettingsReactionHooks& hooks);
void reactToSettingsChange(const Config& old, const Config& now, Hub& hub,
                           const SettingsReactionHooks& hooks);

// Registers the reactions as an observer of `settings`, for as long as `context` lives (the
// application object that owns `hub` and whatever the hooks reach), so nothing runs after it
// is gone.
void subscribeSettingsReactions(AppSettings& settings, const QObject* context, Hub& hub,
                                SettingsReactionHooks hooks);

// Whether two weather places count as the same place: both absent, or both present with equal
// name, latitude and longitude.
bool sameWeatherPlace(const std::optional<WeatherLocation>& a,
                      const std::optional<WeatherLocation>& b);

} // namespace morvanex::ui
