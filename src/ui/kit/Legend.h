#pragma once

#include "ui/kit/Palette.h"

#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

namespace morvanex::ui {

class TextLine;

struct LegendItem {
    QString label;
    std::optional<QString> value;
    Tint color = Tint::gray;

    bool operator==(const LegendItem&) const = default;
};

// A row of colour keys: for each item, in order, a dot, its grey label and, when it has one,
// its value. Items are told apart by their place, so two may share a label.
class Legend : public QWidget {
    Q_OBJECT
public:
    Legend(std::vector<LegendItem> items, double spacing, Appearance appearance,
           QWidget* parent = nullptr);

    const std::vector<LegendItem>& items() const { return items_; }
    // Shows new values in place; answers false (changing nothing) when the keys themselves
    // differ (another label, colour or count, or a value coming or going).
    bool setValues(const std::vector<LegendItem>& items);

private:
    std::vector<LegendItem> items_;
    std::vector<TextLine*> values_; // one per item, null for an item without a value
};

} // namespace morvanex::ui
