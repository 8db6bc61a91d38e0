#include "ui/settings/ReorderList.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

namespace morvanex::ui {

ReorderList::ReorderList(Appearance appearance, OnMove onMove, QWidget* parent)
    : QWidget(parent), appearance_(appearance), onMove_(std::move(onMove)) {
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    setAcceptDrops(true);
}

void ReorderList::addRow(QWidget* row) {
    layout_->addWidget(row);
    rows_.push_back(row);
    row->installEventFilter(this);
}

int ReorderList::destinationFor(const std::vector<int>& middles, int y) {
    for (std::size_t i = 0; i < middles.size(); ++i)
        if (y < middles[i])
            return int(i);
    return int(middles.size());
}

int ReorderList::destinationAt(int y) const {
    std::vector<int> middles;
    middles.reserve(rows_.size());
    for (const QWidget* row : rows_)
        middles.push_back(row->geometry().center().y());
    return destinationFor(middles, y);
}

void ReorderList::dropRow(int from, int y) {
    if (from < 0 || from >= rowCount())
        return;
    const int destination = destinationAt(y);
    // Dropping a row onto its own place moves nothing.
    if (destination == from || destination == from + 1)
        return;
    if (onMove_)
        onMove_(from, destination);
}

bool ReorderList::eventFilter(QObject* watched, QEvent* event) {
    auto* row = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            pressed_ = row;
            pressPoint_ = mouse->position().toPoint();
        }
    } else if (event->type() == QEvent::MouseMove && pressed_ == row) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if ((mouse->buttons() & Qt::LeftButton) &&
            (mouse->position().toPoint() - pressPoint_).manhattanLength() >=
                QApplication::startDragDistance()) {
            pressed_ = nullptr;
            startDrag(row);
            return true;
        }
    } else if (event->type() == QEvent::MouseButtonRelease) {
        pressed_ = nullptr;
    }
    return QWidget::eventFilter(watched, event);
}

void ReorderList::startDrag(QWidget* row) {
    const auto found = std::find(rows_.begin(), rows_.end(), row);
    if (found == rows_.end())
        return;
    auto* mime = new QMimeData;
    mime->setData(mimeType, QByteArray::number(int(found - rows_.begin())));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(row->grab());
    drag->setHotSpot(pressPoint_);
    drag->exec(Qt::MoveAction);
}

void ReorderList::dragEnterEvent(QDragEnterEvent* event) {
    if (event->source() == this && event->mimeData()->hasFormat(mimeType))
        event->acceptProposedAction();
}

void ReorderList::dragMoveEvent(QDragMoveEvent* event) {
    if (event->source() != this || !event->mimeData()->hasFormat(mimeType))
        return;
    event->acceptProposedAction();
    const int destination = destinationAt(event->position().toPoint().y());
    if (destination != indicator_) {
        indicator_ = destination;
        update();
    }
}

void ReorderList::dragLeaveEvent(QDragLeaveEvent*) {
    indicator_ = -1;
    update();
}

void ReorderList::dropEvent(QDropEvent* event) {
    indicator_ = -1;
    update();
    if (event->source() != this || !event->mimeData()->hasFormat(mimeType))
        return;
    bool ok = false;
    const int from = event->mimeData()->data(mimeType).toInt(&ok);
    if (!ok)
        return;
    event->acceptProposedAction();
    dropRow(from, event->position().toPoint().y());
}

void ReorderList::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Hairlines between the rows, as between the other rows of a form.
    painter.setPen(QPen(color(Tint::separator, appearance_), 1));
    for (std::size_t i = 0; i + 1 < rows_.size(); ++i) {
        const double y = rows_[i]->geometry().bottom() + 0.5;
        painter.drawLine(QPointF(10, y), QPointF(width() - 10, y));
    }
    if (indicator_ < 0 || rows_.empty())
        return;
    const int y = indicator_ < rowCount() ? rows_[std::size_t(indicator_)]->geometry().top()
                                          : rows_.back()->geometry().bottom();
    painter.setPen(QPen(color(Tint::accent, appearance_), 2));
    painter.drawLine(8, y, width() - 8, y);
}

} // namespace morvanex::ui
