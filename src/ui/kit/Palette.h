#pragma once

#include <QColor>

// The named colours every view draws with. A colour is a name until it is drawn: the light or
// dark value is chosen at that moment, because one process (the dump) draws both appearances.
namespace morvanex::ui {

enum class Appearance { light, dark };

enum class Tint {
    blue,
    green,
    red,
    orange,
    yellow,
    purple,
    teal,
    indigo,
    gray,
    accent,
    primaryText,
    secondaryText,
    tertiaryText,
    quaternaryText,
    separator,
    windowBackground,
    cardBackground,
    controlBackground,
};

QColor color(Tint tint, Appearance appearance);

// The appearance the application's palette currently shows (a dark window colour reads dark).
Appearance currentAppearance();

} // namespace morvanex::ui
