#include "app/InsightEngine.h"

#include "app/Hub.h"
#include "base/Fmt.h"
#include "base/Numbers.h"
#include "platform/Notifier.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace morvanex {
namespace {

const QString dash = QStringLiteral(" \u2014 ");

// How long each condition must hold before a line names it, in seconds.
constexpr double memoryHold = 30;
constexpr double processorHold = 120;
constexpr double diskHold = 30;
constexpr double batteryHold = 120;
constexpr double networkHold = 60;
// Only after this long has every condition had its chance to be named, so only then does the
// absence of a line mean the machine is quiet.
constexpr double longestHold =
    std::max({memoryHold, processorHold, diskHold, batteryHold, networkHold});

QString integerText(std::int64_t value) {
    return QString::fromStdString(numbers::integerText(value));
}

} // namespace

Insight Insight::watching() {
    Insight line;
    line.text =
        QStringLiteral("Still watching") + dash + QStringLiteral("too soon to tell what is busy.");
    return line;
}

void Sustained::update(bool holds, const QDateTime& now) {
    if (holds) {
        if (!since)
            since = now;
        misses = 0;
        return;
    }
    if (!since)
        return;
    if (++misses >= 4) {
        since.reset();
        misses = 0;
    }
}

bool Sustained::heldFor(double seconds, const QDateTime& now) const {
    return since && double(since->msecsTo(now)) / 1000 >= seconds;
}

InsightEngine::InsightEngine(Hub& hub, Post post) : hub_(hub), post_(std::move(post)) {
    if (!post_)
        post_ = [](const QString& title, const QString& body) {
            Notifier::shared().post(title, body);
        };
}

QString InsightEngine::minutes(double seconds) {
    const std::int64_t m = numbers::truncatedInt64(seconds / 60).value_or(0);
    if (m < 60)
        return integerText(std::max<std::int64_t>(m, 1)) + QStringLiteral(" min");
    if (m < 120)
        return QStringLiteral("1 h ") + integerText(m - 60) + QStringLiteral(" min");
    return integerText(m / 60) + QStringLiteral(" h");
}

void InsightEngine::update(const QDateTime& now) {
    const BatteryMonitor& battery = hub_.battery;
    memoryPressure.update(hub_.memory.pressureLevel >= 2, now);
    cpuTotal.update(hub_.cpu.user + hub_.cpu.system >= 70, now);
    diskBusy.update(hub_.disks.readRate + hub_.disks.writeRate >= 50'000'000, now);
    networkBusy.update(std::max(hub_.network.download, hub_.network.upload) >= 10'000'000, now);
    batteryDrain.update(battery.present && !battery.onAC && battery.voltage && battery.amperage &&
                            std::abs(*battery.amperage * *battery.voltage) >= 20,
                        now);

    std::set<std::int32_t> busy;
    for (const ProcessSample& process : hub_.processes.processes) {
        if (process.cpu >= 80)
            busy.insert(process.pid);
    }
    std::vector<std::int32_t> before;
    for (const auto& [pid, tracker] : processCPU)
        before.push_back(pid);
    for (std::int32_t pid : busy)
        processCPU[pid].update(true, now);
    for (std::int32_t pid : before) {
        if (busy.count(pid))
            continue;
        Sustained& tracker = processCPU[pid];
        tracker.update(false, now);
        if (!tracker.since)
            processCPU.erase(pid);
    }
}

std::optional<double> InsightEngine::fanLoad() const {
    std::optional<double> load;
    for (const Fan& fan : hub_.sensors.fans) {
        const double share =
            fan.minimum < fan.maximum
                ? std::clamp((fan.rpm - fan.minimum) / (fan.maximum - fan.minimum) * 100, 0.0,
                             100.0)
                : 0.0;
        load = std::max(load.value_or(share), share);
    }
    return load;
}

