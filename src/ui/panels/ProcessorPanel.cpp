#include "ui/panels/ProcessorPanel.h"

#include "app/Hub.h"
#include "base/Fmt.h"
#include "ui/kit/Card.h"
#include "ui/kit/Fills.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/HeroValue.h"
#include "ui/kit/HistoryGraph.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/LiveGraphs.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/ProcessRow.h"
#include "ui/kit/TextLine.h"
#include "ui/panels/LiveParts.h"
#include "ui/panels/SystemPanelParts.h"

#include <QBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace morvanex::ui {

namespace sp = systempanel;

CPUPanel::CPUPanel(PanelEnv env, PanelDefaults* defaults, QWidget* parent)
    : QWidget(parent), env_(std::move(env)),
      defaults_(defaults ? *defaults : PanelDefaults::shared()), sections_(this) {
    sections_.follow(*env_.hub, env_.settings, [this] { build(); });
}

QString CPUPanel::subtitle(const CPUMonitor& cpu) {
    return cpu.brand + QStringLiteral(" · ") + QString::number(cpu.logicalCount) +
           QStringLiteral(" cores");
}

QString CPUPanel::heroText(const CPUMonitor& cpu) {
    return sp::roundedWhole(cpu.user + cpu.system);
}

std::vector<LegendItem> CPUPanel::legend(const CPUMonitor& cpu) {
    const double idle = std::max(0.0, 100 - (cpu.user + cpu.system));
    return {{QStringLiteral("User"), Fmt::percent(cpu.user), Tint::blue},
            {QStringLiteral("System"), Fmt::percent(cpu.system), Tint::orange},
            // The kit's legend draws gray for the faint primary key of idle time.
            {QStringLiteral("Idle"), Fmt::percent(idle), Tint::gray}};
}

QString CPUPanel::coresTrailing(const CPUMonitor& cpu) {
    if (cpu.hasCoreClasses())
        return QStringLiteral("%1 Performance · %2 Efficiency")
            .arg(cpu.performanceCount)
            .arg(cpu.efficiencyCount);
    return QStringLiteral("%1 threads").arg(cpu.logicalCount);
}

QString CPUPanel::loadAverageText(const std::vector<double>& loads) {
    QStringList parts;
    for (double load : loads)
        parts << Fmt::number(load, 2);
    return parts.join(QStringLiteral("  ·  "));
}

std::vector<std::pair<ProcessSample, QString>>
CPUPanel::topRows(std::vector<ProcessSample> processes) {
    std::stable_sort(processes.begin(), processes.end(),
                     [](const ProcessSample& a, const ProcessSample& b) { return a.cpu > b.cpu; });
    if (processes.size() > 5)
        processes.resize(5);
    std::vector<std::pair<ProcessSample, QString>> rows;
    for (const ProcessSample& p : processes)
        rows.emplace_back(p, Fmt::number(p.cpu, 1) + QStringLiteral("%"));
    return rows;
}

void CPUPanel::build() {
    const Appearance a = env_.appearance;
    Hub& hub = *env_.hub;
    const CPUMonitor& cpu = hub.cpu;

    sections_.section(
        QStringLiteral("header"), HeaderModel{subtitle(cpu), {heroText(cpu), QStringLiteral("%")}},
        [a](const HeaderModel& m) {
            return makeHeader(QStringLiteral("cpu"), Tint::blue, QStringLiteral("CPU"), m, a);
        },
        updateHeader);

    sections_.graphCard(
        QStringLiteral("history"), 7, a,
        [&](QWidget* parent) {
            return new HistoryGraph(
                env_,
                {{HistoryMetric::cpuSystem, QStringLiteral("System"), Tint::orange, 0.75, false},
                 {HistoryMetric::cpuUser, QStringLiteral("User"), Tint::blue, 0.28, true}},
                100.0, true, 72, [](double v) { return Fmt::percent(v); },
                [&hub, a](QWidget* graphParent) {
                    return liveLineAreaGraph(
                        hub,
                        [](const Hub& h) {
                            LineAreaGraph graph;
                            graph.series = {
                                GraphSeries{h.cpu.systemHistory.values, Tint::orange, 0.75, false},
                                GraphSeries{h.cpu.userHistory.values, Tint::blue, 0.28, true}};
                            graph.maxValue = 100;
                            graph.stacked = true;
                            graph.height = 72;
                            graph.capacity = 120;
                            return graph;
                        },
                        a, graphParent);
                },
                defaults_, parent);
        },
        legend(cpu),
        [a](const GraphCard& parts, const std::vector<LegendItem>& items) {
            auto* legendRow = new QWidget;
            auto* row = new QHBoxLayout(legendRow);
            row->setContentsMargins(0, 0, 0, 0);
            row->addWidget(new Legend(items, 14, a));
            addFlexibleSpace(row, 4);
            parts.after->addWidget(legendRow);
        },
        [](const GraphCard& parts, const std::vector<LegendItem>& items) {
            auto* shown = parts.card->findChild<Legend*>();
            return shown && shown->setValues(items);
        });

    sections_.section(
        QStringLiteral("cores"), CoresModel{coresTrailing(cpu), cpu.cores, cpu.hasCoreClasses()},
        [a](const CoresModel& m) {
            auto* cores = new Card(7, a);
            cores->add(new CardHeader(QStringLiteral("Cores"), m.trailing, nullptr, a));
            cores->add(new CoreGrid(m.cores, m.classes, a));
            return cores;
        },
        [](Card* card, const CoresModel& m) {
            auto* header = card->findChild<CardHeader*>();
            auto* grid = card->findChild<CoreGrid*>();
            if (!header || !header->trailingLine() || !grid || grid->classes() != m.classes)
                return false;
            header->trailingLine()->setFullText(m.trailing);
            grid->setCores(m.cores);
            return true;
        });

    const RowTexts stats{{QStringLiteral("Load average"),
                          loadAverageText({cpu.loadAverage.begin(), cpu.loadAverage.end()})},
                         {QStringLiteral("Uptime"), Fmt::duration(cpu.uptime)}};
    sections_.section(
        QStringLiteral("stats"), stats, [a](const RowTexts& rows) { return statRowsCard(rows, a); },
        updateRowValues);

    sections_.section(
        QStringLiteral("processes"), topRows(hub.processes.processes),
        [this](const std::vector<std::pair<ProcessSample, QString>>& rows) {
            return new ProcessCard(QStringLiteral("Top Processes"), QStringLiteral("% CPU"), rows,
                                   QStringLiteral("No data yet"), env_);
        },
        [](ProcessCard* card, const std::vector<std::pair<ProcessSample, QString>>& rows) {
            return card->setRows(rows);
        });
}

