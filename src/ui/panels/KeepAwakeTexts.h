#pragma once

#include "monitors/KeepAwake.h"
#include "ui/kit/Palette.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace morvanex {
class AppSettings;
}

// What the keep-awake card shows and does, as plain functions of the keep-awake state.
namespace morvanex::ui::keepawake {

// The cup: filled and orange while active, an outline in the secondary colour otherwise.
QString symbolName(bool active);
Tint symbolTint(bool active);

// The control's label: "On" while active, "Off" otherwise.
QString controlTitle(bool active);
// Whether the control is a plain text instead of a menu (a render from sample data, active).
bool controlIsText(bool isPreview, bool active);
// The menu's entries: one per duration in order, then, while active, "Turn Off" (after a
// divider).
QStringList menuTitles(bool active);

// What stands under the card's first line.
enum class Below { nothing, displayText, checkbox };
Below below(bool isPreview, bool active, bool keepDisplaySetting);
// The render's line: "Display stays on too" or "Display can sleep".
QString displayText(bool keepDisplaySetting);

inline const QString title = QStringLiteral("Keep Computer Awake");
inline const QString checkboxTitle = QStringLiteral("Keep the display on too");
inline const QString turnOffTitle = QStringLiteral("Turn Off");

// A chosen duration: activates with the display setting as it is now, until now plus the
// duration's length (or until turned off). A running period is replaced.
void choose(KeepAwake& keepAwake, bool keepDisplaySetting, KeepAwake::Duration duration,
            const QDateTime& now);

// The checkbox set to `keepDisplay`: stores the setting; then, when a period runs with the
// other kind of assertion, re-makes it with this kind and the same end.
void setKeepDisplay(KeepAwake& keepAwake, AppSettings& settings, bool keepDisplay);

} // namespace morvanex::ui::keepawake
