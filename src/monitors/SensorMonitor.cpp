#include "monitors/SensorMonitor.h"

#include "monitors/SMC.h"
#include "platform/Log.h"

#include <QHash>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <exception>
#include <mutex>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace morvanex {
namespace {

struct KnownPower {
    const char* name;
    SensorKind kind;
};

// The only keys not beginning with "T" that can become sensors (all of group power).
const QHash<QString, KnownPower>& knownPower() {
    static const QHash<QString, KnownPower> table{
        {QStringLiteral("PSTR"), {"System Total", SensorKind::power}},
        {QStringLiteral("PDTR"), {"DC In", SensorKind::power}},
        {QStringLiteral("PPBR"), {"Battery", SensorKind::power}},
        {QStringLiteral("PCPC"), {"CPU Package", SensorKind::power}},
        {QStringLiteral("PC0C"), {"CPU Core", SensorKind::power}},
        {QStringLiteral("PG0R"), {"GPU", SensorKind::power}},
        {QStringLiteral("VD0R"), {"DC In", SensorKind::voltage}},
        {QStringLiteral("VP0R"), {"12V Rail", SensorKind::voltage}},
        {QStringLiteral("ID0R"), {"DC In", SensorKind::current}},
        {QStringLiteral("IPBR"), {"Battery", SensorKind::current}},
    };
    return table;
}

std::optional<double> readNumber(SMC& smc, const QString& key) {
    const auto value = smc.read(key);
    return value ? value->doubleValue() : std::nullopt;
}

// Utility priority for the calling thread: Linux keeps a nice value per thread.
void lowerPriority() {
    ::setpriority(PRIO_PROCESS, ::gettid(), 10);
    ::pthread_setname_np(::pthread_self(), "Morvanex.sensor");
}

} // namespace

std::pair<QString, SensorGroup> SensorMonitor::describeTemperature(const QString& key) {
    const QStringView two = QStringView(key).left(2);
    const auto is = [&two](const char* prefix) { return two == QLatin1StringView(prefix); };
    if (is("Tp"))
        return {QStringLiteral("CPU Performance Core"), SensorGroup::cpu};
    if (is("Te"))
        return {QStringLiteral("CPU Efficiency Core"), SensorGroup::cpu};
    if (is("Tg") || is("TG"))
        return {QStringLiteral("GPU"), SensorGroup::gpu};
    if (is("Tm") || is("TM"))
        return {QStringLiteral("Memory"), SensorGroup::memory};
    if (is("TB"))
        return {QStringLiteral("Battery"), SensorGroup::battery};
    if (is("TH"))
        return {QStringLiteral("SSD"), SensorGroup::storage};
    if (is("TW"))
        return {QStringLiteral("Wi-Fi"), SensorGroup::system};
    if (is("Ts"))
        return {QStringLiteral("Palm Rest"), SensorGroup::system};
    if (is("Ta"))
        return {QStringLiteral("Airflow"), SensorGroup::system};
    if (is("TA"))
        return {QStringLiteral("Ambient"), SensorGroup::system};
    if (is("TP"))
        return {QStringLiteral("Platform Controller Hub"), SensorGroup::system};
    if (is("TI"))
        return {QStringLiteral("Thunderbolt"), SensorGroup::system};
    if (is("TC")) {
        if (key == QLatin1String("TC0P"))
            return {QStringLiteral("CPU Proximity"), SensorGroup::cpu};
        if (key.size() == 4 && key.endsWith(QLatin1Char('C')) && key[2].isDigit() &&
            key[2].unicode() < 0x80)
            return {QStringLiteral("CPU Core"), SensorGroup::cpu};
        return {QStringLiteral("CPU Die"), SensorGroup::cpu};
    }
    return {QStringLiteral("Sensor ") + key, SensorGroup::other};
}

int SensorMonitor::fanCountFrom(std::optional<double> value) {
    return int(std::min<std::int64_t>(smcCount(value), 8));
}

SensorMonitor::Discovery SensorMonitor::discover(SMC& smc) {
    if (!smc.isOpen())
        return {};
    std::vector<Sensor> found;
    const std::int64_t count = smc.keyCount();
    for (std::int64_t index = 0; index < count; ++index) {
        const auto key = smc.keyAt(index);
        if (!key)
            continue;
        if (key->startsWith(QLatin1Char('T'))) {
            const auto value = readNumber(smc, *key);
            if (!value || !(*value > 5 && *value < 125))
                continue;
            const auto [name, group] = describeTemperature(*key);
            found.push_back({*key, name, group, SensorKind::temperature, *value, *value});
        } else if (const auto known = knownPower().constFind(*key);
                   known != knownPower().constEnd()) {
            const auto value = readNumber(smc, *key);
            if (!value || !std::isfinite(*value) || !(*value >= 0 && *value < 1000))
                continue;
            found.push_back({*key, QString::fromLatin1(known->name), SensorGroup::power,
                             known->kind, *value, *value});
        }
    }

    QHash<QString, int> repeats;
    for (const Sensor& sensor : found) {
        if (sensor.kind == SensorKind::temperature)
            ++repeats[sensor.name];
    }
    std::stable_sort(found.begin(), found.end(), [](const Sensor& a, const Sensor& b) {
        return QStringView(a.key).compare(QStringView(b.key), Qt::CaseSensitive) < 0;
    });
    QHash<QString, int> counters;
    for (Sensor& sensor : found) {
        if (sensor.kind == SensorKind::temperature && repeats.value(sensor.name) > 1)
            sensor.name += QLatin1Char(' ') + QString::number(++counters[sensor.name]);
    }

    return {std::move(found), fanCountFrom(readNumber(smc, QStringLiteral("FNum")))};
}

