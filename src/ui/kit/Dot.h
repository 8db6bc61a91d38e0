#pragma once

#include "ui/kit/Palette.h"

#include <QWidget>

namespace morvanex::ui {

// A small filled circle that marks a row or a legend entry with its series' colour.
class Dot : public QWidget {
    Q_OBJECT
public:
    Dot(Tint tint, double size, Appearance appearance, QWidget* parent = nullptr);

    Tint tint() const { return tint_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Tint tint_;
    double size_;
    Appearance appearance_;
};

} // namespace morvanex::ui
