#pragma once

#include "ui/kit/Palette.h"

#include <QString>

class QLabel;
class QWidget;

namespace morvanex::ui {

// Plain text in the pinned font at `pixelSize`, in a named colour, wrapping over as many lines
// as its width needs: the messages and hints of panels and cards.
QLabel* wrappingText(const QString& content, double pixelSize, Tint tint, Appearance appearance,
                     QWidget* parent = nullptr);

} // namespace morvanex::ui
