#pragma once

#include <QFont>
#include <QString>

// The one font family of every item and panel text, DejaVu Sans, loaded from its files so that
// renders are the same on every machine. Its digits are all one width, which the menu bar's
// width templates rely on.
namespace morvanex::ui::Fonts {

// The family name, once its files are registered with the application's font database (an
// application object must exist). Logs once when the files are missing; the family name is
// still returned so Qt's own fallback applies.
QString family();

// A font of that family at a size in device-independent pixels (one point of the layout).
QFont font(double pixelSize, QFont::Weight weight = QFont::Normal);

} // namespace morvanex::ui::Fonts
