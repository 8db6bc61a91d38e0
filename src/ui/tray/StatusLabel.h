#pragma once

#include "ui/menubar/MenuBarPart.h"

#include <QString>
#include <vector>

namespace morvanex::ui {

// The text a panel that shows item labels (the GNOME family) puts beside the icon, and the
// guide string it sizes that label by so the label keeps its width while digits change.
struct StatusLabel {
    QString label;
    QString guide;
    bool operator==(const StatusLabel&) const = default;
};

// The texts of the text and two-line parts joined with a space (a two-line part's lines
// joined the same way, empty lines left out), and the guide built alike from the width
// templates (a text without a template stands for itself). Parts that only draw (symbols,
// graphs, bars, the battery, the glyph) add nothing, so an item of only symbols has an
// empty label and guide.
StatusLabel statusLabel(const std::vector<MenuBarPart>& parts);

} // namespace morvanex::ui
