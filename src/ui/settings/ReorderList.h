#pragma once

#include "ui/kit/Palette.h"

#include <QWidget>
#include <functional>
#include <vector>

class QVBoxLayout;

namespace morvanex::ui {

// Rows stacked top to bottom that the user reorders by dragging one onto a new place. A drop
// reports the dragged row's offset and the destination offset in the sense of ListMoves::move
// (the row then stands before the row that was at the destination; the count means the end).
class ReorderList : public QWidget {
    Q_OBJECT
public:
    using OnMove = std::function<void(int from, int destination)>;

    ReorderList(Appearance appearance, OnMove onMove, QWidget* parent = nullptr);

    // Adds a row below the others (owned); a press on it outside its controls starts a drag.
    void addRow(QWidget* row);
    int rowCount() const { return int(rows_.size()); }

    // The destination for a drop at height `y`: the first row whose middle lies below it, else
    // the count. `middles` are the rows' middles from top to bottom.
    static int destinationFor(const std::vector<int>& middles, int y);
    // The same for this list's rows.
    int destinationAt(int y) const;
    // A drop of the row at `from` at height `y`, as a drag ends.
    void dropRow(int from, int y);

    static inline const QString mimeType = QStringLiteral("application/x-morvanex-row");

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void startDrag(QWidget* row);

    Appearance appearance_;
    OnMove onMove_;
    QVBoxLayout* layout_;
    std::vector<QWidget*> rows_;
    QWidget* pressed_ = nullptr;
    QPoint pressPoint_;
    int indicator_ = -1; // destination shown while dragging
};

} // namespace morvanex::ui
