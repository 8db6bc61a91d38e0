#include "ui/menubar/MenuBarContent.h"

#include "app/Hub.h"
#include "base/Fmt.h"
#include "base/Numbers.h"
#include "base/Units.h"
#include "platform/ListedTimeZone.h"
#include "services/WeatherCode.h"

#include <QTimeZone>
#include <algorithm>

namespace morvanex::ui::MenuBarContent {

namespace {

const QString dash = QStringLiteral("—");
const QString percentTemplate = QStringLiteral("100%");

// Monitor percentages are 0...100; the renderer draws fractions.
std::vector<double> fractions(const std::vector<double>& values, double divisor) {
    std::vector<double> result;
    result.reserve(values.size());
    for (double value : values)
        result.push_back(value / divisor);
    return result;
}

double largestOfLast(const std::vector<double>& values, std::size_t count) {
    const auto begin =
        values.size() > count ? values.end() - std::ptrdiff_t(count) : values.begin();
    double largest = 0;
    for (auto it = begin; it != values.end(); ++it)
        largest = std::max(largest, *it);
    return largest;
}

MenuBarText text(QString value, QString widthTemplate) {
    return MenuBarText{std::move(value), std::move(widthTemplate)};
}

// Text parts after an optional leading part, as the text, graph and icon styles combine them.
std::vector<MenuBarPart> styled(DisplayStyle style, const MenuBarPart& lead,
                                const MenuBarPart& trailing, const MenuBarPart& textOnly) {
    switch (style) {
    case DisplayStyle::text:
        return {textOnly};
    case DisplayStyle::graph:
    case DisplayStyle::icon:
        return {lead};
    case DisplayStyle::graphAndText:
    case DisplayStyle::iconAndText:
        return {lead, trailing};
    }
    return {textOnly};
}

QString cpuText(const Hub& hub) {
    return Fmt::percent(hub.cpu.user + hub.cpu.system);
}

double memoryPercent(const Hub& hub) {
    const MemoryMonitor& memory = hub.memory;
    if (!(memory.total > 0))
        return 0;
    return (memory.app + memory.wired + memory.compressed) / memory.total * 100;
}

Tint memoryTint(int pressureLevel, bool combined) {
    if (pressureLevel < 2)
        return Tint::green;
    if (combined || pressureLevel < 4)
        return Tint::yellow;
    return Tint::red;
}

QString diskText(const Hub& hub) {
    const auto volume = hub.disks.startupVolume();
    if (!volume)
        return dash;
    return Fmt::percent(volume->usedPercent());
}

MenuBarStacked rates(const Hub& hub, bool bits) {
    return MenuBarStacked{QStringLiteral("↑ ") + Fmt::rate(hub.network.upload, bits),
                          QStringLiteral("↓ ") + Fmt::rate(hub.network.download, bits),
                          rateTemplate(bits)};
}

MenuBarMirrored networkGraph(const Hub& hub) {
    const auto& up = hub.network.uploadHistory.values;
    const auto& down = hub.network.downloadHistory.values;
    const double peak = std::max({1024.0, largestOfLast(up, 20), largestOfLast(down, 20)});
    return MenuBarMirrored{fractions(up, peak), fractions(down, peak)};
}

QString temperatureText(const Hub& hub, TempUnit unit) {
    return format(unit, hub.menubarTemperature(), 0);
}

QString temperatureTemplate(TempUnit unit) {
    return unit == TempUnit::kelvin ? QStringLiteral("373 K") : QStringLiteral("100°");
}

std::vector<MenuBarPart> combinedParts(const Hub& hub, const Config& config) {
    const QString memoryText = Fmt::percent(memoryPercent(hub));
    return {
        MenuBarGraph{fractions(hub.cpu.totalHistory.values, 100), Tint::blue},
        MenuBarBar{hub.memory.pressure / 100, memoryTint(hub.memory.pressureLevel, true)},
        MenuBarStacked{QStringLiteral("CPU ") + cpuText(hub), QStringLiteral("MEM ") + memoryText,
                       QStringLiteral("CPU 100%")},
        MenuBarStacked{temperatureText(hub, config.temperatureUnit),
                       QStringLiteral("↓ ") + Fmt::rate(hub.network.download, config.bandwidthBits),
                       rateTemplate(config.bandwidthBits)},
    };
}

std::vector<MenuBarPart> sensorParts(DisplayStyle style, const Hub& hub, TempUnit unit) {
    const MenuBarText single = text(temperatureText(hub, unit), temperatureTemplate(unit));
    const MenuBarSymbol symbol{QStringLiteral("thermometer.medium")};
    if (style != DisplayStyle::text)
        return styled(style, symbol, single, single);
    if (hub.sensors.fans.empty())
        return {single};
    // A reading that is not a whole number of revolutions in range has no text: the lower line
    // stays empty rather than printing an undefined conversion.
    const auto rpm = numbers::truncatedInt64(hub.sensors.fans.front().rpm);
    const QString fan =
        rpm ? QString::fromStdString(numbers::integerText(*rpm)) + QStringLiteral(" rpm")
            : QString();
    return {MenuBarStacked{single.text, fan, QStringLiteral("9999 rpm")}};
}

std::vector<MenuBarPart> weatherParts(DisplayStyle style, const Hub& hub, TempUnit unit) {
    const auto& report = hub.weather.report();
    if (!report) {
        const MenuBarText none = text(dash, weatherTemplate(unit));
        return styled(style, MenuBarSymbol{QStringLiteral("cloud")}, none, none);
    }
    const MenuBarText reading =
        text(format(unit, report->current.temperature, 0), weatherTemplate(unit));
    const MenuBarSymbol symbol{WeatherCode::symbol(report->current.code, report->current.isDay),
                               true};
    return styled(style, symbol, reading, reading);
}

QString noonTemplate(const QDateTime& now, const QTimeZone& zone) {
    // Noon is never skipped by a daylight-saving change, but a zone could: then no template.
    const QDateTime noon(now.toTimeZone(zone).date(), QTime(12, 0), zone);
    return noon.isValid() ? Fmt::time(noon, zone) : dash;
}

std::vector<MenuBarPart> astronomyParts(DisplayStyle style, const Hub& hub, const QDateTime& now) {
    // Looked up once per drawing (each look-up asks the file system), and on every drawing, so
    // a change of the system's zone shows at the next tick.
    const QTimeZone zone = QTimeZone::systemTimeZone();
    const QString widthTemplate = noonTemplate(now, zone);
    const auto event = hub.astronomy.nextSunEvent(now);
    if (!event) {
        const MenuBarText none = text(dash, widthTemplate);
        return styled(style, MenuBarSymbol{QStringLiteral("sun.horizon")}, none, none);
    }
    const MenuBarText time = text(Fmt::time(event->date, zone), widthTemplate);
    const MenuBarSymbol symbol{
        event->isSunrise ? QStringLiteral("sunrise.fill") : QStringLiteral("sunset.fill"), true};
    return styled(style, symbol, time, time);
}

std::vector<MenuBarPart> timeParts(DisplayStyle style, const Config& config, const QDateTime& now) {
    const MenuBarSymbol globe{QStringLiteral("globe")};
    const QString line = clockLine(config, now);
    if (line.isEmpty())
        return {globe};
    const MenuBarText clocks = text(line, clockTemplate(line));
    return styled(style, globe, clocks, clocks);
}

} // namespace

QString rateTemplate(bool bits) {
    return bits ? QStringLiteral("↓ 1000 Mb/s") : QStringLiteral("↓ 1023 MB/s");
}

QString weatherTemplate(TempUnit unit) {
    switch (unit) {
    case TempUnit::kelvin:
        return QStringLiteral("373 K");
    case TempUnit::fahrenheit:
        return QStringLiteral("100°");
    case TempUnit::celsius:
        break;
    }
    return QStringLiteral("-10°");
}

QString cityLabel(const QString& identifier) {
    const QStringList pieces = identifier.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return identifier;
    return QString(pieces.last()).replace(QLatin1Char('_'), QLatin1Char(' '));
}

QString clockLine(const Config& config, const QDateTime& now) {
    QStringList entries;
    for (const QString& identifier : config.worldClocks) {
        if (!config.menubarClocks.contains(identifier))
            continue;
        const QTimeZone zone = platform::listedTimeZone(identifier);
        if (!zone.isValid())
            continue;
        QString label;
        if (config.clockLabel == ClockLabel::abbreviation)
            label = zone.abbreviation(now);
        if (label.isEmpty())
            label = cityLabel(identifier);
        entries.append(label + QLatin1Char(' ') + Fmt::time(now, zone));
    }
    return entries.join(QStringLiteral("  "));
}

QString clockTemplate(const QString& line) {
    QString shape = line;
    for (QChar& character : shape) {
        if (character.isNumber())
            character = QLatin1Char('0');
    }
    return shape;
}

std::vector<MenuBarPart> parts(const ModuleConfig& module, const Hub& hub, const Config& config) {
    return parts(module, hub, config, hub.clock.now());
}

std::vector<MenuBarPart> parts(const ModuleConfig& module, const Hub& hub, const Config& config,
                               const QDateTime& now) {
    const DisplayStyle style = module.style;
    switch (module.kind) {
    case ModuleKind::combined: {
        std::vector<MenuBarPart> result = combinedParts(hub, config);
        if (style == DisplayStyle::icon)
            return {MenuBarAppGlyph{}};
        if (style == DisplayStyle::iconAndText)
            result.insert(result.begin(), MenuBarAppGlyph{});
        return result;
    }
    case ModuleKind::cpu: {
        const MenuBarText value = text(cpuText(hub), percentTemplate);
        const MenuBarGraph graph{fractions(hub.cpu.totalHistory.values, 100), Tint::blue};
        const MenuBarSymbol symbol{QStringLiteral("cpu")};
        return style == DisplayStyle::graph || style == DisplayStyle::graphAndText
                   ? styled(style, graph, value, value)
                   : styled(style, symbol, value, value);
    }
    case ModuleKind::gpu: {
        const MenuBarText value = text(Fmt::percent(hub.gpu.utilization()), percentTemplate);
        const std::vector<double> history =
            hub.gpu.gpus.empty() ? std::vector<double>{}
                                 : fractions(hub.gpu.gpus.front().history.values, 100);
        const MenuBarGraph graph{history, Tint::purple};
        const MenuBarSymbol symbol{QStringLiteral("display")};
        return style == DisplayStyle::graph || style == DisplayStyle::graphAndText
                   ? styled(style, graph, value, value)
                   : styled(style, symbol, value, value);
    }
    case ModuleKind::memory: {
        const MenuBarText value = text(Fmt::percent(memoryPercent(hub)), percentTemplate);
        const Tint tint = memoryTint(hub.memory.pressureLevel, false);
        switch (style) {
        case DisplayStyle::graph:
            return {MenuBarGraph{fractions(hub.memory.pressureHistory.values, 100), tint}};
        case DisplayStyle::graphAndText:
            return {MenuBarBar{hub.memory.pressure / 100, tint}, value};
        default:
            return styled(style, MenuBarSymbol{QStringLiteral("memorychip")}, value, value);
        }
    }
    case ModuleKind::disks: {
        const MenuBarText value = text(diskText(hub), percentTemplate);
        return styled(style, MenuBarSymbol{QStringLiteral("internaldrive")}, value, value);
    }
    case ModuleKind::network: {
        const MenuBarStacked lines = rates(hub, config.bandwidthBits);
        switch (style) {
        case DisplayStyle::text:
            return {lines};
        case DisplayStyle::graph:
            return {networkGraph(hub)};
        case DisplayStyle::graphAndText:
            return {networkGraph(hub), lines};
        case DisplayStyle::icon:
            return {MenuBarSymbol{hub.network.internetReachable == false
                                      ? QStringLiteral("network.slash")
                                      : QStringLiteral("network")}};
        case DisplayStyle::iconAndText:
            return {MenuBarSymbol{QStringLiteral("network")}, lines};
        }
        return {lines};
    }
    case ModuleKind::sensors:
        return sensorParts(style, hub, config.temperatureUnit);
    case ModuleKind::battery: {
        const MenuBarText value = text(Fmt::percent(hub.battery.percent), percentTemplate);
        const MenuBarBattery level{hub.battery.percent / 100, hub.battery.isCharging};
        switch (style) {
        case DisplayStyle::text:
            return {value};
        case DisplayStyle::icon:
            return {level};
        default:
            return {level, value};
        }
    }
    case ModuleKind::weather:
        return weatherParts(style, hub, config.temperatureUnit);
    case ModuleKind::astronomy:
        return astronomyParts(style, hub, now);
    case ModuleKind::time:
        return timeParts(style, config, now);
    }
    return {MenuBarAppGlyph{}};
}

} // namespace morvanex::ui::MenuBarContent
