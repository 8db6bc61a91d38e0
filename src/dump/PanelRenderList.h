#pragma once

#include "base/SettingsEnums.h"
#include "ui/kit/PreviewOverrides.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// The fixed list of dropdown panel states the --dump mode renders, each from the live hub with
// some areas replaced by sample data.
namespace morvanex::dump {

// Sample data written into the hub right before an entry is rendered; it stays for every
// later entry.
enum class SampleState {
    none,
    devices,   // the two sample devices become the device monitor's list
    keepAwake, // an hour of keep-awake starts, then the check of the power lock is printed
    speedTest, // the two sample results become the speed test's results
    insight,   // the busy-process warning becomes the insight engine's current insight
    events,    // the day of sample events, calendar access granted
};

struct PanelRenderEntry {
    QString name; // "panel-<name>-<dark|light>.png"
    ModuleKind kind;
    ui::PreviewOverrides overrides; // isPreview is set at render time
    SampleState install = SampleState::none;

    bool operator==(const PanelRenderEntry&) const = default;
};

// The 34 renders in order. `insightProcess` is the process the sample insight names (the
// second-busiest one), marked in the last entry's process list; nothing leaves it unmarked.
std::vector<PanelRenderEntry> panelRenderList(std::optional<std::int32_t> insightProcess);

} // namespace morvanex::dump
