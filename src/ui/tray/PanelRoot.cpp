#include "ui/tray/PanelRoot.h"

#include "ui/tray/PanelContent.h"

#include <QEvent>
#include <QLayout>
#include <QResizeEvent>
#include <QScrollBar>

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
    setFixedWidth(PanelContent::width);
    content_->installEventFilter(this);
    follow();
}

bool PanelRoot::eventFilter(QObject* watched, QEvent* event) {
    // A panel that rebuilt its rows asks its parents to lay out again; its height may follow.
    if (watched == content_ && event->type() == QEvent::LayoutRequest) {
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
    const int height = content_->naturalHeight();
    if (content_->height() != height)
        content_->resize(PanelContent::width, height);
    if (height != reported_) {
        reported_ = height;
        if (onHeightChange_)
            onHeightChange_(double(height));
    }
}

} // namespace morvanex::ui
