#pragma once

#include "ui/kit/HeroValue.h"
#include "ui/kit/Palette.h"
#include "ui/kit/StatRows.h"

#include <QString>
#include <optional>

// The parts of a panel whose readings change from tick to tick, with what they show as plain
// values and an update in place, so a ticking number never makes its widgets anew.
namespace morvanex::ui {

class PanelHeader;

// What a module panel's header shows that follows the readings.
struct HeaderModel {
    std::optional<QString> subtitle;
    HeroValue::Content hero;
    bool operator==(const HeaderModel&) const = default;
};

// The panel header with the model's subtitle and hero value as its trailing view.
PanelHeader* makeHeader(const QString& icon, Tint tint, const QString& title,
                        const HeaderModel& model, Appearance appearance);
// Puts new texts into a header `makeHeader` made (or one whose trailing view holds a
// HeroValue); false when the subtitle comes or goes, which needs a new header.
bool updateHeader(PanelHeader* header, const HeaderModel& model);

} // namespace morvanex::ui
