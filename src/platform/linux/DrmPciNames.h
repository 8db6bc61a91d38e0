#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace morvanex::platform {

// Where Debian and others keep the PCI ID database (packages pci.ids and hwdata).
QStringList defaultPciIdsFiles();

// A graphics device's marketing name from the PCI ID database, by "VVVV:DDDD": the vendor's
// short name and the device's bracketed name when it has one ("AMD Radeon RX 6800/6800 XT /
// 6900 XT" for "Navi 21 [Radeon RX 6800/6800 XT / 6900 XT]"), else its whole name. The first
// file that reads is used; nothing when none reads or the device is not listed.
std::optional<QString> pciDeviceName(const QStringList& files, const QString& pciId);

} // namespace morvanex::platform
