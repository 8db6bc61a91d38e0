#include "ui/menubar/MenuBarRenderer.h"

#include "ui/kit/Fonts.h"
#include "ui/kit/Symbols.h"
#include "ui/menubar/MenuBarGeometry.h"
#include "ui/menubar/MenuBarPainter.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <cmath>

namespace morvanex::ui {

namespace {

constexpr double gap = 4;
constexpr double graphWidth = 26;
constexpr double barWidth = 4;
constexpr double batteryWidth = 25;
constexpr double glyphWidth = 15;
constexpr double symbolPointSize = 13;

// Every tick measures every item's texts and width templates again, and most are the texts of
// the tick before ("100%", "↓ 1023 MB/s", "12%"): each font keeps the widths it measured. The
// two fonts are made once per process and never change, so a width once measured stays true.
// Bounded: a long run of ever new texts starts the table afresh rather than growing it.
class MeasuredWidths {
public:
    explicit MeasuredWidths(const QFont& font) : metrics_(font) {}

    double of(const QString& text) {
        if (const auto found = widths_.constFind(text); found != widths_.cend())
            return *found;
        if (widths_.size() >= limit)
            widths_.clear();
        const double width = std::ceil(metrics_.horizontalAdvance(text));
        widths_.insert(text, width);
        return width;
    }

private:
    static constexpr qsizetype limit = 1024;
    const QFontMetricsF metrics_;
    QHash<QString, double> widths_;
};

double textWidth(const QFont& font, const QString& text) {
    // One table per thread, so no drawing ever waits for another.
    thread_local MeasuredWidths regular(MenuBarRenderer::font());
    thread_local MeasuredWidths stacked(MenuBarRenderer::stackedFont());
    if (&font == &MenuBarRenderer::font())
        return regular.of(text);
    if (&font == &MenuBarRenderer::stackedFont())
        return stacked.of(text);
    return std::ceil(QFontMetricsF(font).horizontalAdvance(text));
}

double widestOf(const QFont& font, std::initializer_list<const QString*> texts,
                const std::optional<QString>& widthTemplate) {
    double widest = widthTemplate ? textWidth(font, *widthTemplate) : 0;
    for (const QString* text : texts)
        widest = std::max(widest, textWidth(font, *text));
    return widest;
}

struct WidthOf {
    double operator()(const MenuBarText& part) const {
        return widestOf(MenuBarRenderer::font(), {&part.text}, part.widthTemplate);
    }
    double operator()(const MenuBarStacked& part) const {
        return widestOf(MenuBarRenderer::stackedFont(), {&part.first, &part.second},
                        part.widthTemplate);
    }
    double operator()(const MenuBarGraph&) const { return graphWidth; }
    double operator()(const MenuBarMirrored&) const { return graphWidth; }
    double operator()(const MenuBarBar&) const { return barWidth; }
    double operator()(const MenuBarSymbol& part) const {
        return MenuBarRenderer::symbolSize(part.name).width();
    }
    double operator()(const MenuBarBattery&) const { return batteryWidth; }
    double operator()(const MenuBarAppGlyph&) const { return glyphWidth; }
};

} // namespace

MenuBarImage::MenuBarImage(std::vector<MenuBarPart> parts, std::vector<double> widths, double width,
                           bool isTemplate)
    : parts_(std::move(parts)), widths_(std::move(widths)), width_(width), isTemplate_(isTemplate) {
}

void MenuBarImage::draw(QPainter& painter, const QPointF& origin, Appearance appearance) const {
    const MenuBarPainter partPainter(painter, appearance, isTemplate_);
    double x = origin.x();
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        partPainter.draw(parts_[i], QRectF(x, origin.y(), widths_[i], height));
        x += widths_[i] + gap;
    }
}

void MenuBarImage::drawPlain(QImage& canvas, Appearance appearance, double devicePixelRatio) const {
    const QSize pixels(int(std::ceil(width_ * devicePixelRatio)),
                       int(std::ceil(height * devicePixelRatio)));
    if (canvas.size() != pixels || canvas.format() != QImage::Format_ARGB32_Premultiplied)
        canvas = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(devicePixelRatio);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    draw(painter, QPointF(0, 0), appearance);
}

QImage MenuBarImage::toImage(Appearance appearance, double devicePixelRatio) const {
    QImage image;
    drawPlain(image, appearance, devicePixelRatio);
    return image;
}

QImage MenuBarImage::toTintedImage(Appearance appearance, double devicePixelRatio) const {
    QImage image;
    drawTinted(image, appearance, devicePixelRatio);
    return image;
}

void MenuBarImage::drawTinted(QImage& canvas, Appearance appearance,
                              double devicePixelRatio) const {
    drawPlain(canvas, appearance, devicePixelRatio);
    if (isTemplate_) {
        // The renderer draws templates black for a host to tint; keep the alpha, take the
        // foreground colour.
        QPainter painter(&canvas);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(QRectF(QPointF(0, 0), size()), color(Tint::primaryText, appearance));
    }
}

namespace MenuBarRenderer {

const QFont& font() {
    static const QFont font = Fonts::font(12, QFont::Normal);
    return font;
}

const QFont& stackedFont() {
    static const QFont font = Fonts::font(10, QFont::DemiBold);
    return font;
}

double width(const MenuBarPart& part) {
    return std::visit(WidthOf{}, part);
}

QSizeF symbolSize(const QString& name) {
    return MenuBarGeometry::fittedSymbolSize(Symbols::size(name, symbolPointSize));
}

MenuBarImage image(std::vector<MenuBarPart> parts, bool monochrome) {
    std::vector<double> widths;
    widths.reserve(parts.size());
    double sum = 0;
    for (const MenuBarPart& part : parts) {
        widths.push_back(width(part));
        sum += widths.back();
    }
    const double gaps = parts.empty() ? 0 : gap * double(parts.size() - 1);
    const double total = std::ceil(std::max(sum + gaps, 1.0));
    return MenuBarImage(std::move(parts), std::move(widths), total, monochrome);
}

} // namespace MenuBarRenderer
} // namespace morvanex::ui
