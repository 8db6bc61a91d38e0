#include "platform/linux/DrmGpus.h"

#include "platform/ParseNumber.h"
#include "platform/linux/ProcFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace morvanex::platform {
namespace {

std::optional<double> number(const QString& path) {
    const auto value = procfiles::readInteger(path);
    return value ? std::optional(double(*value)) : std::nullopt;
}

QString line(const QString& path) {
    const auto text = procfiles::readLine(path);
    return text ? QString::fromUtf8(*text).trimmed() : QString();
}

bool hasRenderNode(const QString& device) {
    return !QDir(device + QStringLiteral("/drm"))
                .entryList({QStringLiteral("renderD*")}, QDir::Dirs | QDir::NoDotAndDotDot)
                .isEmpty();
}

} // namespace

std::vector<DrmGpu> readDrmGpus(const Roots& roots) {
    static const QRegularExpression cardName(QStringLiteral("^card([0-9]+)$"));
    const QString base = roots.sys + QStringLiteral("/class/drm");
    std::vector<std::pair<int, DrmGpu>> found;
    for (const QString& entry : QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const auto match = cardName.match(entry);
        const auto cardNumber =
            match.hasMatch() ? parseInteger<int>(match.captured(1).toLatin1()) : std::nullopt;
        if (!cardNumber)
            continue;
        const QString card = base + QLatin1Char('/') + entry;
        const QString device = card + QStringLiteral("/device");
        if (!QFileInfo(device).isDir() || !hasRenderNode(device))
            continue;
        DrmGpu gpu;
        gpu.card = entry;
        gpu.devicePath = QFileInfo(device).canonicalFilePath();
        if (const auto uevent = procfiles::read(device + QStringLiteral("/uevent"))) {
            for (const QByteArray& field : uevent->split('\n')) {
                if (field.startsWith("DRIVER="))
                    gpu.driver = QString::fromUtf8(field.mid(7)).trimmed();
                else if (field.startsWith("PCI_ID="))
                    gpu.pciId = QString::fromUtf8(field.mid(7)).trimmed().toUpper();
            }
        }
        gpu.suspended =
            line(device + QStringLiteral("/power/runtime_status")) == QLatin1String("suspended");
        gpu.productName = line(device + QStringLiteral("/product_name")); // never wakes it
        if (!gpu.suspended) {
            gpu.busyPercent = number(device + QStringLiteral("/gpu_busy_percent"));
            gpu.vramUsed = number(device + QStringLiteral("/mem_info_vram_used"));
            for (const QString& idle :
                 {card + QStringLiteral("/gt/gt0/rc6_residency_ms"),
                  card + QStringLiteral("/power/rc6_residency_ms"),
                  device + QStringLiteral("/tile0/gt0/gtidle/idle_residency_ms")}) {
                if ((gpu.idleResidencyMs = number(idle)))
                    break;
            }
        }
        found.emplace_back(*cardNumber, std::move(gpu));
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<DrmGpu> gpus;
    for (auto& [_, gpu] : found)
        gpus.push_back(std::move(gpu));
    return gpus;
}

} // namespace morvanex::platform
