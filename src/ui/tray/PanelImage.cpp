#include "ui/tray/PanelImage.h"

#include <QPainter>
#include <cmath>

namespace morvanex::ui::PanelImage {

namespace {

// Wider than this (width over height) and the whole item would be too small in a square.
constexpr double wholeAspectLimit = 1.5;

} // namespace

Appearance appearance(platform::DesktopColorScheme::Preference preference) {
    using Preference = platform::DesktopColorScheme::Preference;
    return preference == Preference::light ? Appearance::light : Appearance::dark;
}

QImage draw(const MenuBarImage& image, Appearance appearance, double ratio) {
    QImage canvas;
    return draw(image, appearance, ratio, canvas);
}

QImage draw(const MenuBarImage& image, Appearance appearance, double ratio, QImage& canvas) {
    image.drawTinted(canvas, appearance, ratio);
    // A copy in another format: the canvas stays unshared, ready for the next drawing.
    QImage plain = canvas.convertToFormat(QImage::Format_ARGB32);
    plain.setDevicePixelRatio(1);
    return plain;
}

QImage plate(Appearance appearance, int side) {
    QImage result(side, side, QImage::Format_ARGB32);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    // These hosts tell nothing of their panel's colour, and a light foreground on a light
    // panel cannot be read: the item brings its own background in the appearance it is drawn
    // in, so it reads on any panel.
    painter.setPen(Qt::NoPen);
    painter.setBrush(color(Tint::windowBackground, appearance));
    const double radius = side * 0.22;
    painter.drawRoundedRect(QRectF(0, 0, side, side), radius, radius);
    return result;
}

int plateInner(int side) {
    const int inset = std::max(1, side / 16);
    return std::max(1, side - 2 * inset);
}

std::vector<MenuBarPart> squareParts(const MenuBarImage& image) {
    const QSizeF size = image.size();
    if (image.parts().empty() || size.width() <= size.height() * wholeAspectLimit)
        return image.parts();
    for (const MenuBarPart& part : image.parts())
        if (!std::holds_alternative<MenuBarSymbol>(part))
            return {part};
    return {image.parts().front()};
}

QImage square(const MenuBarImage& image, Appearance appearance, int side) {
    const std::vector<MenuBarPart> parts = squareParts(image);
    const MenuBarImage shown =
        parts == image.parts() ? image : MenuBarRenderer::image(parts, image.isTemplate());
    const int inner = plateInner(side);
    // Drawn at no less than ratio 2 and scaled down smoothly: drawn directly at a small ratio,
    // hinted text grows past its slot and is cut off.
    const double fit = 2.0 * inner / std::max(shown.size().width(), shown.size().height());
    const QImage drawn = draw(shown, appearance, std::max(fit, 2.0));
    const QImage fitted = drawn.scaled(inner, inner, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QImage result = plate(appearance, side);
    QPainter painter(&result);
    painter.drawImage(QPoint((side - fitted.width()) / 2, (side - fitted.height()) / 2), fitted);
    return result;
}

} // namespace morvanex::ui::PanelImage
