#include "ui/kit/PanelHeader.h"

#include "ui/kit/Fonts.h"
#include "ui/kit/IconTile.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/TextLine.h"

#include <QBoxLayout>

namespace morvanex::ui {

PanelHeader::PanelHeader(const QString& icon, Tint tint, const QString& title,
                         const std::optional<QString>& subtitle, QWidget* trailing,
                         Appearance appearance, QWidget* parent)
    : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 8, 4, 2);
    row->setSpacing(10);
    row->addWidget(new IconTile(icon, tint, 26, 7, 14, appearance), 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    title_ =
        new TextLine(title, Fonts::font(13, QFont::Bold), color(Tint::primaryText, appearance));
    texts->addWidget(title_);
    if (subtitle) {
        subtitle_ =
            new TextLine(*subtitle, Fonts::font(10), color(Tint::secondaryText, appearance));
        texts->addWidget(subtitle_);
    }
    row->addLayout(texts);
    addFlexibleSpace(row, 8);
    if (trailing)
        row->addWidget(trailing, 0, Qt::AlignVCenter | Qt::AlignRight);
}

} // namespace morvanex::ui
