#pragma once

#include "ui/kit/TimelineGraph.h"

#include <QTimer>
#include <QWidget>
#include <functional>

class QPainter;

namespace morvanex::ui {

// Draws a timeline graph at `now`, hover label included. Shared by the view and renders.
void drawTimelineGraph(QPainter& painter, const QRectF& rect, const TimelineGraph& graph,
                       Appearance appearance, double now, int spinnerPhase = 0);

// The timeline graph as a widget: as wide as its layout offers and `height` points high. It
// follows the pointer while it is over it, marks the nearest sample and labels it, and spins a
// small progress indicator while its series is loading.
class TimelineGraphView : public QWidget {
    Q_OBJECT
public:
    // `now` answers the current time in Unix seconds (the window ends there).
    TimelineGraphView(TimelineGraph graph, Appearance appearance, std::function<double()> now = {},
                      QWidget* parent = nullptr);

    void setSeries(std::optional<HistorySeries> series);
    void setRange(HistoryRange range);
    const TimelineGraph& graph() const { return graph_; }
    // The drawing at this moment (what paintEvent draws).
    TimelineGeometry geometry() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void updateSpinner();

    TimelineGraph graph_;
    Appearance appearance_;
    std::function<double()> now_;
    QTimer spinner_;
    int spinnerPhase_ = 0;
};

} // namespace morvanex::ui
