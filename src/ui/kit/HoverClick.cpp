#include "ui/kit/HoverClick.h"

#include <QMouseEvent>
#include <QWidget>

namespace morvanex::ui {

HoverClick::HoverClick(QWidget* widget, std::function<void()> onClick)
    : QObject(widget), widget_(widget), onClick_(std::move(onClick)) {
    widget->installEventFilter(this);
}

bool HoverClick::eventFilter(QObject* watched, QEvent* event) {
    if (watched != widget_)
        return false;
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::Leave:
        hovering_ = event->type() == QEvent::Enter;
        widget_->update();
        return false;
    case QEvent::MouseButtonRelease: {
        const auto* release = static_cast<QMouseEvent*>(event);
        if (release->button() == Qt::LeftButton &&
            widget_->rect().contains(release->position().toPoint()) && onClick_)
            onClick_(); // may close what holds the widget: nothing of ours is touched after it
        return true;
    }
    default:
        return false;
    }
}

} // namespace morvanex::ui
