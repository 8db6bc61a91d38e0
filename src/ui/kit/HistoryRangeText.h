#pragma once

#include "history/HistoryRange.h"
#include "ui/kit/PreviewOverrides.h"

#include <QString>
#include <optional>

// The texts of the history ranges and the one stored range every history graph shows.
namespace morvanex::ui {

class PanelDefaults;

// The stored range's key; its value is the range's raw name.
inline const QString historyRangeKey = QStringLiteral("panel.historyRange");

// "Live", "1H", "24H", "7D", "30D".
QString rangeChipLabel(HistoryRange range);
// The caption under a timeline's left edge ("1 h ago", ...); none for the live range.
std::optional<QString> rangeCaption(HistoryRange range);
// "Live", or "Last " and the caption without " ago" ("Last 7 days").
QString rangeAccessibilityLabel(HistoryRange range);

// The range the user chose: the stored raw name, `live` when none is stored or it names no
// range.
HistoryRange storedHistoryRange(const PanelDefaults& defaults);
void storeHistoryRange(PanelDefaults& defaults, HistoryRange range);

// The range a graph shows: a render's forced range, otherwise the stored one.
HistoryRange effectiveHistoryRange(const PreviewOverrides& preview, HistoryRange stored);

} // namespace morvanex::ui
