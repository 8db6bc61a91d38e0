#include "ui/menubar/MenuBarPainter.h"

#include "ui/kit/AppGlyph.h"
#include "ui/kit/Symbols.h"
#include "ui/menubar/MenuBarGeometry.h"
#include "ui/menubar/MenuBarRenderer.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace morvanex::ui {

namespace {

constexpr double boxWidth = 26;
constexpr double boxHeight = 14;
constexpr double boxRadius = 2;
constexpr double trackAlpha = 0.14;
constexpr double stackedPitch = 10.5;
constexpr double lowBattery = 0.15;

double clamp01(double value) {
    // A NaN level draws as empty rather than reaching the geometry.
    if (!(value > 0))
        return 0;
    return std::min(value, 1.0);
}

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(float(alpha));
    return color;
}

QPainterPath rounded(const QRectF& rect, double radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QRectF graphBox(const QRectF& slot) {
    return {slot.center().x() - boxWidth / 2, slot.center().y() - boxHeight / 2, boxWidth,
            boxHeight};
}

} // namespace

MenuBarPainter::MenuBarPainter(QPainter& painter, Appearance appearance, bool monochrome)
    : painter_(painter), appearance_(appearance), monochrome_(monochrome),
      fg_(monochrome ? QColor(Qt::black) : color(Tint::primaryText, appearance)) {
    painter_.setRenderHint(QPainter::Antialiasing);
    painter_.setRenderHint(QPainter::TextAntialiasing);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform);
}

QColor MenuBarPainter::tinted(Tint tint) const {
    return monochrome_ ? fg_ : color(tint, appearance_);
}

void MenuBarPainter::draw(const MenuBarPart& part, const QRectF& slot) const {
    std::visit([&](const auto& piece) { (*this)(piece, slot); }, part);
}

void MenuBarPainter::operator()(const MenuBarText& part, const QRectF& slot) const {
    // Left-aligned in the slot, the line box centred on the middle line.
    const QFont& font = MenuBarRenderer::font();
    const QFontMetricsF metrics(font);
    const double baseline = slot.center().y() - metrics.height() / 2 + metrics.ascent();
    painter_.setFont(font);
    painter_.setPen(fg_);
    painter_.drawText(QPointF(slot.left(), baseline), part.text);
}

void MenuBarPainter::operator()(const MenuBarStacked& part, const QRectF& slot) const {
    // Two line boxes 10.5 apart, the pair centred on the middle line; the first is the upper.
    const QFontMetricsF metrics(MenuBarRenderer::stackedFont());
    const double lineHeight = metrics.ascent() + metrics.descent() + metrics.leading();
    const double top = slot.center().y() - (lineHeight + stackedPitch) / 2;
    drawStackedLine(part.first, slot.left(), top);
    drawStackedLine(part.second, slot.left(), top + stackedPitch);
}

void MenuBarPainter::drawStackedLine(const QString& text, double left, double top) const {
    const QFont& font = MenuBarRenderer::stackedFont();
    const QFontMetricsF metrics(font);
    const double baseline = top + metrics.ascent();
    painter_.setFont(font);
    QString rest = text;
    double x = left;
    // An arrow leading the line takes the direction's colour: orange up, blue down.
    if (!monochrome_ && !text.isEmpty() && (text.front() == u'↑' || text.front() == u'↓')) {
        const QString arrow = text.left(1);
        painter_.setPen(color(text.front() == u'↑' ? Tint::orange : Tint::blue, appearance_));
        painter_.drawText(QPointF(x, baseline), arrow);
        x += metrics.horizontalAdvance(arrow);
        rest = text.mid(1);
    }
    painter_.setPen(fg_);
    painter_.drawText(QPointF(x, baseline), rest);
}

void MenuBarPainter::fillTrack(const QRectF& box) const {
    painter_.fillPath(rounded(box, boxRadius), withAlpha(fg_, trackAlpha));
}

void MenuBarPainter::operator()(const MenuBarGraph& part, const QRectF& slot) const {
    const QRectF box = graphBox(slot);
    fillTrack(box);
    drawBars(part.values, box, tinted(part.tint), true);
}

