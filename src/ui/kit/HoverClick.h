#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace morvanex::ui {

// The pointer over a widget that answers clicks: whether it is over the widget (which repaints
// whenever that changes), and `onClick` when the left button is released inside the widget's
// rectangle. Every release on the widget ends there, outside or not; none reaches its parents.
class HoverClick : public QObject {
    Q_OBJECT
public:
    // Watches `widget`, which owns it.
    HoverClick(QWidget* widget, std::function<void()> onClick);

    bool isHovering() const { return hovering_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* widget_;
    std::function<void()> onClick_;
    bool hovering_ = false;
};

} // namespace morvanex::ui
