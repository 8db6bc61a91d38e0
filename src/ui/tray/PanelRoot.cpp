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
    // Shown only while the window is capped below the content's height (see fit).
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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
    // Reporting a height resizes the window at once, and a scroll bar that comes or goes resizes
    // the viewport: both come back here, and are taken by the loop instead of nesting.
    if (following_) {
        followAgain_ = true;
        return;
    }
    following_ = true;
    do {
        followAgain_ = false;
        if (QLayout* layout = content_->layout())
            layout->activate();
        // The window follows the height the content wants at its full width.
        const int height = content_->naturalHeight();
        if (height != reported_) {
            reported_ = height;
            if (onHeightChange_)
                onHeightChange_(double(height));
        }
        fit(height);
    } while (followAgain_);
    following_ = false;
}

void PanelRoot::fit(int naturalHeight) {
    // Whether the window holds the content at its full width decides the scroll bar, not the
    // scroller's own guess from the content's current size: a bar shown "as needed" while the
    // window grows narrows the content, which may then wrap into more lines and keep needing
    // the bar after the window has reached the full-width height, cutting off the bottom.
    const bool capped = height() < naturalHeight;
    const Qt::ScrollBarPolicy policy = capped ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    if (verticalScrollBarPolicy() != policy)
        setVerticalScrollBarPolicy(policy);
    // Capped, the content fits beside the scroll bar (the viewport's width) and scrolls.
    const int full = PanelContent::panelWidth;
    const int shown =
        capped && viewport()->width() > 0 ? std::min(viewport()->width(), full) : full;
    const int shownHeight = shown == full || !content_->hasHeightForWidth()
                                ? naturalHeight
                                : content_->heightForWidth(shown);
    if (content_->size() != QSize(shown, shownHeight))
        content_->resize(shown, shownHeight);
}

} // namespace morvanex::ui
