#pragma once

#include "ui/kit/Palette.h"

#include <QString>
#include <optional>
#include <variant>
#include <vector>

// The drawable pieces of one status item's image. A module describes its item as a list of
// parts; the renderer lays them out left to right. Colours are names, resolved when drawn.
namespace morvanex::ui {

struct MenuBarText {
    QString text;
    // Measured, never drawn: reserves the slot's width so the item keeps it while digits change.
    std::optional<QString> widthTemplate;
    bool operator==(const MenuBarText&) const = default;
};

// Two lines of small text; `first` is the upper line.
struct MenuBarStacked {
    QString first;
    QString second;
    std::optional<QString> widthTemplate;
    bool operator==(const MenuBarStacked&) const = default;
};

// History of fractions (0 empty, 1 full) drawn as bars rising from the bottom.
struct MenuBarGraph {
    std::vector<double> values;
    Tint tint = Tint::blue;
    bool operator==(const MenuBarGraph&) const = default;
};

// Upload rising from the middle line, download hanging from it.
struct MenuBarMirrored {
    std::vector<double> up;
    std::vector<double> down;
    bool operator==(const MenuBarMirrored&) const = default;
};

// One vertical level bar, fraction 0...1.
struct MenuBarBar {
    double value = 0;
    Tint tint = Tint::green;
    bool operator==(const MenuBarBar&) const = default;
};

// A symbol by its catalog name; `multicolor` asks for the symbol's own colours.
struct MenuBarSymbol {
    QString name;
    bool multicolor = false;
    bool operator==(const MenuBarSymbol&) const = default;
};

struct MenuBarBattery {
    double level = 0;
    bool charging = false;
    bool operator==(const MenuBarBattery&) const = default;
};

// The application's own glyph.
struct MenuBarAppGlyph {
    bool operator==(const MenuBarAppGlyph&) const = default;
};

using MenuBarPart = std::variant<MenuBarText, MenuBarStacked, MenuBarGraph, MenuBarMirrored,
                                 MenuBarBar, MenuBarSymbol, MenuBarBattery, MenuBarAppGlyph>;

} // namespace morvanex::ui
