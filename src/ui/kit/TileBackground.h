#pragma once

#include "ui/kit/Palette.h"

#include <QWidget>
#include <functional>

namespace morvanex::ui {

// The frame of the overview's tiles and rows: padding, a faint rounded fill that brightens
// under the pointer when the tile does something, and the tap. Fills the width and height it
// is offered, its content at the top left.
class TileBackground : public QWidget {
    Q_OBJECT
public:
    // Takes ownership of `content`. Without an action the tile is inert.
    TileBackground(QWidget* content, std::function<void()> action, Appearance appearance,
                   QWidget* parent = nullptr);

    static constexpr double cornerRadius = 10;

    // Opacity of the primary colour behind the tile.
    static double fillOpacity(bool hovering, bool hasAction) {
        return hovering && hasAction ? 0.1 : 0.05;
    }

    QWidget* content() const { return content_; }
    bool hasAction() const { return bool(action_); }
    bool isHovering() const { return hovering_; }
    // What a click does: runs the action when there is one.
    void tap();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setHovering(bool hovering);

    QWidget* content_;
    std::function<void()> action_;
    Appearance appearance_;
    bool hovering_ = false;
};

} // namespace morvanex::ui
