#pragma once

#include "ui/kit/Palette.h"

#include <QFont>
#include <QString>

class QLabel;
class QWidget;

// Small pieces the system panels share: checked whole-number texts and plain text views.
namespace morvanex::ui::systempanel {

// The value truncated toward zero with the user's locale digit grouping ("1,234"); "—" for a
// value that is not finite or does not fit a whole number.
QString wholeGrouped(double value);

// The value rounded half away from zero, in plain decimal ("87"); "—" when it cannot be.
QString roundedWhole(double value);

// The value truncated toward zero, in plain decimal; "—" when it cannot be.
QString truncatedWhole(double value);

// One line of text in the pinned font at `pixelSize`, in a named colour.
QLabel* text(const QString& content, double pixelSize, Tint tint, Appearance appearance,
             QFont::Weight weight = QFont::Normal, QWidget* parent = nullptr);

} // namespace morvanex::ui::systempanel
