#include "platform/linux/HwmonChips.h"

#include "platform/ParseNumber.h"
#include "platform/linux/ProcFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <map>
#include <tuple>

namespace morvanex::platform {
namespace {

QString firstLine(const QString& path) {
    const auto line = procfiles::readLine(path);
    return line ? QString::fromUtf8(*line) : QString();
}

std::vector<HwmonChannel> readChannels(const QString& folder) {
    static const QRegularExpression pattern(
        QStringLiteral("^(temp|fan|power)([0-9]+)_(input|average)$"));
    // Keyed by kind and number so each channel appears once, in order.
    std::map<std::pair<int, int>, HwmonChannel> channels;
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::System);
    for (const QString& file : files) {
        const auto match = pattern.match(file);
        if (!match.hasMatch())
            continue;
        const QString prefix = match.captured(1);
        const auto parsed = parseInteger<int>(match.captured(2).toLatin1());
        if (!parsed)
            continue; // more digits than any chip has channels
        const int number = *parsed;
        const bool average = match.captured(3) == QLatin1String("average");
        if (average && prefix != QLatin1String("power"))
            continue;
        HwmonChannel channel;
        channel.kind = prefix == QLatin1String("temp")  ? HwmonChannel::Kind::temperature
                       : prefix == QLatin1String("fan") ? HwmonChannel::Kind::fan
                                                        : HwmonChannel::Kind::power;
        channel.number = number;
        const QString base = folder + QLatin1Char('/') + prefix + QString::number(number);
        auto [slot, inserted] = channels.try_emplace({int(channel.kind), number}, channel);
        // A power channel may offer both; the average is the steadier figure.
        if (inserted || average)
            slot->second.input = folder + QLatin1Char('/') + file;
        slot->second.label = firstLine(base + QStringLiteral("_label")).trimmed();
        if (channel.kind == HwmonChannel::Kind::fan) {
            if (QFileInfo::exists(base + QStringLiteral("_min")))
                slot->second.minimum = base + QStringLiteral("_min");
            if (QFileInfo::exists(base + QStringLiteral("_max")))
                slot->second.maximum = base + QStringLiteral("_max");
        }
    }
    std::vector<HwmonChannel> out;
    out.reserve(channels.size());
    for (auto& [_, channel] : channels)
        out.push_back(std::move(channel));
    return out;
}

} // namespace

std::vector<HwmonChip> readHwmonChips(const Roots& roots) {
    const QString base = roots.sys + QStringLiteral("/class/hwmon");
    std::vector<HwmonChip> chips;
    for (const QString& entry : QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        HwmonChip chip;
        chip.path = base + QLatin1Char('/') + entry;
        chip.name = firstLine(chip.path + QStringLiteral("/name")).trimmed();
        if (chip.name.isEmpty())
            continue;
        const QFileInfo device(chip.path + QStringLiteral("/device"));
        if (device.exists()) {
            chip.devicePath = device.canonicalFilePath();
            chip.deviceType = firstLine(chip.path + QStringLiteral("/device/type")).trimmed();
        }
        chip.channels = readChannels(chip.path);
        chips.push_back(std::move(chip));
    }
    std::stable_sort(chips.begin(), chips.end(), [](const HwmonChip& a, const HwmonChip& b) {
        return std::tie(a.name, a.devicePath, a.path) < std::tie(b.name, b.devicePath, b.path);
    });
    return chips;
}

std::optional<double> readHwmonValue(const QString& path) {
    const auto value = procfiles::readInteger(path);
    if (!value)
        return std::nullopt;
    return double(*value);
}

} // namespace morvanex::platform
