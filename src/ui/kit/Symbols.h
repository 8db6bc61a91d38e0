#pragma once

#include "ui/kit/Palette.h"

#include <QColor>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <optional>
#include <vector>

class QPainter;

// The catalog of symbols, by the names the views use ("cpu", "cloud.sun.fill", "moonphase.full.
// moon", ...). A name stays the model value everywhere; only drawing turns it into shapes, from
// the bootstrap-icons SVGs or from shapes drawn here where that set has no fit. A name the
// catalog lacks is absent: it has no size and draws nothing.
namespace morvanex::ui::Symbols {

// How a symbol is coloured. `palette`: its layers take the listed colours in order (primary,
// secondary, ...; a symbol with more layers than colours repeats the last). `multicolor`: each
// layer takes the symbol's own colour for the appearance.
struct Paint {
    enum class Mode { palette, multicolor };
    Mode mode = Mode::palette;
    std::vector<QColor> palette;
    Appearance appearance = Appearance::light;

    static Paint monochrome(const QColor& color);
};

bool exists(const QString& name);

// Every name the catalog holds, sorted.
std::vector<QString> names();

// The symbol's size at a text size in points (its own aspect ratio kept), or nothing for an
// unknown name. Symbols are drawn on the icon set's grid, 16 units high (most are 16 × 16, the
// battery 28 × 16): the height is the point size and the width follows the grid's aspect.
std::optional<QSizeF> size(const QString& name, double pointSize);

// Draws the symbol filling `rect` (callers pass a rectangle of the symbol's own aspect).
// Returns false, drawing nothing, for an unknown name.
bool draw(QPainter& painter, const QString& name, const QRectF& rect, const Paint& paint);

} // namespace morvanex::ui::Symbols
