#include "ui/panels/MemoryPanel.h"

#include "app/Hub.h"
#include "base/Fmt.h"
#include "ui/kit/Card.h"
#include "ui/kit/Dot.h"
#include "ui/kit/Fills.h"
#include "ui/kit/HeroValue.h"
#include "ui/kit/HistoryGraph.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/LiveGraphs.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/Pill.h"
#include "ui/kit/ProcessRow.h"
#include "ui/kit/StatRow.h"
#include "ui/panels/SystemPanelParts.h"

#include <QBoxLayout>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace morvanex::ui {

namespace sp = systempanel;

MemoryPanel::MemoryPanel(PanelEnv env, PanelDefaults* defaults, QWidget* parent)
    : QWidget(parent), env_(std::move(env)),
      defaults_(defaults ? *defaults : PanelDefaults::shared()), sections_(this) {
    sections_.follow(*env_.hub, env_.settings, [this] { build(); });
}

Tint MemoryPanel::levelTint(int level) {
    if (level <= 1)
        return Tint::green;
    return level <= 3 ? Tint::yellow : Tint::red;
}

QString MemoryPanel::levelWord(int level) {
    if (level <= 1)
        return QStringLiteral("Normal");
    return level <= 3 ? QStringLiteral("Warning") : QStringLiteral("Critical");
}

QString MemoryPanel::subtitle(const MemoryMonitor& memory) {
    return Fmt::bytes(memory.used(), 1024) + QStringLiteral(" of ") +
           Fmt::bytes(memory.total, 1024) + QStringLiteral(" used");
}

QString MemoryPanel::heroText(const MemoryMonitor& memory) {
    if (!(memory.total > 0))
        return QStringLiteral("0");
    return sp::roundedWhole(memory.used() / memory.total * 100);
}

std::vector<BarSegment> MemoryPanel::segments(const MemoryMonitor& memory) {
    // Without a total the shares are no numbers: nothing is drawn.
    if (!(memory.total > 0))
        return {};
    return {{memory.app / memory.total, Tint::blue},
            {memory.wired / memory.total, Tint::orange},
            {memory.compressed / memory.total, Tint::purple},
            {memory.cached / memory.total, Tint::gray}};
}

std::vector<std::pair<ProcessSample, QString>>
MemoryPanel::topRows(std::vector<ProcessSample> processes) {
    std::stable_sort(
        processes.begin(), processes.end(),
        [](const ProcessSample& a, const ProcessSample& b) { return a.memory > b.memory; });
    if (processes.size() > 5)
        processes.resize(5);
    std::vector<std::pair<ProcessSample, QString>> rows;
    for (const ProcessSample& p : processes)
        rows.emplace_back(p, Fmt::bytes(p.memory, 1024));
    return rows;
}

namespace {

// A dot in the primary colour at a low opacity (free memory has no colour of its own).
class FaintDot : public QWidget {
public:
    FaintDot(double size, Appearance appearance) : size_(size), appearance_(appearance) {
        setFixedSize(int(std::ceil(size)), int(std::ceil(size)));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        fillCapsule(painter, QRectF(0, 0, size_, size_), primaryFill(appearance_, 0.15));
    }

private:
    double size_;
    Appearance appearance_;
};

} // namespace

BreakdownCell::BreakdownCell(const QString& label, double value, Tint tint, bool faint,
                             Appearance appearance, QWidget* parent)
    : QWidget(parent) {
    setMinimumHeight(19);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    if (faint)
        row->addWidget(new FaintDot(7, appearance), 0, Qt::AlignVCenter);
    else
        row->addWidget(new Dot(tint, 7, appearance), 0, Qt::AlignVCenter);
    auto* name = sp::text(label, 13, Tint::secondaryText, appearance);
    name->setMinimumWidth(name->sizeHint().width()); // never shortened
    row->addWidget(name, 0, Qt::AlignVCenter);
    addFlexibleSpace(row, 4);
    row->addWidget(new StatValue(Fmt::bytes(value, 1024), appearance), 0, Qt::AlignVCenter);
}

