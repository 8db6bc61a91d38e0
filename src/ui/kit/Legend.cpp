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
        if (item.value)
            entry->addWidget(new TextLine(*item.value, Fonts::font(11, QFont::Medium),
                                          color(Tint::primaryText, appearance)),
                             0, Qt::AlignVCenter);
        row->addLayout(entry);
    }
    row->addStretch(1);
}

} // namespace morvanex::ui
