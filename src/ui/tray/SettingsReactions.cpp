#include "ui/tray/SettingsReactions.h"

#include "app/Hub.h"

#include <utility>

namespace morvanex::ui {

namespace {

template <typename Function, typename... Args>
void callIfSet(const Function& function, Args&&... args) {
    if (function)
        function(std::forward<Args>(args)...);
}

} // namespace

bool sameWeatherPlace(const std::optional<WeatherLocation>& a,
                      const std::optional<WeatherLocation>& b) {
    if (!a || !b)
        return !a && !b;
    return a->name == b->name && a->latitude == b->latitude && a->longitude == b->longitude;
}

SettingsReactionTargets SettingsReactionTargets::targetsFor(Hub& hub) {
    return {
        [&hub] { hub.reschedule(); },
        [&hub](bool includeNetwork, bool includeRemovable) {
            hub.disks.scanVolumes(includeNetwork, includeRemovable);
        },
        [&hub] { hub.devices.start(); },
        [&hub](const std::optional<WeatherLocation>& configured) {
            hub.weather.refreshIfNeeded(configured, true);
        },
        [&hub] { hub.tick(); },
    };
}

void reactToSettingsChange(const Config& old, const Config& now,
                           const SettingsReactionTargets& targets,
                           const SettingsReactionHooks& hooks) {
    if (old.updateInterval != now.updateInterval)
        callIfSet(targets.reschedule);
    if (old.showNetworkDisks != now.showNetworkDisks ||
        old.showRemovableDisks != now.showRemovableDisks)
        callIfSet(targets.scanVolumes, now.showNetworkDisks, now.showRemovableDisks);
    if (!old.showDevices && now.showDevices)
        callIfSet(targets.startDevices);
    if (old.hotKeys != now.hotKeys)
        callIfSet(hooks.hotKeysChanged, now.hotKeys);
    if (!sameWeatherPlace(old.weatherLocation, now.weatherLocation))
        callIfSet(targets.forceWeatherRefresh, now.weatherLocation);
    if (old.modules != now.modules) {
        callIfSet(hooks.rebuild);
        callIfSet(targets.tick);
    } else {
        callIfSet(hooks.refresh);
    }
}

void reactToSettingsChange(const Config& old, const Config& now, Hub& hub,
                           const SettingsReactionHooks& hooks) {
    reactToSettingsChange(old, now, SettingsReactionTargets::targetsFor(hub), hooks);
}

void subscribeSettingsReactions(AppSettings& settings, const QObject* context, Hub& hub,
                                SettingsReactionHooks hooks) {
    settings.addObserver(context,
                         [&hub, hooks = std::move(hooks)](const Config& old, const Config& now) {
                             reactToSettingsChange(old, now, hub, hooks);
                         });
}

} // namespace morvanex::ui
