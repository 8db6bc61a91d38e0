#include "ui/panels/GPUPanel.h"

#include "app/Hub.h"
#include "base/AppSettings.h"
#include "base/Fmt.h"
#include "base/Units.h"
#include "ui/kit/Card.h"
#include "ui/kit/HeroValue.h"
#include "ui/kit/HistoryGraph.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/LiveGraphs.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/TextLine.h"
#include "ui/panels/LiveParts.h"
#include "ui/panels/SystemPanelParts.h"

#include <QBoxLayout>

namespace morvanex::ui {

namespace sp = systempanel;

GPUPanel::GPUPanel(PanelEnv env, PanelDefaults* defaults, QWidget* parent)
    : QWidget(parent), env_(std::move(env)),
      defaults_(defaults ? *defaults : PanelDefaults::shared()), sections_(this) {
    sections_.follow(*env_.hub, env_.settings, [this] { build(); });
}

QString GPUPanel::subtitle(const GPUMonitor& gpu) {
    if (gpu.gpus.empty())
        return QStringLiteral("No GPU statistics");
    const GPUMonitor::GPU& first = gpu.gpus.front();
    if (!first.cores)
        return first.name;
    return first.name + QStringLiteral(" · ") + QString::number(*first.cores) +
           QStringLiteral(" cores");
}

QString GPUPanel::heroText(const GPUMonitor& gpu) {
    if (gpu.gpus.empty())
        return QStringLiteral("—");
    return sp::roundedWhole(gpu.utilization());
}

std::vector<LegendItem> GPUPanel::legend(const GPUMonitor::GPU& gpu) {
    std::vector<LegendItem> items{
        {QStringLiteral("Utilisation"), Fmt::percent(gpu.utilization), Tint::purple}};
    if (gpu.renderer)
        items.push_back({QStringLiteral("Renderer"), Fmt::percent(*gpu.renderer), Tint::indigo});
    if (gpu.tiler)
        items.push_back({QStringLiteral("Tiler"), Fmt::percent(*gpu.tiler), Tint::teal});
    return items;
}

std::vector<GPUPanel::Line> GPUPanel::statistics(const GPUMonitor& gpu,
                                                 const SensorMonitor& sensors, TempUnit unit) {
    std::vector<Line> lines;
    if (!gpu.gpus.empty() && gpu.gpus.front().memoryUsed)
        lines.push_back(
            {QStringLiteral("Memory in use"), Fmt::bytes(*gpu.gpus.front().memoryUsed, 1024)});
    if (const auto summary = sensors.summary(SensorGroup::gpu))
        lines.push_back({QStringLiteral("Temperature"),
                         format(unit, summary->average, 0) + QStringLiteral(" avg · ") +
                             format(unit, summary->maximum, 0) + QStringLiteral(" max")});
    if (const auto power = sensors.sensor(QStringLiteral("PG0R")))
        lines.push_back(
            {QStringLiteral("Power"), Fmt::number(power->value, 1) + QStringLiteral(" W")});
    return lines;
}

namespace {

LineAreaGraph utilisationGraph(std::vector<double> values) {
    LineAreaGraph graph;
    graph.series = {GraphSeries{std::move(values), Tint::purple, 0.25, true}};
    graph.maxValue = 100;
    graph.height = 72;
    graph.capacity = 120;
    return graph;
}

// The device's current history, found again by its identity after each tick.
std::vector<double> historyOf(const Hub& hub, int id) {
    for (const GPUMonitor::GPU& gpu : hub.gpu.gpus)
        if (gpu.id == id)
            return gpu.history.values;
    return {};
}

} // namespace

namespace {

// The rows over and under a device's graph: its name and utilisation when there are several,
// and the legend.
struct DeviceRows {
    std::optional<std::pair<QString, QString>> title;
    std::vector<LegendItem> legend;
    bool operator==(const DeviceRows&) const = default;
};

void fillDevice(QVBoxLayout* before, QVBoxLayout* after, const DeviceRows& rows, Appearance a) {
    if (rows.title)
        before->insertWidget(0, new CardHeader(rows.title->first, rows.title->second, nullptr, a));
    auto* legendRow = new QWidget;
    auto* row = new QHBoxLayout(legendRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new Legend(rows.legend, 10, a));
    addFlexibleSpace(row, 4);
    after->addWidget(legendRow);
}

bool updateDevice(QWidget* card, const DeviceRows& rows) {
    auto* legend = card->findChild<Legend*>();
    auto* header = card->findChild<CardHeader*>();
    if (!legend || (header != nullptr) != rows.title.has_value())
        return false;
    if (header && (header->titleLine()->fullText() != rows.title->first || !header->trailingLine()))
        return false;
    if (!legend->setValues(rows.legend))
        return false;
    if (header)
        header->trailingLine()->setFullText(rows.title->second);
    return true;
}

} // namespace

void GPUPanel::build() {
    const Appearance a = env_.appearance;
    Hub& hub = *env_.hub;
    const GPUMonitor& monitor = hub.gpu;
    const TempUnit unit =
        env_.settings ? env_.settings->config().temperatureUnit : TempUnit::celsius;

    HeaderModel header{subtitle(monitor), {heroText(monitor), std::nullopt}};
    if (!monitor.gpus.empty())
        header.hero.unit = QStringLiteral("%");
    sections_.section(
        QStringLiteral("header"), header,
        [a](const HeaderModel& m) {
            return makeHeader(QStringLiteral("display"), Tint::purple, QStringLiteral("GPU"), m, a);
        },
        updateHeader);

    const bool several = monitor.gpus.size() >= 2;
    for (const GPUMonitor::GPU& gpu : monitor.gpus) {
        const int id = gpu.id;
        DeviceRows rows{std::nullopt, legend(gpu)};
        if (several)
            rows.title = std::pair(gpu.name, Fmt::percent(gpu.utilization));
        if (id == monitor.gpus.front().id) {
            sections_.graphCard(
                QStringLiteral("gpu|%1").arg(id), 7, a,
                [&](QWidget* parent) {
                    return new HistoryGraph(
                        env_,
                        {{HistoryMetric::gpu, QStringLiteral("GPU"), Tint::purple, 0.22, true}},
                        100.0, false, 72, [](double v) { return Fmt::percent(v); },
                        [&hub, id, a](QWidget* graphParent) {
                            return liveLineAreaGraph(
                                hub,
                                [id](const Hub& h) { return utilisationGraph(historyOf(h, id)); },
                                a, graphParent);
                        },
                        defaults_, parent);
                },
                rows,
                [a](const GraphCard& parts, const DeviceRows& m) {
                    fillDevice(parts.before, parts.after, m, a);
                },
                [](const GraphCard& parts, const DeviceRows& m) {
                    return updateDevice(parts.card, m);
                });
        } else {
            // The recorded history holds one graphics metric: the others show only live values.
            sections_.section(
                QStringLiteral("live|%1").arg(id), rows,
                [&hub, id, a](const DeviceRows& m) {
                    auto* card = new Card(7, a);
                    card->add(liveLineAreaGraph(
                        hub, [id](const Hub& h) { return utilisationGraph(historyOf(h, id)); }, a));
                    fillDevice(card->body(), card->body(), m, a);
                    return card;
                },
                [](Card* card, const DeviceRows& m) { return updateDevice(card, m); });
        }
    }

    RowTexts lines;
    for (const Line& line : statistics(monitor, hub.sensors, unit))
        lines.emplace_back(line.label, line.value);
    if (lines.empty())
        return;
    sections_.section(
        QStringLiteral("statistics"), lines,
        [a](const RowTexts& all) { return statRowsCard(all, a); }, updateRowValues);
}

} // namespace morvanex::ui
