#pragma once

#include "history/HistoryRange.h"
#include "ui/kit/Palette.h"

#include <QAbstractButton>
#include <QWidget>
#include <array>
#include <functional>

namespace morvanex::ui {

// One range chip: its label on a capsule while it is the shown range. A click asks for its
// range; whether it then shows as selected is the switch's decision, not the click's.
class RangeChip : public QAbstractButton {
public:
    RangeChip(HistoryRange range, Appearance appearance, QWidget* parent = nullptr);
    HistoryRange range() const { return range_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    void nextCheckState() override {}

private:
    HistoryRange range_;
    Appearance appearance_;
};

// The row of range chips, live to month, on a faint capsule. `select` receives the chip a
// click chose (it writes the stored range); `shown` is the range marked as selected.
class RangeSwitch : public QWidget {
public:
    RangeSwitch(HistoryRange shown, Appearance appearance, std::function<void(HistoryRange)> select,
                QWidget* parent = nullptr);

    void setShown(HistoryRange shown);
    HistoryRange shown() const { return shown_; }
    RangeChip* chip(HistoryRange range) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    HistoryRange shown_;
    Appearance appearance_;
    std::function<void(HistoryRange)> select_;
    std::array<RangeChip*, 5> chips_{};
};

} // namespace morvanex::ui
