#include "ui/panels/KeepAwakeTexts.h"

#include "base/AppSettings.h"

namespace morvanex::ui::keepawake {

QString symbolName(bool active) {
    return active ? QStringLiteral("cup.and.saucer.fill") : QStringLiteral("cup.and.saucer");
}

Tint symbolTint(bool active) {
    return active ? Tint::orange : Tint::secondaryText;
}

QString controlTitle(bool active) {
    return active ? QStringLiteral("On") : QStringLiteral("Off");
}

bool controlIsText(bool isPreview, bool active) {
    return isPreview && active;
}

QStringList menuTitles(bool active) {
    QStringList titles;
    for (const KeepAwake::Duration duration : KeepAwake::allDurations)
        titles << KeepAwake::label(duration);
    if (active)
        titles << turnOffTitle;
    return titles;
}

Below below(bool isPreview, bool active, bool keepDisplaySetting) {
    if (isPreview)
        return active ? Below::displayText : Below::nothing;
    return active || keepDisplaySetting ? Below::checkbox : Below::nothing;
}

QString displayText(bool keepDisplaySetting) {
    return keepDisplaySetting ? QStringLiteral("Display stays on too")
                              : QStringLiteral("Display can sleep");
}

void choose(KeepAwake& keepAwake, bool keepDisplaySetting, KeepAwake::Duration duration,
            const QDateTime& now) {
    keepAwake.activate(keepDisplaySetting, KeepAwake::endTime(duration, now));
}

void setKeepDisplay(KeepAwake& keepAwake, AppSettings& settings, bool keepDisplay) {
    settings.update([keepDisplay](Config& config) { config.keepAwakeDisplay = keepDisplay; });
    if (keepAwake.isActive && keepDisplay != keepAwake.keepsDisplayOn)
        keepAwake.activate(keepDisplay, keepAwake.endDate);
}

} // namespace morvanex::ui::keepawake