std::optional<Insight> InsightEngine::pick(const QDateTime& now) const {
    const ProcessMonitor& processes = hub_.processes;
    const auto topBy = [&processes](double ProcessSample::*key) -> std::optional<ProcessSample> {
        const auto top = processes.top(key, 1);
        if (top.empty())
            return std::nullopt;
        return top.front();
    };

    // Memory pressure and the process using the most memory.
    if (memoryPressure.heldFor(memoryHold, now) && !processes.processes.empty()) {
        const ProcessSample process = *topBy(&ProcessSample::memory);
        const bool critical = hub_.memory.pressureLevel > 3;
        return Insight{Insight::Kind::memory,
                       QStringLiteral("Memory pressure is ") +
                           (critical ? QStringLiteral("critical") : QStringLiteral("high")) + dash +
                           process.name + QStringLiteral(" is using ") +
                           Fmt::bytes(process.memory, 1024) + QLatin1Char('.'),
                       critical ? Insight::Severity::critical : Insight::Severity::warning,
                       ModuleKind::memory, process.pid};
    }

    // A process that kept the processor busy, else the busiest one while the whole processor is.
    std::optional<ProcessSample> busiest;
    std::optional<std::pair<std::int32_t, QDateTime>> longest;
    for (const auto& [pid, tracker] : processCPU) {
        // Ties go to the lowest process id, so the line does not flip between equals.
        if (tracker.heldFor(processorHold, now) && (!longest || *tracker.since < longest->second))
            longest = std::pair{pid, *tracker.since};
    }
    if (longest) {
        const auto it =
            std::find_if(processes.processes.begin(), processes.processes.end(),
                         [&](const ProcessSample& p) { return p.pid == longest->first; });
        if (it != processes.processes.end())
            busiest = *it;
    }
    if (!busiest && cpuTotal.heldFor(processorHold, now) && !processes.processes.empty())
        busiest = topBy(&ProcessSample::cpu);
    if (busiest) {
        const auto own = processCPU.find(busiest->pid);
        const Sustained& tracker = own != processCPU.end() ? own->second : cpuTotal;
        const double duration = tracker.since ? double(tracker.since->msecsTo(now)) / 1000 : 0;
        QString suffix = QStringLiteral(".");
        const auto temperature = hub_.sensors.cpuTemperature();
        if (const auto load = fanLoad(); load && *load >= 40)
            suffix = dash + QStringLiteral("fans are up.");
        else if (temperature && *temperature >= 90)
            suffix = dash + QStringLiteral("running hot.");
        return Insight{Insight::Kind::cpu,
                       busiest->name + QStringLiteral(" has used ") + Fmt::percent(busiest->cpu) +
                           QStringLiteral(" CPU for ") + minutes(duration) + suffix,
                       Insight::Severity::warning, ModuleKind::cpu, busiest->pid};
    }

    // An almost full system disk (the one holding /).
    if (const auto volume = hub_.disks.startupVolume(); volume && volume->usedPercent() >= 95) {
        return Insight{Insight::Kind::storage,
                       QStringLiteral("System disk is almost full") + dash +
                           Fmt::bytes(volume->availableImportant, 1000) + QStringLiteral(" free."),
                       Insight::Severity::critical, ModuleKind::disks, std::nullopt};
    }

    // Busy disks.
    if (diskBusy.heldFor(diskHold, now)) {
        const bool writing = !(hub_.disks.readRate > hub_.disks.writeRate);
        const QString direction = writing ? QStringLiteral("writing") : QStringLiteral("reading");
        const QString rate = Fmt::rate(writing ? hub_.disks.writeRate : hub_.disks.readRate, false);
        const auto process = topBy(writing ? &ProcessSample::diskWrite : &ProcessSample::diskRead);
        return Insight{Insight::Kind::disk,
                       QStringLiteral("Disk is busy") + dash +
                           (process ? process->name + QStringLiteral(" is ") : QString()) +
                           direction + QLatin1Char(' ') + rate + QLatin1Char('.'),
                       Insight::Severity::info, ModuleKind::disks,
                       process ? std::optional(process->pid) : std::nullopt};
    }

    // A battery draining fast.
    if (batteryDrain.heldFor(batteryHold, now)) {
        const BatteryMonitor& battery = hub_.battery;
        QString text = QStringLiteral("Battery is draining fast");
        if (battery.voltage && battery.amperage)
            text += QStringLiteral(" at ") +
                    Fmt::number(std::abs(*battery.amperage * *battery.voltage), 1) +
                    QStringLiteral(" W");
        if (battery.minutesRemaining) {
            const std::int64_t left = *battery.minutesRemaining;
            const std::int64_t rest = left % 60;
            text += dash + QStringLiteral("about ") + integerText(left / 60) + QLatin1Char(':') +
                    (rest >= 0 && rest < 10 ? QStringLiteral("0") : QString()) + integerText(rest) +
                    QStringLiteral(" left");
        }
        return Insight{Insight::Kind::battery, text + QLatin1Char('.'), Insight::Severity::warning,
                       ModuleKind::battery, std::nullopt};
    }

    // Busy network.
    if (networkBusy.heldFor(networkHold, now)) {
        const bool bits = hub_.settings.config().bandwidthBits;
        const NetworkMonitor& network = hub_.network;
        const bool downloading = !(network.upload > network.download);
        return Insight{Insight::Kind::network,
                       QStringLiteral("Network is busy") + dash +
                           (downloading
                                ? QStringLiteral("downloading ") + Fmt::rate(network.download, bits)
                                : QStringLiteral("uploading ") + Fmt::rate(network.upload, bits)) +
                           QLatin1Char('.'),
                       Insight::Severity::info, ModuleKind::network, std::nullopt};
    }
    return std::nullopt;
}

void InsightEngine::evaluate(const QDateTime& now) {
    const Config config = hub_.settings.config();
    // A clock set back restarts the watch rather than stretching it.
    if (!watchingSince || now < *watchingSince)
        watchingSince = now;
    update(now);
    const bool watchedLongEnough = double(watchingSince->msecsTo(now)) / 1000 >= longestHold;
    const Insight next = pick(now).value_or(watchedLongEnough ? Insight{} : Insight::watching());
    if (next.kind != current.kind && next.kind != Insight::Kind::quiet &&
        next.severity != Insight::Severity::info && config.insightNotifications && !hub_.isHeadless)
        notify(next, now);
    current = next;
}

void InsightEngine::notify(const Insight& insight, const QDateTime& now) {
    const auto last = lastNotified.find(insight.kind);
    if (last != lastNotified.end() && last->second.msecsTo(now) < 1'800'000)
        return;
    lastNotified[insight.kind] = now;
    post_(QStringLiteral("Morvanex"), insight.text);
}

} // namespace morvanex
