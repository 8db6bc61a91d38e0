#pragma once

#include "ui/kit/Palette.h"

#include <QPainter>
#include <QVBoxLayout>
#include <QWidget>

namespace morvanex::test {

// A window in the appearance's background colour with a column for the widgets a gallery
// renders; never shown on a screen.
class GallerySheet : public QWidget {
public:
    GallerySheet(ui::Appearance appearance, const QMargins& margins, int spacing)
        : appearance_(appearance) {
        column = new QVBoxLayout(this);
        column->setContentsMargins(margins);
        column->setSpacing(spacing);
        setAttribute(Qt::WA_DontShowOnScreen);
    }
    QVBoxLayout* column;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), ui::color(ui::Tint::windowBackground, appearance_));
    }

private:
    ui::Appearance appearance_;
};

} // namespace morvanex::test
