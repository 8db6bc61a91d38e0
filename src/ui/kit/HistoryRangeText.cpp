#include "ui/kit/HistoryRangeText.h"

#include "ui/kit/PanelDefaults.h"

namespace morvanex::ui {

QString rangeChipLabel(HistoryRange range) {
    switch (range) {
    case HistoryRange::live:
        return QStringLiteral("Live");
    case HistoryRange::hour:
        return QStringLiteral("1H");
    case HistoryRange::day:
        return QStringLiteral("24H");
    case HistoryRange::week:
        return QStringLiteral("7D");
    case HistoryRange::month:
        return QStringLiteral("30D");
    }
    return {};
}

std::optional<QString> rangeCaption(HistoryRange range) {
    switch (range) {
    case HistoryRange::live:
        return std::nullopt;
    case HistoryRange::hour:
        return QStringLiteral("1 h ago");
    case HistoryRange::day:
        return QStringLiteral("24 h ago");
    case HistoryRange::week:
        return QStringLiteral("7 days ago");
    case HistoryRange::month:
        return QStringLiteral("30 days ago");
    }
    return std::nullopt;
}

QString rangeAccessibilityLabel(HistoryRange range) {
    const std::optional<QString> caption = rangeCaption(range);
    if (!caption)
        return QStringLiteral("Live");
    QString span = *caption;
    span.chop(int(QStringLiteral(" ago").size()));
    return QStringLiteral("Last ") + span;
}

HistoryRange storedHistoryRange(const PanelDefaults& defaults) {
    return fromRawValue<HistoryRange>(defaults.stringValue(historyRangeKey))
        .value_or(HistoryRange::live);
}

void storeHistoryRange(PanelDefaults& defaults, HistoryRange range) {
    defaults.setValue(historyRangeKey, rawValue(range));
}

HistoryRange effectiveHistoryRange(const PreviewOverrides& preview, HistoryRange stored) {
    return preview.historyRange.value_or(stored);
}

} // namespace morvanex::ui