void MenuBarPainter::operator()(const MenuBarMirrored& part, const QRectF& slot) const {
    const QRectF box = graphBox(slot);
    fillTrack(box);
    const double half = box.height() * 0.5;
    drawBars(part.up, QRectF(box.left(), box.top(), box.width(), half), tinted(Tint::orange), true);
    drawBars(part.down, QRectF(box.left(), box.top() + half, box.width(), half), tinted(Tint::blue),
             false);
}

void MenuBarPainter::operator()(const MenuBarBar& part, const QRectF& slot) const {
    const QRectF track(slot.center().x() - 2, slot.center().y() - 7, 4, 14);
    fillTrack(track);
    const double height = 14 * clamp01(part.value);
    const QRectF level(track.left(), track.bottom() - height, 4, height);
    painter_.fillPath(rounded(level, 1.5), tinted(part.tint));
}

void MenuBarPainter::operator()(const MenuBarSymbol& part, const QRectF& slot) const {
    Symbols::Paint paint = Symbols::Paint::monochrome(fg_);
    paint.appearance = appearance_;
    if (part.multicolor && !monochrome_) {
        if (appearance_ == Appearance::dark)
            paint.mode = Symbols::Paint::Mode::multicolor;
        else
            paint.palette = {fg_, color(Tint::yellow, appearance_)};
    }
    const QSizeF size = MenuBarRenderer::symbolSize(part.name);
    const QRectF rect(slot.center().x() - size.width() / 2, slot.center().y() - size.height() / 2,
                      size.width(), size.height());
    Symbols::draw(painter_, part.name, rect, paint);
}

void MenuBarPainter::operator()(const MenuBarBattery& part, const QRectF& slot) const {
    const QRectF body(slot.left() + 0.5, slot.center().y() - 5.5, 21, 11);
    const QColor outline = withAlpha(fg_, 0.45);
    painter_.save();
    painter_.setPen(QPen(outline, 1));
    painter_.setBrush(Qt::NoBrush);
    painter_.drawPath(rounded(body, 3));
    painter_.restore();
    const QRectF terminal(body.right() + 1, body.center().y() - 2, 1.5, 4);
    painter_.fillPath(rounded(terminal, 0.75), outline);

    const double level = clamp01(part.level);
    QColor fill = fg_;
    if (!monochrome_) {
        if (level < lowBattery)
            fill = color(Tint::red, appearance_);
        else if (part.charging)
            fill = color(Tint::green, appearance_);
    }
    painter_.fillPath(rounded(MenuBarGeometry::batteryFill(body, level), 1.5), fill);

    if (part.charging) {
        const QColor boltColor =
            monochrome_ ? QColor(Qt::black) : color(Tint::primaryText, appearance_);
        Symbols::Paint paint = Symbols::Paint::monochrome(boltColor);
        paint.appearance = appearance_;
        const QRectF bolt(body.center().x() - 3.5, body.center().y() - 4.5, 7, 9);
        Symbols::draw(painter_, QStringLiteral("bolt.fill"), bolt, paint);
    }
}

void MenuBarPainter::operator()(const MenuBarAppGlyph&, const QRectF& slot) const {
    // Through the symbol catalog, which keeps the rasterised glyph between ticks.
    Symbols::draw(painter_, QString::fromLatin1(AppGlyph::symbolName),
                  QRectF(slot.left(), slot.center().y() - 7.5, 15, 15),
                  Symbols::Paint::monochrome(fg_));
}

void MenuBarPainter::drawBars(const std::vector<double>& values, const QRectF& rect,
                              const QColor& color, bool upward) const {
    const std::vector<QRectF> bars = MenuBarGeometry::barRects(values, rect, upward);
    if (bars.empty())
        return;
    painter_.save();
    painter_.setClipPath(rounded(rect, boxRadius), Qt::IntersectClip);
    for (const QRectF& bar : bars)
        painter_.fillRect(bar, color);
    painter_.restore();
}

} // namespace morvanex::ui
