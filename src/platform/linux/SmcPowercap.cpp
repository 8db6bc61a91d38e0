#include "platform/linux/SmcPowercap.h"

#include "platform/linux/ProcFiles.h"

#include <QDir>

namespace morvanex::platform {

PowercapZones readPowercapZones(const Roots& roots) {
    PowercapZones zones;
    const QString base = roots.sys + QStringLiteral("/class/powercap");
    const QStringList entries =
        QDir(base).entryList({QStringLiteral("intel-rapl:*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        const QString folder = base + QLatin1Char('/') + entry;
        const QString counter = folder + QStringLiteral("/energy_uj");
        if (!procfiles::readInteger(counter))
            continue;
        const auto name = procfiles::readLine(folder + QStringLiteral("/name"));
        if (!name)
            continue;
        const bool subzone = entry.count(QLatin1Char(':')) >= 2;
        if (!subzone && name->startsWith("package-"))
            zones.packages.push_back(counter);
        else if (!subzone && *name == "psys")
            zones.platform.push_back(counter);
        else if (subzone && *name == "core")
            zones.cores.push_back(counter);
    }
    return zones;
}

PowercapMeter::PowercapMeter(std::vector<QString> counters, Clock clock)
    : clock_(std::move(clock)) {
    for (QString& path : counters) {
        Counter counter;
        const QString range = QString(path).replace(QStringLiteral("/energy_uj"),
                                                    QStringLiteral("/max_energy_range_uj"));
        counter.range = double(procfiles::readInteger(range).value_or(0));
        counter.path = std::move(path);
        counters_.push_back(std::move(counter));
    }
}

std::optional<double> PowercapMeter::watts() {
    std::vector<double> energies;
    energies.reserve(counters_.size());
    for (const Counter& counter : counters_) {
        const auto energy = procfiles::readInteger(counter.path);
        if (!energy)
            return std::nullopt;
        energies.push_back(double(*energy));
    }
    const double now = clock_.monotonic();
    if (lastTime_ && now - *lastTime_ < 0.25)
        return lastWatts_;
    double joules = 0;
    for (std::size_t i = 0; i < counters_.size(); ++i) {
        double delta = energies[i] - counters_[i].last;
        if (delta < 0)
            delta = counters_[i].range > 0 ? delta + counters_[i].range : 0;
        joules += std::max(delta, 0.0) / 1e6;
        counters_[i].last = energies[i];
    }
    lastWatts_ = lastTime_ ? joules / (now - *lastTime_) : 0;
    lastTime_ = now;
    return lastWatts_;
}

} // namespace morvanex::platform
