#include "ui/kit/PillButton.h"

#include "ui/kit/Fills.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/HoverClick.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace morvanex::ui {

namespace {

QFont titleFont() {
    return Fonts::font(11, QFont::DemiBold);
}

} // namespace

PillButton::PillButton(const QString& title, bool prominent, std::function<void()> action,
                       Appearance appearance, QWidget* parent)
    : QWidget(parent), title_(title), prominent_(prominent), action_(std::move(action)),
      appearance_(appearance) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(title);
    setAttribute(Qt::WA_Hover);
    pointer_ = new HoverClick(this, [this] { click(); });
}

bool PillButton::isHovering() const {
    return pointer_->isHovering();
}

QColor PillButton::fill(bool prominent, bool hovering, Appearance appearance) {
    if (prominent)
        return withOpacity(color(Tint::accent, appearance), hovering ? 0.85 : 1.0);
    return primaryFill(appearance, hovering ? 0.16 : 0.10);
}

void PillButton::click() {
    if (action_)
        action_();
}

QSize PillButton::sizeHint() const {
    const QFontMetricsF metrics(titleFont());
    return {int(std::ceil(metrics.horizontalAdvance(title_) + 2 * padX)),
            int(std::ceil(metrics.height() + 2 * padY))};
}

void PillButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    fillCapsule(painter, QRectF(rect()), fill(prominent_, isHovering(), appearance_));
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(titleFont());
    painter.setPen(prominent_ ? QColor(Qt::white) : color(Tint::primaryText, appearance_));
    painter.drawText(QRectF(rect()), Qt::AlignCenter, title_);
}

} // namespace morvanex::ui
