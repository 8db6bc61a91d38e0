#include "ui/kit/DetailCell.h"

#include "ui/kit/Fonts.h"
#include "ui/kit/TextLine.h"

#include <QBoxLayout>

namespace morvanex::ui {

DetailCell::DetailCell(const QString& label, const std::optional<QString>& value,
                       Appearance appearance, QWidget* parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);
    label_ = new TextLine(label, Fonts::font(11), color(Tint::secondaryText, appearance));
    value_ = new TextLine(shown(value), Fonts::font(13, QFont::Medium),
                          color(Tint::primaryText, appearance));
    column->addWidget(label_);
    column->addWidget(value_);
}

QString DetailCell::valueText() const {
    return value_->fullText();
}

QString DetailCell::shown(const std::optional<QString>& value) {
    return value ? *value : QStringLiteral("—");
}

} // namespace morvanex::ui
