#pragma once

#include "base/SettingsRecords.h"
#include "ui/kit/Palette.h"

#include <QString>
#include <cstddef>
#include <set>
#include <vector>

// The Menu Bar pane's edits of the module list (the left-to-right order of the status items),
// as functions from the stored list to the list to store.
namespace morvanex::ui::ModuleList {

std::vector<ModuleConfig> enabled(const std::vector<ModuleConfig>& modules);
std::vector<ModuleConfig> disabled(const std::vector<ModuleConfig>& modules);

// Reorders the switched-on entries (offsets counted among them); the switched-off ones follow,
// in their order.
std::vector<ModuleConfig> move(const std::vector<ModuleConfig>& modules,
                               const std::set<std::size_t>& sources, std::size_t destination);
// Moves a kind's switched-on entry one place left (-1) or right (+1); nothing when it has none
// or the step would leave the list.
std::optional<std::vector<ModuleConfig>> step(const std::vector<ModuleConfig>& modules,
                                              ModuleKind kind, int by);

// What a row shows and edits for a kind: its first entry, else one switched off as an icon.
ModuleConfig read(const std::vector<ModuleConfig>& modules, ModuleKind kind);
// Replaces the kind's first entry; switching it on moves it right after the last switched-on
// entry (the front when none is). Nothing when the list lacks the kind.
std::optional<std::vector<ModuleConfig>> write(const std::vector<ModuleConfig>& modules,
                                               ModuleKind kind, const ModuleConfig& value);

// The row's name: "Overview" for the combined item, else the kind's title.
QString displayName(ModuleKind kind);
// The row's tile: the application glyph for the combined item, else the kind's symbol.
QString tileSymbol(ModuleKind kind);
Tint tint(ModuleKind kind);
// The styles a kind offers, in menu order.
std::vector<DisplayStyle> styles(ModuleKind kind);
QString label(DisplayStyle style);
// The folded list's header: the switched-off names joined with ", ".
QString hiddenNames(const std::vector<ModuleConfig>& modules);
// "4 more hidden".
QString hiddenCount(std::size_t count);

} // namespace morvanex::ui::ModuleList
