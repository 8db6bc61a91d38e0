#pragma once

#include <QColor>
#include <QPainterPath>
#include <QRectF>
#include <QWidget>

class QPainter;

// The application's own mark, drawn from geometry: a ring, a disc inside it, and a pulse line
// cut out of the disc so that whatever lies behind shows through it.
namespace morvanex::ui::AppGlyph {

// The glyph's name in the symbol catalog, for views that draw symbols by name.
inline constexpr const char* symbolName = "morvanex.lamp";

struct Geometry {
    QPainterPath ring;
    double ringWidth = 1;
    QPainterPath disc;
    QPainterPath pulse;
    double pulseWidth = 1;
};

// For a square of that side, origin at its top-left corner, y pointing down.
Geometry geometry(double side);

// Draws the glyph, a square of the rectangle's shorter side, centred in it. A null painter, or
// one that is not active, draws nothing.
void draw(QPainter* painter, const QRectF& rect, const QColor& color);

} // namespace morvanex::ui::AppGlyph

namespace morvanex::ui {

// The glyph in whatever size the widget is given, in one colour.
class AppGlyphView : public QWidget {
    Q_OBJECT
public:
    explicit AppGlyphView(const QColor& color, QWidget* parent = nullptr);
    QColor color() const { return color_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
};

} // namespace morvanex::ui
