#include "ui/kit/SymbolIcon.h"

#include "ui/kit/Symbols.h"

#include <QPainter>
#include <QPixmap>
#include <cmath>

namespace morvanex::ui {

SymbolIcon::SymbolIcon(const QString& name, double pointSize, const QColor& color, QWidget* parent)
    : QWidget(parent), name_(name), pointSize_(pointSize), color_(color) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SymbolIcon::setName(const QString& name) {
    if (name == name_)
        return;
    name_ = name;
    updateGeometry();
    update();
}

void SymbolIcon::setColor(const QColor& color) {
    color_ = color;
    update();
}

void SymbolIcon::setRotation(double degrees) {
    rotation_ = degrees;
    update();
}

QSize SymbolIcon::sizeHint() const {
    const auto size = Symbols::size(name_, pointSize_);
    if (!size)
        return {0, 0};
    // Square, so that a turned symbol keeps its room.
    const int side = int(std::ceil(std::max(size->width(), size->height())));
    return {side, side};
}

void SymbolIcon::paintEvent(QPaintEvent*) {
    const auto size = Symbols::size(name_, pointSize_);
    if (!size)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(width() / 2.0, height() / 2.0);
    painter.rotate(rotation_);
    Symbols::draw(painter, name_,
                  QRectF(-size->width() / 2, -size->height() / 2, size->width(), size->height()),
                  Symbols::Paint::monochrome(color_));
}

QIcon SymbolIcon::icon(const QString& name, double pointSize, const QColor& color) {
    const auto size = Symbols::size(name, pointSize);
    if (!size)
        return {};
    QPixmap pixmap(int(std::ceil(size->width() * 2)), int(std::ceil(size->height() * 2)));
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    Symbols::draw(painter, name, QRectF(QPointF(0, 0), *size), Symbols::Paint::monochrome(color));
    painter.end();
    return QIcon(pixmap);
}

} // namespace morvanex::ui
