#include "ui/tray/PanelRoot.h"

#include "ui/tray/PanelContent.h"

#include <QEvent>
#include <QLayout>
#include <QResizeEvent>
#include <QScrollBar>
#include <algorithm>

namespace morvanex::ui {

PanelRoot::PanelRoot(ModuleKind kind, PanelEnv env, std::function<void(double)> onHeightChange,
                     QWidget* parent)
    : QScrollArea(parent), content_(new PanelContent(kind, std::move(env))),
      onHeightChange_(std::move(onHeightChange)) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The dropdown's own background shows through.
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setWidgetResizable(false);
    setWidget(content_);
    content_->setAutoFillBackground(false);
    setFixedWidth(PanelContent::panelWidth);
    content_->installEventFilter(this);
    // A scroll bar that comes or goes narrows or widens the viewport the content must fit.
    viewport()->installEventFilter(this);
    follow();
}

bool PanelRoot::eventFilter(QObject* watched, QEvent* event) {
    // A panel that rebuilt its rows asks its parents to lay out again; its height may follow.
    if ((watched == content_ && event->type() == QEvent::LayoutRequest) ||
        (watched == viewport() && event->type() == QEvent::Resize)) {
        const bool handled = QScrollArea::eventFilter(watched, event);
        follow();
        return handled;
    }
    return QScrollArea::eventFilter(watched, event);
}

void PanelRoot::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    follow();
}

void PanelRoot::follow() {
    if (QLayout* layout = content_->layout())
        layout->activate();
    // The window follows the height the content wants at its full width; while the window is
    // capped below that, the content fits the viewport's width (a scroll bar takes its part)
    // and scrolls.
    const int height = content_->naturalHeight();
    const int shown = viewport()->width() > 0
                          ? std::min(viewport()->width(), int(PanelContent::panelWidth))
                          : int(PanelContent::panelWidth);
    const int shownHeight = shown == PanelContent::panelWidth || !content_->hasHeightForWidth()
                                ? height
                                : content_->heightForWidth(shown);
    if (content_->size() != QSize(shown, shownHeight))
        content_->resize(shown, shownHeight);
    if (height != reported_) {
        reported_ = height;
        if (onHeightChange_)
            onHeightChange_(double(height));
    }
}

} // namespace morvanex::ui
