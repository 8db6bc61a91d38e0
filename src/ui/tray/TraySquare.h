#pragma once

#include "base/Config.h"
#include "ui/kit/Palette.h"
#include "ui/menubar/MenuBarPart.h"

#include <QImage>
#include <QString>
#include <vector>

namespace morvanex {
class Hub;
}

// What an item shows in a tray that gives it one small square (an X11 tray without a status
// notifier watcher): a whole item shrunk into 22 pixels cannot be read, so the square carries
// one reading as large as it fits, or the module's symbol.
namespace morvanex::ui {

struct SquareFace {
    // The reading, e.g. "23%" or "1.2M↓"; empty for a symbol face.
    QString text;
    // The parts to draw when there is no text: the module's symbol (icon-only styles).
    std::vector<MenuBarPart> symbol;
    bool operator==(const SquareFace&) const = default;
};

// The face of `module`'s square, `parts` being what its item shows (without the keep-awake
// cup). A style with a text or a graph reads as text: the module's first reading in the text
// style (the processor's percentage for the combined module, the first clock's time, the
// temperature, ...), and for the network the larger of the two rates in short form with its
// arrow. An icon-only style shows its symbol, and so does a module with no reading yet (its
// reading would be "—").
SquareFace squareFace(const ModuleConfig& module, const std::vector<MenuBarPart>& parts,
                      const Hub& hub, const Config& config);

// A rate in at most three digits and a one-letter unit: "512B", "1.2M", "87K"; "Mb"-style
// units in bits. One decimal below 10 of a unit above bytes.
QString shortRate(double bytesPerSecond, bool bits);

// The lines the text is set in: one, or two when splitting it (at a space, or between its
// number and its unit) lets it be drawn larger in a square; with the pixel size chosen.
struct SquareText {
    QStringList lines;
    int pixelSize = 0;
};
SquareText fitSquareText(const QString& text, int inner);

// The square `side` pixels wide: a rounded plate of the appearance's window colour (these
// trays tell nothing of their panel's colour, so the item brings its own), the text in the
// primary text colour set as large as it fits, or the symbol scaled to fit.
QImage drawSquare(const SquareFace& face, Appearance appearance, int side);

} // namespace morvanex::ui
