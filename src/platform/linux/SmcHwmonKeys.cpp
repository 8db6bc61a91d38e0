#include "platform/linux/SmcHwmonKeys.h"

#include "platform/ParseNumber.h"
#include "platform/linux/CpuTopology.h"
#include "platform/linux/HwmonChips.h"
#include "platform/linux/ProcFiles.h"
#include "platform/linux/SmcPowercap.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <map>
#include <memory>
#include <set>

namespace morvanex::platform {
namespace {

enum class Family { coretemp, cpuDie, gpu, memory, storage, wifi, battery, pch, apple, unknown };

Family familyOf(const HwmonChip& chip) {
    const QString& name = chip.name;
    if (name == QLatin1String("coretemp"))
        return Family::coretemp;
    if (name == QLatin1String("k10temp") || name == QLatin1String("zenpower") ||
        (name.startsWith(QLatin1String("cpu")) && name.contains(QLatin1String("thermal"))) ||
        name == QLatin1String("soc_thermal"))
        return Family::cpuDie;
    if (name == QLatin1String("amdgpu") || name == QLatin1String("radeon") ||
        name == QLatin1String("nouveau") || name == QLatin1String("i915") ||
        name == QLatin1String("xe"))
        return Family::gpu;
    if (name == QLatin1String("jc42") || name == QLatin1String("spd5118"))
        return Family::memory;
    if (name == QLatin1String("nvme") || name == QLatin1String("drivetemp"))
        return Family::storage;
    if (name.startsWith(QLatin1String("iwlwifi")) || name.startsWith(QLatin1String("mt7")) ||
        name.startsWith(QLatin1String("rtw")) ||
        (name.startsWith(QLatin1String("ath")) && name.endsWith(QLatin1String("_hwmon"))))
        return Family::wifi;
    if (chip.deviceType == QLatin1String("Battery") || name.startsWith(QLatin1String("BAT")))
        return Family::battery;
    if (name.startsWith(QLatin1String("pch_")))
        return Family::pch;
    if (name == QLatin1String("applesmc"))
        return Family::apple;
    return Family::unknown;
}

// Hands out keys prefix by prefix, never the same key twice.
class KeyNamer {
public:
    std::optional<QByteArray> next(const QByteArray& prefix) {
        static constexpr char digits[] =
            "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        constexpr int base = sizeof digits - 1;
        const int limit = prefix.size() == 3 ? base : base * base;
        for (int& n = counters_[prefix]; n < limit; ++n) {
            QByteArray key = prefix;
            if (prefix.size() == 2)
                key += digits[n / base];
            key += digits[n % base];
            if (take(key)) {
                ++n;
                return key;
            }
        }
        return std::nullopt;
    }

