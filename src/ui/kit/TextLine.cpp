#include "ui/kit/TextLine.h"

#include <QFontMetricsF>
#include <QResizeEvent>
#include <cmath>

namespace morvanex::ui {

TextLine::TextLine(const QString& text, const QFont& font, const QColor& color,
                   Qt::TextElideMode elide, QWidget* parent)
    : QLabel(parent), full_(text), elide_(elide) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setFont(font);
    setColor(color);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setText(full_);
}

void TextLine::setFullText(const QString& text) {
    if (text == full_)
        return;
    full_ = text;
    updateGeometry();
    refit();
}

void TextLine::setColor(const QColor& color) {
    color_ = color;
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    setPalette(palette);
}

QSize TextLine::sizeHint() const {
    const QFontMetricsF metrics(font());
    return {int(std::ceil(metrics.horizontalAdvance(full_))) + 1, int(std::ceil(metrics.height()))};
}

QSize TextLine::minimumSizeHint() const {
    const QFontMetricsF metrics(font());
    const double ellipsis = metrics.horizontalAdvance(QStringLiteral("…"));
    const int width = full_.isEmpty() ? 0 : int(std::ceil(ellipsis)) + 1;
    return {std::min(width, sizeHint().width()), int(std::ceil(metrics.height()))};
}

void TextLine::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    refit();
}

void TextLine::refit() {
    const QFontMetricsF metrics(font());
    const QString shown = metrics.horizontalAdvance(full_) <= width()
                              ? full_
                              : metrics.elidedText(full_, elide_, width());
    if (shown != text())
        setText(shown);
    setToolTip(shown == full_ ? QString() : full_);
}

} // namespace morvanex::ui
