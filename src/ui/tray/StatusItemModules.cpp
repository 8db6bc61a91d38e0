#include "ui/tray/StatusItemModules.h"

#include "monitors/KeepAwake.h"

#include <algorithm>
#include <set>

namespace morvanex::ui {

std::vector<ModuleKind> shownModules(const Config& config, bool batteryPresent) {
    std::vector<ModuleKind> kinds;
    // A kind repeated in the stored list gets one item, where it first shows: the item's
    // style comes from the first entry of its kind anyway, and a list of thousands of repeats
    // must not make thousands of items.
    std::set<ModuleKind> seen;
    for (const ModuleConfig& module : config.modules) {
        if (!module.enabled)
            continue;
        if (module.kind == ModuleKind::battery && !batteryPresent)
            continue;
        if (seen.insert(module.kind).second)
            kinds.push_back(module.kind);
    }
    if (kinds.empty())
        kinds.push_back(ModuleKind::combined);
    return kinds;
}

ModuleConfig itemModule(const Config& config, ModuleKind kind) {
    const auto found = std::find_if(config.modules.begin(), config.modules.end(),
                                    [kind](const ModuleConfig& m) { return m.kind == kind; });
    if (found != config.modules.end())
        return *found;
    return ModuleConfig{kind, true, DisplayStyle::icon};
}

QString itemId(ModuleKind kind) {
    return QStringLiteral("Morvanex.") + rawValue(kind);
}

QString itemTitle(ModuleKind kind) {
    // Named as the settings and the dropdown name the module.
    return QStringLiteral("Morvanex — ") +
           (kind == ModuleKind::combined ? QStringLiteral("Overview") : title(kind));
}

QString keepAwakeTitle(const KeepAwake& keepAwake) {
    if (!keepAwake.isActive)
        return QStringLiteral("Keep Awake");
    return QStringLiteral("Keep Awake: ") + keepAwake.statusText();
}

QRect defaultAnchor(const QRect& availableGeometry) {
    if (availableGeometry.isEmpty())
        return {0, 0, 1, 1};
    return {availableGeometry.right(), availableGeometry.top(), 1, 1};
}

} // namespace morvanex::ui