void MemoryPanel::build() {
    const Appearance a = env_.appearance;
    Hub& hub = *env_.hub;
    const MemoryMonitor& memory = hub.memory;
    const Tint level = levelTint(memory.pressureLevel);

    sections_.add(new PanelHeader(
        QStringLiteral("memorychip"), Tint::green, QStringLiteral("Memory"), subtitle(memory),
        new HeroValue({heroText(memory), QStringLiteral("%")}, a), a, this));

    auto pressure = sections_.graphCard(
        QStringLiteral("pressure|%1").arg(int(level)), 7, a, [&](QWidget* parent) {
            return new HistoryGraph(
                env_,
                {{HistoryMetric::memoryPressure, QStringLiteral("Pressure"), level, 0.22, true}},
                100.0, false, 48, [](double v) { return Fmt::percent(v); },
                [&hub, level, a](QWidget* graphParent) {
                    return liveLineAreaGraph(
                        hub,
                        [level](const Hub& h) {
                            LineAreaGraph graph;
                            graph.series = {
                                GraphSeries{h.memory.pressureHistory.values, level, 0.25, true}};
                            graph.maxValue = 100;
                            graph.height = 48;
                            graph.capacity = 120;
                            return graph;
                        },
                        a, graphParent);
                },
                defaults_, parent);
        });
    auto* top = new QWidget;
    auto* topRow = new QHBoxLayout(top);
    topRow->setContentsMargins(0, 0, 0, 0);
    topRow->addWidget(new CardHeader(QStringLiteral("Pressure"), std::nullopt, nullptr, a), 1);
    topRow->addWidget(new Pill(levelWord(memory.pressureLevel) + QStringLiteral(" · ") +
                                   Fmt::percent(memory.pressure),
                               level, a),
                      0, Qt::AlignVCenter);
    pressure.before->addWidget(top);

    auto* breakdown = new Card(7, a, this);
    breakdown->add(new CardHeader(QStringLiteral("Breakdown"), std::nullopt, nullptr, a));
    breakdown->add(new SegmentBarView(SegmentBar{segments(memory), 10}, a));
    auto* columns = new QWidget;
    auto* split = new QHBoxLayout(columns);
    split->setContentsMargins(0, 0, 0, 0);
    split->setSpacing(16);
    auto* left = new QVBoxLayout;
    left->setSpacing(5);
    left->addWidget(new BreakdownCell(QStringLiteral("App"), memory.app, Tint::blue, false, a));
    left->addWidget(
        new BreakdownCell(QStringLiteral("Compressed"), memory.compressed, Tint::purple, false, a));
    left->addWidget(new BreakdownCell(QStringLiteral("Free"), memory.free, Tint::gray, true, a));
    auto* right = new QVBoxLayout;
    right->setSpacing(5);
    right->addWidget(
        new BreakdownCell(QStringLiteral("Wired"), memory.wired, Tint::orange, false, a));
    right->addWidget(
        new BreakdownCell(QStringLiteral("Cached"), memory.cached, Tint::gray, false, a));
    right->addStretch(1);
    split->addLayout(left, 1);
    split->addLayout(right, 1);
    breakdown->add(columns);
    sections_.add(breakdown);

    auto* paging = new Card(5, a, this);
    paging->add(
        new StatRow(QStringLiteral("Swap"), std::nullopt,
                    new StatValue(Fmt::bytes(memory.swapUsed, 1024) + QStringLiteral(" of ") +
                                      Fmt::bytes(memory.swapTotal, 1024),
                                  a),
                    a));
    paging->add(new StatRow(QStringLiteral("Page ins"), std::nullopt,
                            new StatValue(Fmt::rate(memory.pageInsRate, false), a), a));
    paging->add(new StatRow(QStringLiteral("Page outs"), std::nullopt,
                            new StatValue(Fmt::rate(memory.pageOutsRate, false), a), a));
    sections_.add(paging);

    sections_.add(new ProcessCard(QStringLiteral("Top Processes"), QStringLiteral("Memory"),
                                  topRows(hub.processes.processes), QStringLiteral("No data yet"),
                                  env_, this));
}

} // namespace morvanex::ui
