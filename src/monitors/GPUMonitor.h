#pragma once

#include "monitors/History.h"
#include "platform/Clock.h"
#include "platform/Roots.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace morvanex {

namespace platform {
struct DrmGpu;
}

// Utilisation of each graphics device in /sys/class/drm, with a history per device. Main
// thread only.
class GPUMonitor {
public:
    struct GPU {
        int id = 0;               // position among the devices when the record was first made
        QString name;             // display name
        std::optional<int> cores; // not published on Linux
        double utilization = 0;   // percent, 0 when not published
        std::optional<double> renderer;
        std::optional<double> tiler;
        std::optional<double> memoryUsed; // bytes
        History history{120};             // utilization per sample
        QString devicePath; // the device's folder: the record's identity across samples

        bool operator==(const GPU&) const = default;
    };

    // `pciIds`: the PCI ID database files that name devices.
    explicit GPUMonitor(platform::Roots roots = platform::Roots::system(),
                        platform::Clock clock = platform::Clock::system(),
                        QStringList pciIds = defaultPciIds());

    // Rebuilds `gpus` from the devices present now. A device keeps its record (id, name,
    // history) by its folder, whatever its position; a device that appears gets a new record.
    void sample();

    // The highest utilisation among the devices; 0 without any.
    double utilization() const;

    // A device's display name: amdgpu's product name, else the PCI ID database's name, else the
    // driver's name, else "GPU".
    static QString name(const platform::DrmGpu& device, const QStringList& pciIds);

    std::vector<GPU> gpus;

private:
    static QStringList defaultPciIds();

    struct IdleMark {
        double idleMs = 0;
        double time = 0;
    };

    platform::Roots roots_;
    platform::Clock clock_;
    QStringList pciIds_;
    std::vector<std::pair<QString, IdleMark>> idleMarks_; // by device folder
};

} // namespace morvanex
