#pragma once

#include "ui/kit/Palette.h"

#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

namespace morvanex::ui {

struct LegendItem {
    QString label;
    std::optional<QString> value;
    Tint color = Tint::gray;
};

// A row of colour keys: for each item, in order, a dot, its grey label and, when it has one,
// its value. Items are told apart by their place, so two may share a label.
class Legend : public QWidget {
    Q_OBJECT
public:
    Legend(std::vector<LegendItem> items, double spacing, Appearance appearance,
           QWidget* parent = nullptr);

    const std::vector<LegendItem>& items() const { return items_; }

private:
    std::vector<LegendItem> items_;
};

} // namespace morvanex::ui
