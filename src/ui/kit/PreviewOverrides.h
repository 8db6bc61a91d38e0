#pragma once

#include "base/SettingsEnums.h"
#include "history/HistoryRange.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace morvanex::ui {

// Panel state forced when a panel is drawn from sample data for a render instead of being shown
// to a user. The default record forces nothing; the running application never sets another.
// A present field wins over the live state for drawing only: no reader writes it back.
struct PreviewOverrides {
    bool isPreview = false;
    std::optional<ModuleKind> overviewDetail;
    std::optional<QString> overviewDevice;
    std::optional<HistoryRange> historyRange;
    std::optional<std::int32_t> highlightedProcess;
    std::optional<std::vector<OverviewItem>> overviewHidden;
    std::optional<std::vector<OverviewItem>> overviewOrder;
    std::optional<SensorMode> sensorMode;
    std::optional<int> batteryTab;
    bool expandDisclosures = false;
    // The network panel shows its speed-test card even where the tool is not installed.
    bool speedTestCard = false;

    bool operator==(const PreviewOverrides&) const = default;
};

} // namespace morvanex::ui
