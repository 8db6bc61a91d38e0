#pragma once

#include "ui/kit/Palette.h"

#include <QColor>
#include <QWidget>
#include <optional>

namespace morvanex::ui {

// A small filled circle that marks a row or a legend entry with its series' colour.
class Dot : public QWidget {
    Q_OBJECT
public:
    Dot(Tint tint, double size, Appearance appearance, QWidget* parent = nullptr);
    // A colour of its own (a calendar's, a dimmed status), not one of the palette's.
    Dot(const QColor& fill, double size, QWidget* parent = nullptr);

    // The palette colour it was made with; none for a colour of its own.
    std::optional<Tint> tint() const { return tint_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<Tint> tint_;
    QColor fill_;
    double size_;
};

} // namespace morvanex::ui
