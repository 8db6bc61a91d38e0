#pragma once

#include "ui/kit/Palette.h"

#include <QRectF>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

namespace morvanex::ui {

// A small segmented control: equal segments side by side on a faint rounded track, the chosen
// one raised on a plate. A click on another segment hands its index to `select`; what is
// shown as chosen afterwards is the owner's decision (it rebuilds or calls setSelected).
class SegmentedPicker : public QWidget {
    Q_OBJECT
public:
    SegmentedPicker(QStringList labels, int selected, Appearance appearance,
                    std::function<void(int)> select, QWidget* parent = nullptr);

    const QStringList& labels() const { return labels_; }
    int selected() const { return selected_; }
    void setSelected(int index);
    // Segment `index` in widget coordinates.
    QRectF segmentRect(int index) const;
    // What a click at `point` would choose; -1 outside every segment.
    int indexAt(const QPointF& point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int height = 22;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QStringList labels_;
    int selected_;
    Appearance appearance_;
    std::function<void(int)> select_;
};

} // namespace morvanex::ui