    bool take(const QByteArray& key) { return used_.insert(key).second; }

private:
    std::map<QByteArray, int> counters_;
    std::set<QByteArray> used_;
};

// Cores (package, core id) whose logical processors are all efficiency processors.
std::set<std::pair<std::int64_t, std::int64_t>> efficiencyCores(const Roots& roots) {
    const CpuTopology topology = readCpuTopology(roots);
    std::set<std::pair<std::int64_t, std::int64_t>> efficient;
    std::set<std::pair<std::int64_t, std::int64_t>> performance;
    for (int cpu : topology.online) {
        const QString folder = roots.sys + QStringLiteral("/devices/system/cpu/cpu") +
                               QString::number(cpu) + QStringLiteral("/topology/");
        const auto core = procfiles::readInteger(folder + QStringLiteral("core_id"));
        if (!core)
            continue;
        const auto package =
            procfiles::readInteger(folder + QStringLiteral("physical_package_id")).value_or(0);
        (topology.efficiency.count(cpu) ? efficient : performance).insert({package, *core});
    }
    for (const auto& core : performance)
        efficient.erase(core);
    return efficient;
}

std::optional<std::int64_t> trailingNumber(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("([0-9]+)$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return parseInteger<std::int64_t>(match.captured(1).toLatin1());
}

// The key prefix of one temperature channel; nothing when the channel is left out.
std::optional<QByteArray>
temperaturePrefix(Family family, const HwmonChip& chip, const HwmonChannel& channel,
                  const std::set<std::pair<std::int64_t, std::int64_t>>& efficient) {
    switch (family) {
    case Family::coretemp: {
        if (!channel.label.startsWith(QLatin1String("Core ")))
            return QByteArray("TCD");
        // The chip's package: its "Package id N" channel, else its device (coretemp.N).
        std::optional<std::int64_t> package;
        for (const HwmonChannel& other : chip.channels) {
            if (other.label.startsWith(QLatin1String("Package id ")))
                package = trailingNumber(other.label);
        }
        if (!package)
            package = trailingNumber(QFileInfo(chip.devicePath).fileName());
        const auto core = trailingNumber(channel.label);
        return core && efficient.count({package.value_or(0), *core}) ? QByteArray("Te")
                                                                     : QByteArray("Tp");
    }
    case Family::cpuDie:
        return QByteArray("TCD");
    case Family::gpu:
        return QByteArray("Tg");
    case Family::memory:
        return QByteArray("Tm");
    case Family::storage:
        // An NVMe drive's first channel is its composite temperature; the others are raw
        // sensors of the same drive.
        if (chip.name == QLatin1String("nvme") && channel.number != 1)
            return std::nullopt;
        return QByteArray("TH");
    case Family::wifi:
        return QByteArray("TW");
    case Family::battery:
        return QByteArray("TB");
    case Family::pch:
        return QByteArray("TP");
    case Family::apple:
    case Family::unknown:
        return QByteArray("TZ");
    }
    return std::nullopt;
}

std::function<std::optional<QByteArray>()> scaledReader(QString path, double divisor) {
    return [path = std::move(path), divisor]() -> std::optional<QByteArray> {
        const auto value = readHwmonValue(path);
        if (!value)
            return std::nullopt;
        return smcFloatBytes(*value / divisor);
    };
}

SmcTableKey floatKey(QByteArray key, std::function<std::optional<QByteArray>()> read) {
    return {std::move(key), QByteArrayLiteral("flt "), 4, std::move(read)};
}

bool isAppleKey(const QString& label) {
    if (label.size() != 4)
        return false;
    for (const QChar c : label) {
        if (c.unicode() < 0x20 || c.unicode() >= 0x7F)
            return false;
    }
    return true;
}

} // namespace

std::vector<SmcTableKey> hwmonKeyTable(const Roots& roots, const Clock& clock) {
    const std::vector<HwmonChip> chips = readHwmonChips(roots);
    std::set<std::pair<std::int64_t, std::int64_t>> efficient;
    for (const HwmonChip& chip : chips) {
        if (familyOf(chip) == Family::coretemp) {
            efficient = efficiencyCores(roots);
            break;
        }
    }

    KeyNamer namer;
    std::vector<SmcTableKey> fans;
    std::vector<SmcTableKey> temperatures;
    std::vector<SmcTableKey> power;
    int fanCount = 0;
    bool haveGpuPower = false;

    // Real controller keys first, so the made-up ones step around them.
    for (const HwmonChip& chip : chips) {
        if (familyOf(chip) != Family::apple)
            continue;
        for (const HwmonChannel& channel : chip.channels) {
            if (channel.kind == HwmonChannel::Kind::temperature && isAppleKey(channel.label))
                namer.take(channel.label.toLatin1());
        }
    }

    for (const HwmonChip& chip : chips) {
        const Family family = familyOf(chip);
        for (const HwmonChannel& channel : chip.channels) {
            switch (channel.kind) {
            case HwmonChannel::Kind::temperature: {
                std::optional<QByteArray> key;
                if (family == Family::apple && isAppleKey(channel.label))
                    key = channel.label.toLatin1();
                else if (const auto prefix = temperaturePrefix(family, chip, channel, efficient))
                    key = namer.next(*prefix);
                if (key)
                    temperatures.push_back(floatKey(*key, scaledReader(channel.input, 1000)));
                break;
            }
            case HwmonChannel::Kind::fan: {
                // Keys have four characters, so fans 0 to 9 have keys; the monitor reads 8.
                if (fanCount > 9)
                    break;
                const QByteArray base = "F" + QByteArray::number(fanCount++);
                fans.push_back(floatKey(base + "Ac", scaledReader(channel.input, 1)));
                if (!channel.minimum.isEmpty())
                    fans.push_back(floatKey(base + "Mn", scaledReader(channel.minimum, 1)));
                if (!channel.maximum.isEmpty())
                    fans.push_back(floatKey(base + "Mx", scaledReader(channel.maximum, 1)));
                break;
            }
            case HwmonChannel::Kind::power:
                if (family == Family::gpu && !haveGpuPower) {
                    haveGpuPower = true;
                    power.push_back(floatKey("PG0R", scaledReader(channel.input, 1e6)));
                }
                break;
            }
        }
    }

    const PowercapZones zones = readPowercapZones(roots);
    const auto meterKey = [&](const char* key, const std::vector<QString>& counters) {
        if (counters.empty())
            return;
        auto meter = std::make_shared<PowercapMeter>(counters, clock);
        power.push_back(floatKey(key, [meter]() -> std::optional<QByteArray> {
            const auto watts = meter->watts();
            if (!watts)
                return std::nullopt;
            return smcFloatBytes(*watts);
        }));
    };
    meterKey("PCPC", zones.packages);
    meterKey("PC0C", zones.cores);
    meterKey("PSTR", zones.platform);

    if (fans.empty() && temperatures.empty() && power.empty())
        return {};

    std::vector<SmcTableKey> table;
    const std::size_t total = 2 + fans.size() + temperatures.size() + power.size();
    table.push_back(
        {"#KEY", "ui32", 4, [total] { return std::optional(smcUnsignedBytes(total, 4)); }});
    const int fanNumber = std::min(fanCount, 255);
    table.push_back(
        {"FNum", "ui8 ", 1, [fanNumber] { return std::optional(smcUnsignedBytes(fanNumber, 1)); }});
    for (auto* part : {&fans, &temperatures, &power})
        table.insert(table.end(), std::make_move_iterator(part->begin()),
                     std::make_move_iterator(part->end()));
    return table;
}

} // namespace morvanex::platform