CoreGrid::CoreGrid(std::vector<CPUMonitor::Core> cores, bool classes, Appearance appearance,
                   QWidget* parent)
    : QWidget(parent), cores_(ordered(std::move(cores))), classes_(classes),
      appearance_(appearance) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
}

void CoreGrid::setCores(std::vector<CPUMonitor::Core> cores) {
    cores = ordered(std::move(cores));
    if (cores == cores_)
        return;
    cores_ = std::move(cores);
    update();
}

QString CoreGrid::label(const CPUMonitor::Core& core, bool classes) {
    if (!classes)
        return {};
    return core.isEfficiency ? QStringLiteral("E") : QStringLiteral("P");
}

std::vector<CPUMonitor::Core> CoreGrid::ordered(std::vector<CPUMonitor::Core> cores) {
    std::stable_sort(cores.begin(), cores.end(),
                     [](const CPUMonitor::Core& a, const CPUMonitor::Core& b) {
                         if (a.isEfficiency != b.isEfficiency)
                             return !a.isEfficiency;
                         return a.index < b.index;
                     });
    return cores;
}

double CoreGrid::fill(const CPUMonitor::Core& core) {
    const double load = core.user + core.system;
    if (!std::isfinite(load))
        return load > 0 ? 1 : 0;
    return std::clamp(load, 0.0, 100.0) / 100;
}

namespace {
constexpr double kBarHeight = 38;
constexpr double kLabelGap = 3;
constexpr double kSpacing = 4;
} // namespace

QSize CoreGrid::sizeHint() const {
    if (!classes_)
        return {200, int(std::ceil(kBarHeight))};
    const QFontMetricsF metrics(Fonts::font(9, QFont::DemiBold));
    return {200, int(std::ceil(kBarHeight + kLabelGap + metrics.height()))};
}

void CoreGrid::paintEvent(QPaintEvent*) {
    if (cores_.empty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double n = double(cores_.size());
    const double column = std::max(0.0, (width() - kSpacing * (n - 1)) / n);
    const QFont font = Fonts::font(9, QFont::DemiBold);
    painter.setFont(font);
    for (std::size_t i = 0; i < cores_.size(); ++i) {
        const CPUMonitor::Core& core = cores_[i];
        const double x = i * (column + kSpacing);
        const QRectF bar(x, 0, column, kBarHeight);
        QPainterPath track;
        track.addRoundedRect(bar, 3, 3);
        painter.save();
        painter.setClipPath(track);
        painter.fillRect(bar, primaryFill(appearance_, 0.1));
        const double h = fill(core) * kBarHeight;
        painter.fillRect(QRectF(x, kBarHeight - h, column, h),
                         color(core.isEfficiency ? Tint::teal : Tint::blue, appearance_));
        painter.restore();
        if (!classes_)
            continue;
        painter.setPen(color(Tint::tertiaryText, appearance_));
        painter.drawText(
            QRectF(x, kBarHeight + kLabelGap, column, height() - kBarHeight - kLabelGap),
            Qt::AlignHCenter | Qt::AlignTop, label(core, classes_));
    }
}

} // namespace morvanex::ui
