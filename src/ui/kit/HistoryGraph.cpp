#include "ui/kit/HistoryGraph.h"

#include "app/Hub.h"
#include "history/HistoryStore.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/GraphPaint.h"
#include "ui/kit/HistoryRangeText.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/kit/RangeSwitch.h"
#include "ui/kit/TimelineGraphView.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>

namespace morvanex::ui {

namespace {

QFont captionFont() {
    return Fonts::font(11);
}

QString nowText() {
    return QStringLiteral("Now");
}

} // namespace

TimelineCaption::TimelineCaption(HistoryRange range, Appearance appearance, QWidget* parent)
    : QWidget(parent), range_(range), appearance_(appearance) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
}

void TimelineCaption::setRange(HistoryRange range) {
    range_ = range;
    update();
}

QSize TimelineCaption::sizeHint() const {
    const QFontMetricsF metrics(captionFont());
    return {viewExtent(metrics.horizontalAdvance(QStringLiteral("30 days ago  Now"))),
            viewExtent(metrics.height())};
}

void TimelineCaption::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(captionFont());
    painter.setPen(color(Tint::tertiaryText, appearance_));
    const QRectF bounds = rect();
    if (const std::optional<QString> text = rangeCaption(range_))
        painter.drawText(bounds, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, *text);
    painter.drawText(bounds, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, nowText());
}

HistoryGraph::HistoryGraph(PanelEnv env, std::vector<StoredLine> lines,
                           std::optional<double> maxValue, bool stacked, double height,
                           std::function<QString(double)> format, LiveView live,
                           PanelDefaults& defaults, QWidget* parent)
    : QWidget(parent), env_(std::move(env)), lines_(std::move(lines)), live_(std::move(live)),
      defaults_(defaults) {
    range_ = effectiveHistoryRange(env_.previewOverrides, storedHistoryRange(defaults_));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->addStretch(1);
    switch_ = new RangeSwitch(
        range_, env_.appearance,
        [this](HistoryRange chosen) { storeHistoryRange(defaults_, chosen); }, this);
    top->addWidget(switch_);
    column->addLayout(top);

    recorded_ = new QWidget(this);
    auto* recordedColumn = new QVBoxLayout(recorded_);
    recordedColumn->setContentsMargins(0, 0, 0, 0);
    recordedColumn->setSpacing(6);
    TimelineGraph timeline;
    timeline.lines = lines_;
    timeline.range = range_;
    timeline.maxValue = maxValue;
    timeline.stacked = stacked;
    timeline.height = height;
    timeline.format = std::move(format);
    Hub* hub = env_.hub;
    // The window ends at the hub's clock, the one the store measures its ranges from.
    auto now = [hub] {
        const QDateTime date = hub ? hub->clock.now() : QDateTime::currentDateTimeUtc();
        return double(date.toMSecsSinceEpoch()) / 1000;
    };
    timeline_ = new TimelineGraphView(std::move(timeline), env_.appearance, now, recorded_);
    caption_ = new TimelineCaption(range_, env_.appearance, recorded_);
    recordedColumn->addWidget(timeline_);
    recordedColumn->addWidget(caption_);
    column->addWidget(recorded_);

    reload_.setSingleShot(true);
    reload_.setTimerType(Qt::PreciseTimer);
    reload_.setInterval(reloadMilliseconds);
    connect(&reload_, &QTimer::timeout, this, &HistoryGraph::requestLoad);

    connect(&defaults_, &PanelDefaults::changed, this, [this](const QString& key) {
        if (key == historyRangeKey)
            refresh(false);
    });
    refresh(true);
}

HistoryStore* HistoryGraph::store() const {
    return env_.hub ? env_.hub->history.get() : nullptr;
}

std::vector<HistoryMetric> HistoryGraph::metrics() const {
    std::vector<HistoryMetric> out;
    out.reserve(lines_.size());
    for (const StoredLine& line : lines_)
        out.push_back(line.metric);
    return out;
}

bool HistoryGraph::showsLive() const {
    return range_ == HistoryRange::live || !store();
}

const std::optional<HistorySeries>& HistoryGraph::series() const {
    return timeline_->graph().series;
}

void HistoryGraph::refresh(bool restart) {
    const HistoryRange shown =
        effectiveHistoryRange(env_.previewOverrides, storedHistoryRange(defaults_));
    const bool changed = shown != range_;
    range_ = shown;
    switch_->setShown(range_);
    timeline_->setRange(range_);
    caption_->setRange(range_);

    const bool live = showsLive();
    if (live && !liveView_ && live_) {
        liveView_ = live_(this);
        if (liveView_)
            static_cast<QVBoxLayout*>(layout())->insertWidget(1, liveView_);
    }
    if (liveView_)
        liveView_->setVisible(live);
    recorded_->setVisible(!live);

    if (changed || restart)
        startTask();
}

void HistoryGraph::startTask() {
    cancelTask();
    if (env_.previewOverrides.isPreview) {
        // A render draws once: read the range now, on this thread.
        HistoryStore* history = store();
        if (range_ != HistoryRange::live && history)
            showSeries(history->loadNow(metrics(), range_));
        else
            showSeries(std::nullopt);
        return;
    }
    // The task runs only while the graph is shown; showing it again starts a new run.
    if (!isVisible())
        return;
    taskRunning_ = true;
    if (range_ == HistoryRange::live || !store())
        return;
    showSeries(std::nullopt);
    requestLoad();
}

void HistoryGraph::cancelTask() {
    ++generation_;
    taskRunning_ = false;
    reload_.stop();
}

void HistoryGraph::requestLoad() {
    HistoryStore* history = store();
    if (!history || range_ == HistoryRange::live)
        return;
    const std::uint64_t token = generation_;
    QPointer<HistoryGraph> self(this);
    history->load(metrics(), range_, [self, token](HistorySeries answer) {
        // An answer for a run that has ended (another range, or the graph hidden) is not
        // shown: the current run's own answer follows.
        if (!self || token != self->generation_)
            return;
        self->showSeries(std::move(answer));
        self->reload_.start();
    });
}

void HistoryGraph::showSeries(std::optional<HistorySeries> series) {
    timeline_->setSeries(std::move(series));
    emit seriesChanged();
}

void HistoryGraph::showEvent(QShowEvent*) {
    if (!taskRunning_ && !env_.previewOverrides.isPreview)
        startTask();
}

void HistoryGraph::hideEvent(QHideEvent*) {
    if (!env_.previewOverrides.isPreview)
        cancelTask();
}

} // namespace morvanex::ui
