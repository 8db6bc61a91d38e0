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
#include "ui/panels/LiveParts.h"
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

    sections_.section(
        QStringLiteral("header"),
        HeaderModel{subtitle(memory), {heroText(memory), QStringLiteral("%")}},
        [a](const HeaderModel& m) {
            return makeHeader(QStringLiteral("memorychip"), Tint::green, QStringLiteral("Memory"),
                              m, a);
        },
        updateHeader);

    sections_.graphCard(
        QStringLiteral("pressure|%1").arg(int(level)), 7, a,
        [&](QWidget* parent) {
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
        },
        levelWord(memory.pressureLevel) + QStringLiteral(" · ") + Fmt::percent(memory.pressure),
        [level, a](const GraphCard& parts, const QString& pill) {
            auto* top = new QWidget;
            auto* topRow = new QHBoxLayout(top);
            topRow->setContentsMargins(0, 0, 0, 0);
            topRow->addWidget(new CardHeader(QStringLiteral("Pressure"), std::nullopt, nullptr, a),
                              1);
            topRow->addWidget(new Pill(pill, level, a), 0, Qt::AlignVCenter);
            parts.before->addWidget(top);
        },
        [](const GraphCard& parts, const QString& pill) {
            auto* shown = parts.card->findChild<Pill*>();
            if (shown)
                shown->setText(pill);
            return shown != nullptr;
        });

    const BreakdownModel breakdown{
        segments(memory),
        {memory.app, memory.compressed, memory.free, memory.wired, memory.cached}};
    sections_.section(
        QStringLiteral("breakdown"), breakdown,
        [a](const BreakdownModel& m) {
            auto* card = new Card(7, a);
            card->add(new CardHeader(QStringLiteral("Breakdown"), std::nullopt, nullptr, a));
            auto* bar = new SegmentBarView(SegmentBar{m.segments, 10}, a);
            // Found by name: the bar view has no meta-object for findChild to tell it by.
            bar->setObjectName(QStringLiteral("breakdownBar"));
            card->add(bar);
            auto* columns = new QWidget;
            auto* split = new QHBoxLayout(columns);
            split->setContentsMargins(0, 0, 0, 0);
            split->setSpacing(16);
            auto* left = new QVBoxLayout;
            left->setSpacing(5);
            left->addWidget(
                new BreakdownCell(QStringLiteral("App"), m.bytes[0], Tint::blue, false, a));
            left->addWidget(new BreakdownCell(QStringLiteral("Compressed"), m.bytes[1],
                                              Tint::purple, false, a));
            left->addWidget(
                new BreakdownCell(QStringLiteral("Free"), m.bytes[2], Tint::gray, true, a));
            auto* right = new QVBoxLayout;
            right->setSpacing(5);
            right->addWidget(
                new BreakdownCell(QStringLiteral("Kernel"), m.bytes[3], Tint::orange, false, a));
            right->addWidget(
                new BreakdownCell(QStringLiteral("Cached"), m.bytes[4], Tint::gray, false, a));
            right->addStretch(1);
            split->addLayout(left, 1);
            split->addLayout(right, 1);
            card->add(columns);
            return card;
        },
        [](Card* card, const BreakdownModel& m) {
            auto* bar = static_cast<SegmentBarView*>(
                card->findChild<QWidget*>(QStringLiteral("breakdownBar")));
            const QList<BreakdownCell*> cells = card->findChildren<BreakdownCell*>();
            if (!bar || cells.size() != qsizetype(m.bytes.size()))
                return false;
            bar->setBar(SegmentBar{m.segments, 10});
            for (qsizetype i = 0; i < cells.size(); ++i)
                if (auto* value = cells[i]->findChild<StatValue*>())
                    value->setFullText(Fmt::bytes(m.bytes[std::size_t(i)], 1024));
            return true;
        });

    const RowTexts paging{{QStringLiteral("Swap"), Fmt::bytes(memory.swapUsed, 1024) +
                                                       QStringLiteral(" of ") +
                                                       Fmt::bytes(memory.swapTotal, 1024)},
                          {QStringLiteral("Page ins"), Fmt::rate(memory.pageInsRate, false)},
                          {QStringLiteral("Page outs"), Fmt::rate(memory.pageOutsRate, false)}};
    sections_.section(
        QStringLiteral("paging"), paging,
        [a](const RowTexts& rows) { return statRowsCard(rows, a); }, updateRowValues);

    sections_.section(
        QStringLiteral("processes"), topRows(hub.processes.processes),
        [this](const std::vector<std::pair<ProcessSample, QString>>& rows) {
            return new ProcessCard(QStringLiteral("Top Processes"), QStringLiteral("Memory"), rows,
                                   QStringLiteral("No data yet"), env_);
        },
        [](ProcessCard* card, const std::vector<std::pair<ProcessSample, QString>>& rows) {
            return card->setRows(rows);
        });
}

} // namespace morvanex::ui
