#pragma once

#include "ui/kit/PanelEnv.h"
#include "ui/kit/TimelineGraph.h"

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QLabel;

namespace morvanex {
class HistoryStore;
}

namespace morvanex::ui {

class PanelDefaults;
class RangeSwitch;
class TimelineGraphView;

// The caption under a timeline: where the window starts at the left, "Now" at the right.
class TimelineCaption : public QWidget {
public:
    TimelineCaption(HistoryRange range, Appearance appearance, QWidget* parent = nullptr);
    void setRange(HistoryRange range);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    HistoryRange range_;
    Appearance appearance_;
};

// The history view every module panel places: the range chips above either the caller's own
// live graph or a timeline of the recorded history for the chosen range. The range is one
// stored value shared by every graph, so a chip chosen in one panel shows in all of them.
// While shown, a recorded range is loaded off the main thread and reloaded every 30 seconds.
class HistoryGraph : public QWidget {
    Q_OBJECT
public:
    // Builds the live view (parented by the graph); called once, when the live range is
    // first shown.
    using LiveView = std::function<QWidget*(QWidget* parent)>;

    // The reload period while shown: the store writes its pending samples as often.
    static constexpr int reloadMilliseconds = 30000;

    HistoryGraph(PanelEnv env, std::vector<StoredLine> lines, std::optional<double> maxValue,
                 bool stacked, double height, std::function<QString(double)> format, LiveView live,
                 PanelDefaults& defaults, QWidget* parent = nullptr);

    // The effective range: a render's forced range, otherwise the stored one.
    HistoryRange range() const { return range_; }
    // Whether the live view stands under the chips (the live range, or no history store).
    bool showsLive() const;
    // The series the timeline shows; absent while loading.
    const std::optional<HistorySeries>& series() const;

    RangeSwitch* rangeSwitch() const { return switch_; }
    TimelineGraphView* timeline() const { return timeline_; }
    TimelineCaption* caption() const { return caption_; }
    QWidget* liveView() const { return liveView_; }
    // Whether the next reload is waiting (a loading task is running on a recorded range).
    bool reloadScheduled() const { return reload_.isActive(); }

signals:
    // A load's answer was shown (or a render's synchronous load was read).
    void seriesChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    HistoryStore* store() const;
    std::vector<HistoryMetric> metrics() const;
    // Follows the stored and forced range: chips, which view stands, and the loading task.
    void refresh(bool restart);
    void startTask();
    void cancelTask();
    void requestLoad();
    void showSeries(std::optional<HistorySeries> series);

    PanelEnv env_;
    std::vector<StoredLine> lines_;
    LiveView live_;
    PanelDefaults& defaults_;
    HistoryRange range_ = HistoryRange::live;
    RangeSwitch* switch_ = nullptr;
    QWidget* liveView_ = nullptr;
    QWidget* recorded_ = nullptr;
    TimelineGraphView* timeline_ = nullptr;
    TimelineCaption* caption_ = nullptr;
    QTimer reload_;
    // Tells a load's answer whether it still belongs to the running task.
    std::uint64_t generation_ = 0;
    bool taskRunning_ = false;
};

} // namespace morvanex::ui
