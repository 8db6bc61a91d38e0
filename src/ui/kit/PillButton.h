#pragma once

#include "ui/kit/Palette.h"

#include <QString>
#include <QWidget>
#include <functional>

namespace morvanex::ui {

class HoverClick;

// A small capsule button with a title: filled with the accent colour and white text when
// prominent, a faint fill and primary text otherwise; the fill deepens while the pointer is
// over it. A click inside the capsule runs the action.
class PillButton : public QWidget {
    Q_OBJECT
public:
    PillButton(const QString& title, bool prominent, std::function<void()> action,
               Appearance appearance, QWidget* parent = nullptr);

    QString title() const { return title_; }
    bool isProminent() const { return prominent_; }
    bool isHovering() const;
    // Runs the action, as a click does.
    void click();

    // The capsule's fill: the accent colour at 0.85 hovered or 1 (prominent), the primary
    // colour at 0.16 hovered or 0.10 (not prominent).
    static QColor fill(bool prominent, bool hovering, Appearance appearance);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    static constexpr double padX = 9;
    static constexpr double padY = 3;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    bool prominent_;
    std::function<void()> action_;
    Appearance appearance_;
    HoverClick* pointer_ = nullptr;
};

} // namespace morvanex::ui
