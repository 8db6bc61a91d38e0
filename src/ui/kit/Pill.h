#pragma once

#include "ui/kit/Palette.h"

#include <QString>
#include <QWidget>

namespace morvanex::ui {

// A small capsule tag: coloured text on a faint capsule of the same colour.
class Pill : public QWidget {
    Q_OBJECT
public:
    Pill(const QString& text, Tint tint, Appearance appearance, QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    static constexpr double fillOpacity = 0.16;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    Tint tint_;
    Appearance appearance_;
};

} // namespace morvanex::ui