struct SensorMonitor::DiscoverySlot {
    std::mutex mutex;
    bool done = false;
    Discovery result;
};

SensorMonitor::SensorMonitor(SMC* smc) : smc_(smc) {}

SensorMonitor::~SensorMonitor() {
    if (discovery_.joinable())
        discovery_.join();
}

SMC& SensorMonitor::smc() const {
    return smc_ ? *smc_ : SMC::shared();
}

void SensorMonitor::start() {
    if (slot_ || isReady)
        return;
    slot_ = std::make_shared<DiscoverySlot>();
    discovery_ = std::thread([slot = slot_, smc = smc_] {
        lowerPriority();
        Discovery result;
        // A failure finds nothing: the monitor still becomes ready, with empty lists.
        try {
            result = discover(smc ? *smc : SMC::shared());
        } catch (const std::exception& error) {
            qCWarning(log::monitors, "Sensor discovery failed: %s", error.what());
        } catch (...) {
            qCWarning(log::monitors, "Sensor discovery failed");
        }
        const std::lock_guard lock(slot->mutex);
        slot->result = std::move(result);
        slot->done = true;
    });
    collectTimer_ = std::make_unique<QTimer>();
    collectTimer_->setInterval(20);
    QObject::connect(collectTimer_.get(), &QTimer::timeout, [this] { collectDiscovery(); });
    collectTimer_->start();
}

void SensorMonitor::collectDiscovery() {
    Discovery taken;
    {
        const std::lock_guard lock(slot_->mutex);
        if (!slot_->done)
            return;
        taken = std::move(slot_->result);
    }
    collectTimer_->stop();
    if (discovery_.joinable())
        discovery_.join(); // it has finished its work
    finishDiscovery(std::move(taken));
}

void SensorMonitor::finishDiscovery(Discovery discovery) {
    sensors = std::move(discovery.sensors);
    fanCount = std::clamp(discovery.fanCount, 0, 8);
    isReady = true;
    sample();
}

void SensorMonitor::sample() {
    if (!isReady)
        return;
    SMC& controller = smc();
    for (Sensor& sensor : sensors) {
        const auto value = readNumber(controller, sensor.key);
        if (!value || !std::isfinite(*value))
            continue;
        sensor.value = *value;
        sensor.peak = std::max(sensor.peak, *value);
        auto entry = histories.find(sensor.key);
        if (entry == histories.end())
            entry = histories.emplace(sensor.key, History(120)).first;
        entry->second.add(*value);
    }

    std::vector<Fan> next;
    next.reserve(std::size_t(fanCount));
    for (int i = 0; i < fanCount; ++i) {
        const QString base = QStringLiteral("F") + QString::number(i);
        Fan fan;
        fan.index = i;
        fan.rpm = readNumber(controller, base + QStringLiteral("Ac")).value_or(0);
        fan.minimum = readNumber(controller, base + QStringLiteral("Mn")).value_or(0);
        fan.maximum = readNumber(controller, base + QStringLiteral("Mx")).value_or(0);
        next.push_back(fan);
    }
    fans = std::move(next);
    if (!fans.empty()) {
        double fastest = fans.front().rpm;
        for (const Fan& fan : fans)
            fastest = std::max(fastest, fan.rpm);
        fanHistory.add(fastest);
    }
}

std::vector<Sensor> SensorMonitor::temperatures(SensorGroup group) const {
    std::vector<Sensor> out;
    for (const Sensor& sensor : sensors) {
        if (sensor.group == group && sensor.kind == SensorKind::temperature)
            out.push_back(sensor);
    }
    return out;
}

std::optional<SensorMonitor::Summary> SensorMonitor::summary(SensorGroup group) const {
    const auto list = temperatures(group);
    if (list.empty())
        return std::nullopt;
    double sum = 0;
    double maximum = list.front().value;
    for (const Sensor& sensor : list) {
        sum += sensor.value;
        maximum = std::max(maximum, sensor.value);
    }
    return Summary{sum / double(list.size()), maximum};
}

std::optional<double> SensorMonitor::cpuTemperature() const {
    if (const auto cpu = summary(SensorGroup::cpu))
        return cpu->maximum;
    std::optional<double> hottest;
    for (const Sensor& sensor : sensors) {
        if (sensor.kind == SensorKind::temperature)
            hottest = hottest ? std::max(*hottest, sensor.value) : sensor.value;
    }
    return hottest;
}

std::optional<Sensor> SensorMonitor::sensor(const QString& key) const {
    for (const Sensor& sensor : sensors) {
        if (sensor.key == key)
            return sensor;
    }
    return std::nullopt;
}

} // namespace morvanex
