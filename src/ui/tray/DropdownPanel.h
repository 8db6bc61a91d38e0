#pragma once

#include <QWidget>
#include <functional>

namespace morvanex::ui {

// The dropdown's window: a frameless, always-on-top tool window 340 wide with corners of radius
// 14, filled with the window background of the application's current appearance and edged by a
// 0.5-wide separator line. Its content fills it.
//
// Corners: with a compositing manager the window has an alpha channel and the corners are drawn
// smooth and see-through; without one an alpha window shows black where it is see-through, so
// the window is opaque and cut to the rounded shape with a mask (hard-edged corners). The choice
// is made when the panel is built, from whether the screen's compositing-manager selection has
// an owner (X11), or always translucent on Wayland, or always masked elsewhere (offscreen).
//
// On X11 the window bypasses the window manager (override-redirect, as menus do), so it appears
// exactly where the controller puts it, above the desktop's panels, without placement, frames or
// animations; it still takes the keyboard focus when shown, so Escape reaches it and a click in
// another application takes the focus away. Under a Wayland session the window cannot be placed
// and opens as an ordinary window.
class DropdownPanel : public QWidget {
    Q_OBJECT
public:
    explicit DropdownPanel(QWidget* parent = nullptr);

    // Named so, not `width`, which would hide QWidget::width().
    static constexpr int panelWidth = 340;
    static constexpr double cornerRadius = 14;
    static constexpr double borderWidth = 0.5;

    // Called on Escape while the panel has the keyboard; nothing when empty.
    std::function<void()> onCancel;

    // Puts `content` (reparented, owned by the panel) in the panel, filling it; any earlier
    // content is deleted.
    void setContent(QWidget* content);
    QWidget* content() const { return content_; }

    // Whether the corners are see-through (a compositing manager runs) rather than masked.
    bool isTranslucent() const { return translucent_; }

    // Whether a compositing manager draws the screen of the current platform.
    static bool compositingActive();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void reshape();

    bool translucent_ = false;
    QWidget* content_ = nullptr;
    QWidget* edge_ = nullptr; // draws the border above the content
};

} // namespace morvanex::ui
