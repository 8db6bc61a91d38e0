#pragma once

#include "ui/kit/Palette.h"
#include "ui/menubar/MenuBarPart.h"

#include <QFont>
#include <QImage>
#include <QPointF>
#include <QSizeF>
#include <vector>

class QPainter;

// Lays a status item's parts out left to right into one image 22 points high. Every part has a
// fixed or template-measured width, so an item keeps its width while its numbers change.
//
// Units: one point is one device-independent pixel; images are rasterised at ratio 2. The
// layout below is written y-down (Qt's); each vertically centred piece is symmetric about the
// middle line, and pieces anchored to an edge (bars, the stacked lines) are converted here.
namespace morvanex::ui {

// An item's image: the parts and their measured widths, drawn whenever it is painted, so its
// colours resolve against the appearance of that moment (as a status item's does when the
// desktop switches between light and dark).
class MenuBarImage {
public:
    MenuBarImage(std::vector<MenuBarPart> parts, std::vector<double> widths, double width,
                 bool isTemplate);

    QSizeF size() const { return {width_, height}; }
    // A template image carries no colour of its own: the panel tints it.
    bool isTemplate() const { return isTemplate_; }
    const std::vector<MenuBarPart>& parts() const { return parts_; }
    const std::vector<double>& widths() const { return widths_; }

    // Draws the item with its top-left corner at `origin`.
    void draw(QPainter& painter, const QPointF& origin, Appearance appearance) const;

    // The item alone on a transparent canvas of size() × ratio pixels.
    QImage toImage(Appearance appearance, double devicePixelRatio = 2) const;
    // The same as a panel shows it: a template takes the appearance's primary text colour
    // (its transparencies kept), a coloured image keeps its own colours. The status items
    // and the settings window's preview both draw this, so they look alike.
    QImage toTintedImage(Appearance appearance, double devicePixelRatio = 2) const;
    // The same, drawn into `canvas`: one of the right size is painted over and keeps the paint
    // engine Qt made for it (making one costs more than drawing a small item); any other is
    // replaced. For images drawn again and again, such as a status item's on every tick.
    void drawTinted(QImage& canvas, Appearance appearance, double devicePixelRatio = 2) const;

    static constexpr double height = 22;

private:
    void drawPlain(QImage& canvas, Appearance appearance, double devicePixelRatio) const;

    std::vector<MenuBarPart> parts_;
    std::vector<double> widths_;
    double width_;
    bool isTemplate_;
};

namespace MenuBarRenderer {

// Width Σw + 4 × (n − 1), rounded up, at least 1; a template image exactly when monochrome.
MenuBarImage image(std::vector<MenuBarPart> parts, bool monochrome);

// 12 points regular, and the two-line parts' 10 points semibold; made once per process.
const QFont& font();
const QFont& stackedFont();

// A part's slot width.
double width(const MenuBarPart& part);
// A symbol at 13 points shrunk to fit 16 × 16 (never enlarged); 16 × 16 when unknown.
QSizeF symbolSize(const QString& name);

} // namespace MenuBarRenderer
} // namespace morvanex::ui
