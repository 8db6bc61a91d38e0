#include "ui/panels/DisksPanel.h"

#include "app/Hub.h"
#include "base/Fmt.h"
#include "ui/kit/Card.h"
#include "ui/kit/HeroValue.h"
#include "ui/kit/HistoryGraph.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/Legend.h"
#include "ui/kit/LiveGraphs.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/ProcessRow.h"
#include "ui/kit/StatRow.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/kit/UsageBars.h"
#include "ui/panels/LiveParts.h"
#include "ui/panels/SystemPanelParts.h"

#include <QBoxLayout>
#include <algorithm>

namespace morvanex::ui {

namespace sp = systempanel;

namespace {
double diskTotal(const ProcessSample& p) {
    return p.diskRead + p.diskWrite;
}
} // namespace

DisksPanel::DisksPanel(PanelEnv env, PanelDefaults* defaults, QWidget* parent)
    : QWidget(parent), env_(std::move(env)),
      defaults_(defaults ? *defaults : PanelDefaults::shared()), sections_(this) {
    sections_.follow(*env_.hub, env_.settings, [this] { build(); });
}

double DisksPanel::usedBytes(const DiskMonitor::Volume& volume) {
    return volume.used();
}

double DisksPanel::usedPercent(const DiskMonitor::Volume& volume) {
    return volume.usedPercent();
}

Tint DisksPanel::barTint(const DiskMonitor::Volume& volume) {
    return usedPercent(volume) > 90 ? Tint::red : Tint::blue;
}

QString DisksPanel::symbol(const DiskMonitor::Volume& volume) {
    if (volume.isRemovable)
        return QStringLiteral("externaldrive");
    return volume.isLocal ? QStringLiteral("internaldrive") : QStringLiteral("server.rack");
}

std::optional<QString> DisksPanel::subtitle(const DiskMonitor& disks) {
    const std::optional<DiskMonitor::Volume> startup = disks.startupVolume();
    if (!startup)
        return std::nullopt;
    return startup->name + QStringLiteral(" · ") + Fmt::bytes(startup->availableImportant, 1000) +
           QStringLiteral(" available");
}

QString DisksPanel::heroText(const DiskMonitor& disks) {
    const std::optional<DiskMonitor::Volume> startup = disks.startupVolume();
    return startup ? sp::roundedWhole(usedPercent(*startup)) : QStringLiteral("—");
}

std::optional<QString> DisksPanel::purgeableText(const DiskMonitor::Volume& volume) {
    const double purgeable = volume.availableImportant - volume.available;
    if (!(purgeable > 1'000'000))
        return std::nullopt;
    return Fmt::bytes(purgeable, 1000) + QStringLiteral(" purgeable");
}

std::vector<std::pair<ProcessSample, QString>>
DisksPanel::topRows(std::vector<ProcessSample> processes) {
    std::stable_sort(
        processes.begin(), processes.end(),
        [](const ProcessSample& a, const ProcessSample& b) { return diskTotal(a) > diskTotal(b); });
    if (processes.size() > 5)
        processes.resize(5);
    std::vector<std::pair<ProcessSample, QString>> rows;
    for (const ProcessSample& p : processes)
        if (diskTotal(p) > 0)
            rows.emplace_back(p, Fmt::rate(p.diskRead, false) + QStringLiteral(" / ") +
                                     Fmt::rate(p.diskWrite, false));
    return rows;
}

namespace {

QWidget* volumeEntry(const DiskMonitor::Volume& volume, Appearance a) {
    auto* entry = new QWidget;
    auto* column = new QVBoxLayout(entry);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    auto* top = new QHBoxLayout;
    top->setSpacing(6);
    top->addWidget(new SymbolIcon(DisksPanel::symbol(volume), 11, color(Tint::secondaryText, a)), 0,
                   Qt::AlignVCenter);
    top->addWidget(sp::text(volume.name, 13, Tint::primaryText, a), 0, Qt::AlignVCenter);
    addFlexibleSpace(top, 8);
    top->addWidget(
        new StatValue(Fmt::bytes(volume.availableImportant, 1000) + QStringLiteral(" free"), a), 0,
        Qt::AlignVCenter);
    column->addLayout(top);

    column->addWidget(new UsageBarView(
        UsageBar{DisksPanel::usedPercent(volume) / 100, DisksPanel::barTint(volume), 6}, a));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(sp::text(Fmt::bytes(DisksPanel::usedBytes(volume), 1000) +
                                   QStringLiteral(" of ") + Fmt::bytes(volume.total, 1000) +
                                   QStringLiteral(" used"),
                               11, Tint::tertiaryText, a));
    bottom->addStretch(1);
    if (const std::optional<QString> purgeable = DisksPanel::purgeableText(volume))
        bottom->addWidget(sp::text(*purgeable, 11, Tint::tertiaryText, a));
    column->addLayout(bottom);
    return entry;
}

} // namespace

void DisksPanel::build() {
    const Appearance a = env_.appearance;
    Hub& hub = *env_.hub;
    const DiskMonitor& disks = hub.disks;

    HeaderModel header{subtitle(disks), {heroText(disks), std::nullopt}};
    if (disks.startupVolume())
        header.hero.unit = QStringLiteral("%");
    sections_.section(
        QStringLiteral("header"), header,
        [a](const HeaderModel& m) {
            return makeHeader(QStringLiteral("internaldrive"), Tint::gray, QStringLiteral("Disks"),
                              m, a);
        },
        updateHeader);

    sections_.section(QStringLiteral("volumes"), disks.volumes,
                      [a](const std::vector<DiskMonitor::Volume>& all) {
                          auto* volumes = new Card(10, a);
                          volumes->add(new CardHeader(QStringLiteral("Volumes"),
                                                      QString::number(all.size()), nullptr, a));
                          for (const DiskMonitor::Volume& volume : all)
                              volumes->add(volumeEntry(volume, a));
                          return volumes;
                      });

    sections_.graphCard(
        QStringLiteral("activity"), 7, a,
        [&](QWidget* parent) {
            return new HistoryGraph(
                env_,
                {{HistoryMetric::diskRead, QStringLiteral("Read"), Tint::blue, 0.15, true},
                 {HistoryMetric::diskWrite, QStringLiteral("Write"), Tint::orange, 0.15, true}},
                std::nullopt, false, 56, [](double v) { return Fmt::rate(v, false); },
                [&hub, a](QWidget* graphParent) {
                    return liveMirroredGraph(
                        hub,
                        [](const Hub& h) {
                            MirroredGraph graph;
                            graph.up = h.disks.writeHistory.values;
                            graph.down = h.disks.readHistory.values;
                            graph.height = 56;
                            graph.capacity = 120;
                            graph.upColor = Tint::orange;
                            graph.downColor = Tint::blue;
                            return graph;
                        },
                        a, graphParent);
                },
                defaults_, parent);
        },
        std::vector<LegendItem>{
            {QStringLiteral("Read"), Fmt::rate(disks.readRate, false), Tint::blue},
            {QStringLiteral("Write"), Fmt::rate(disks.writeRate, false), Tint::orange}},
        [a](const GraphCard& parts, const std::vector<LegendItem>& items) {
            parts.before->addWidget(
                new CardHeader(QStringLiteral("Activity"), std::nullopt, nullptr, a));
            parts.after->addWidget(new Legend(items, 14, a));
        },
        [](const GraphCard& parts, const std::vector<LegendItem>& items) {
            auto* shown = parts.card->findChild<Legend*>();
            return shown && shown->setValues(items);
        });

    sections_.section(
        QStringLiteral("processes"), topRows(hub.processes.processes),
        [this](const std::vector<std::pair<ProcessSample, QString>>& rows) {
            return new ProcessCard(QStringLiteral("Top Processes"), QStringLiteral("Read / Write"),
                                   rows, QStringLiteral("No disk activity right now"), env_);
        },
        [](ProcessCard* card, const std::vector<std::pair<ProcessSample, QString>>& rows) {
            return card->setRows(rows);
        });
}

} // namespace morvanex::ui
