#include "platform/linux/DrmPciNames.h"

#include <QFile>

namespace morvanex::platform {
namespace {

// The text inside the last [...] of a name, or the whole name.
QString bracketed(const QString& name) {
    const qsizetype close = name.lastIndexOf(QLatin1Char(']'));
    const qsizetype open = close > 0 ? name.lastIndexOf(QLatin1Char('['), close) : -1;
    if (open >= 0 && close > open + 1)
        return name.mid(open + 1, close - open - 1).trimmed();
    return name.trimmed();
}

QString vendorShortName(const QString& vendorId, const QString& vendorName) {
    if (vendorId == QLatin1String("1002") || vendorId == QLatin1String("1022"))
        return QStringLiteral("AMD");
    if (vendorId == QLatin1String("8086"))
        return QStringLiteral("Intel");
    if (vendorId == QLatin1String("10de"))
        return QStringLiteral("NVIDIA");
    return bracketed(vendorName);
}

} // namespace

QStringList defaultPciIdsFiles() {
    return {QStringLiteral("/usr/share/misc/pci.ids"), QStringLiteral("/usr/share/hwdata/pci.ids"),
            QStringLiteral("/usr/share/pci.ids")};
}

std::optional<QString> pciDeviceName(const QStringList& files, const QString& pciId) {
    const QStringList parts = pciId.toLower().split(QLatin1Char(':'));
    if (parts.size() != 2 || parts[0].size() != 4 || parts[1].size() != 4)
        return std::nullopt;
    const QByteArray vendorId = parts[0].toLatin1();
    const QByteArray deviceId = parts[1].toLatin1();
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QString vendorName;
        bool inVendor = false;
        while (!file.atEnd()) {
            const QByteArray line = file.readLine();
            if (line.startsWith('#') || line.trimmed().isEmpty())
                continue;
            if (line[0] != '\t') {
                if (inVendor)
                    break; // past the vendor's devices
                if (line.startsWith(vendorId + "  ")) {
                    inVendor = true;
                    vendorName = QString::fromUtf8(line.mid(6)).trimmed();
                }
                continue;
            }
            if (inVendor && line.size() > 1 && line[1] != '\t' &&
                line.mid(1).startsWith(deviceId + "  ")) {
                const QString device = bracketed(QString::fromUtf8(line.mid(7)).trimmed());
                const QString vendor = vendorShortName(QString::fromLatin1(vendorId), vendorName);
                if (vendor.isEmpty() || device.startsWith(vendor + QLatin1Char(' ')))
                    return device;
                return vendor + QLatin1Char(' ') + device;
            }
        }
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace morvanex::platform
