#include "ui/kit/IconTile.h"

#include "ui/kit/AppGlyph.h"
#include "ui/kit/Symbols.h"

#include <QLinearGradient>
#include <QPainter>
#include <cmath>

namespace morvanex::ui {

const QString IconTile::appGlyphName = QStringLiteral("morvanex.lamp");

IconTile::IconTile(const QString& symbol, Tint tint, double size, double cornerRadius,
                   double symbolSize, Appearance appearance, QWidget* parent)
    : QWidget(parent), symbol_(symbol), tint_(tint), size_(size), cornerRadius_(cornerRadius),
      symbolSize_(symbolSize), appearance_(appearance) {
    const int side = int(std::ceil(size));
    setFixedSize(side, side);
}

QRectF IconTile::glyphRect(double size, double symbolSize) {
    const double side = symbolSize + 3;
    return {(size - side) / 2, (size - side) / 2, side, side};
}

std::optional<QRectF> IconTile::symbolRect(const QString& symbol, double size, double symbolSize) {
    if (showsAppGlyph(symbol))
        return std::nullopt;
    const auto natural = Symbols::size(symbol, symbolSize);
    if (!natural)
        return std::nullopt;
    return QRectF((size - natural->width()) / 2, (size - natural->height()) / 2, natural->width(),
                  natural->height());
}

QSize IconTile::sizeHint() const {
    const int side = int(std::ceil(size_));
    return {side, side};
}

void IconTile::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QColor base = color(tint_, appearance_);
    // The colour's own soft gradient: a little lighter at the top, the colour itself below.
    QLinearGradient gradient(0, 0, 0, size_);
    gradient.setColorAt(0, base.lighter(118));
    gradient.setColorAt(1, base);
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawRoundedRect(QRectF(0, 0, size_, size_), cornerRadius_, cornerRadius_);

    if (showsAppGlyph(symbol_)) {
        AppGlyph::draw(&painter, glyphRect(size_, symbolSize_), Qt::white);
        return;
    }
    if (const auto rect = symbolRect(symbol_, size_, symbolSize_))
        Symbols::draw(painter, symbol_, *rect, Symbols::Paint::monochrome(Qt::white));
}

} // namespace morvanex::ui
