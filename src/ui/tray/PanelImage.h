#pragma once

#include "platform/DesktopColorScheme.h"
#include "ui/kit/Palette.h"
#include "ui/menubar/MenuBarRenderer.h"

#include <QImage>

// How an item's image looks in the desktop's panel. Panel hosts ignore template flags and show
// our pixels as they are, so we draw in the panel's colours ourselves.
namespace morvanex::ui::PanelImage {

// The appearance to draw items with. A dark colour scheme or none known gives the dark
// appearance (light foreground): GNOME's top bar is dark whatever the scheme, and most panels
// without a stated preference are dark too. Only a stated light scheme gives the light
// appearance (dark foreground).
Appearance appearance(platform::DesktopColorScheme::Preference preference);

// The item at `ratio` pixels per point, `ceil(width × ratio)` × `ceil(22 × ratio)` pixels, in
// Format_ARGB32 (not premultiplied). A template image is drawn in the appearance's primary
// text colour, its transparencies kept; a coloured one draws its own colours.
QImage draw(const MenuBarImage& image, Appearance appearance, double ratio);
// The same, drawn by way of `canvas`, which an item keeps from one drawing to the next (see
// MenuBarImage::drawTinted).
QImage draw(const MenuBarImage& image, Appearance appearance, double ratio, QImage& canvas);

// For hosts that give an item only a square slot (the tray icon fallback): an image no wider
// than about one and a half squares is shown whole, scaled down to fit and centred; a wider
// one would shrink past reading, so only its first reading is shown (the first part that is
// not a plain symbol, e.g. "23%" or the graph; the first part when all are symbols), drawn
// through the renderer alone and fitted the same way, on a rounded plate of the appearance's
// window colour so that it reads on a panel of any colour. `side` in pixels.
QImage square(const MenuBarImage& image, Appearance appearance, int side);

// A transparent square of `side` pixels with the rounded plate of the appearance's window colour
// on it, for a square image to be drawn on.
QImage plate(Appearance appearance, int side);
// The side of the room left for the image inside the plate's margin.
int plateInner(int side);

// The parts the square shows (see `square`).
std::vector<MenuBarPart> squareParts(const MenuBarImage& image);

} // namespace morvanex::ui::PanelImage
