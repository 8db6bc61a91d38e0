#include "ui/panels/overview/OverviewTileContent.h"

#include "app/Hub.h"
#include "base/Fmt.h"
#include "base/Numbers.h"
#include "base/Units.h"
#include "ui/panels/overview/OverviewSummaries.h"

#include <algorithm>

namespace morvanex::ui::overview {

namespace {

const QString percentUnit = QStringLiteral("%");

} // namespace

QString wholeText(double value) {
    const auto whole = numbers::roundedInt64(value);
    return whole ? QString::number(*whole) : QStringLiteral("—");
}

HeroTextContent networkHero(const QString& rateText) {
    const QString space = QStringLiteral(" ");
    const int split = rateText.indexOf(QLatin1Char(' '));
    QStringList pieces = split < 0 ? QStringList{rateText}
                                   : QStringList{rateText.left(split), rateText.mid(split + 1)};
    pieces.removeAll(QString());
    HeroTextContent hero;
    hero.value = pieces.isEmpty() ? QStringLiteral("0") : pieces.first();
    hero.unit = space + (pieces.size() > 1 ? pieces[1] : QString()) + QStringLiteral(" ↓");
    hero.size = 22;
    return hero;
}

double diskUsedPercent(const std::optional<DiskMonitor::Volume>& volume) {
    return volume ? volume->usedPercent() : 0;
}

Tint diskBarTint(double usedPercent) {
    return usedPercent > 90 ? Tint::red : Tint::blue;
}

BigTileContent bigTile(OverviewItem item, const Hub& hub, bool bits) {
    BigTileContent tile;
    switch (item) {
    case OverviewItem::cpu:
        tile.label = QStringLiteral("CPU");
        tile.color = Tint::blue;
        tile.value = {wholeText(hub.cpu.user + hub.cpu.system), percentUnit, 22};
        tile.history = hub.cpu.totalHistory.values;
        tile.maxValue = 100;
        break;
    case OverviewItem::gpu:
        tile.label = QStringLiteral("GPU");
        tile.color = Tint::purple;
        tile.maxValue = 100;
        if (hub.gpu.gpus.empty()) {
            tile.value = {QStringLiteral("—"), std::nullopt, 22};
        } else {
            tile.value = {wholeText(hub.gpu.utilization()), percentUnit, 22};
            tile.history = hub.gpu.gpus.front().history.values;
        }
        break;
    case OverviewItem::memory: {
        const auto& memory = hub.memory;
        const double used =
            memory.total > 0 ? (memory.app + memory.wired + memory.compressed) / memory.total * 100
                             : 0;
        tile.label = QStringLiteral("Memory");
        tile.color = Tint::green;
        tile.value = {wholeText(used), percentUnit, 22};
        tile.history = memory.usedHistory.values;
        tile.maxValue = 100;
        break;
    }
    case OverviewItem::network:
        tile.label = QStringLiteral("Network");
        tile.color = Tint::teal;
        tile.value = networkHero(Fmt::rate(hub.network.download, bits));
        tile.history = hub.network.downloadHistory.values;
        break;
    default:
        break;
    }
    return tile;
}

SmallTileContent smallTile(OverviewItem item, const Hub& hub, TempUnit unit) {
    switch (item) {
    case OverviewItem::sensors:
        return {QStringLiteral("Sensors"), format(unit, hub.menubarTemperature(), 0),
                fanSummary(hub.sensors.fans, hub.sensors.isReady, hub.smc().isOpen())};
    case OverviewItem::battery:
        return {QStringLiteral("Battery"), Fmt::percent(hub.battery.percent),
                batterySummary(BatteryState::from(hub.battery))};
    case OverviewItem::disk: {
        const double used = diskUsedPercent(hub.disks.startupVolume());
        return {QStringLiteral("Disk"), Fmt::percent(used),
                UsageBar{used / 100, diskBarTint(used), 4}};
    }
    default:
        return {};
    }
}

} // namespace morvanex::ui::overview
