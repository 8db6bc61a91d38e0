#include "ui/kit/WrappingText.h"

#include "ui/kit/Fonts.h"

#include <QLabel>
#include <QPalette>

namespace morvanex::ui {

QLabel* wrappingText(const QString& content, double pixelSize, Tint tint, Appearance appearance,
                     QWidget* parent) {
    auto* label = new QLabel(content, parent);
    label->setFont(Fonts::font(pixelSize));
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color(tint, appearance));
    label->setPalette(palette);
    return label;
}

} // namespace morvanex::ui
