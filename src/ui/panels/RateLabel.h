#pragma once

#include "ui/kit/Palette.h"

#include <QString>
#include <QWidget>

namespace morvanex::ui {

class TextLine;

// An arrow in its series' colour before a live rate in large rounded type.
class RateLabel : public QWidget {
    Q_OBJECT
public:
    RateLabel(const QString& arrow, Tint color, const QString& text, Appearance appearance,
              QWidget* parent = nullptr);

    TextLine* arrowLine() const { return arrow_; }
    TextLine* textLine() const { return text_; }

private:
    TextLine* arrow_ = nullptr;
    TextLine* text_ = nullptr;
};

} // namespace morvanex::ui
