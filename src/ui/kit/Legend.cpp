#include "ui/kit/Legend.h"

#include "ui/kit/Dot.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/TextLine.h"

#include <QBoxLayout>
#include <cmath>

namespace morvanex::ui {

Legend::Legend(std::vector<LegendItem> items, double spacing, Appearance appearance,
               QWidget* parent)
    : QWidget(parent), items_(std::move(items)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(int(std::lround(spacing)));
    for (const LegendItem& item : items_) {
        auto* entry = new QHBoxLayout;
        entry->setSpacing(5);
        entry->addWidget(new Dot(item.color, 7, appearance), 0, Qt::AlignVCenter);
        entry->addWidget(
            new TextLine(item.label, Fonts::font(11), color(Tint::secondaryText, appearance)), 0,
            Qt::AlignVCenter);
        TextLine* value = nullptr;
        if (item.value) {
            value = new TextLine(*item.value, Fonts::font(11, QFont::Medium),
                                 color(Tint::primaryText, appearance));
            entry->addWidget(value, 0, Qt::AlignVCenter);
        }
        values_.push_back(value);
        row->addLayout(entry);
    }
    row->addStretch(1);
}

bool Legend::setValues(const std::vector<LegendItem>& items) {
    if (items.size() != items_.size())
        return false;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].label != items_[i].label || items[i].color != items_[i].color ||
            items[i].value.has_value() != items_[i].value.has_value())
            return false;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (values_[i])
            values_[i]->setFullText(*items[i].value);
    items_ = items;
    return true;
}

} // namespace morvanex::ui
