#include "monitors/GPUMonitor.h"

#include "platform/linux/DrmGpus.h"
#include "platform/linux/DrmPciNames.h"

#include <algorithm>

namespace morvanex {

QStringList GPUMonitor::defaultPciIds() {
    return platform::defaultPciIdsFiles();
}

GPUMonitor::GPUMonitor(platform::Roots roots, platform::Clock clock, QStringList pciIds)
    : roots_(std::move(roots)), clock_(std::move(clock)), pciIds_(std::move(pciIds)) {}

QString GPUMonitor::name(const platform::DrmGpu& device, const QStringList& pciIds) {
    if (!device.productName.isEmpty())
        return device.productName;
    if (const auto listed = platform::pciDeviceName(pciIds, device.pciId))
        return *listed;
    if (!device.driver.isEmpty())
        return device.driver;
    return QStringLiteral("GPU");
}

void GPUMonitor::sample() {
    const std::vector<platform::DrmGpu> devices = platform::readDrmGpus(roots_);
    const double now = clock_.monotonic();
    std::vector<GPU> next;
    std::vector<std::pair<QString, IdleMark>> marks;
    next.reserve(devices.size());
    int position = 0;
    for (const platform::DrmGpu& device : devices) {
        auto previous = std::find_if(gpus.begin(), gpus.end(), [&device](const GPU& gpu) {
            return gpu.devicePath == device.devicePath;
        });
        GPU gpu;
        if (previous != gpus.end()) {
            gpu = std::move(*previous);
            gpus.erase(previous);
        } else {
            // The position as id, unless a device that stayed already has it.
            const auto taken = [&](int id) {
                const auto has = [id](const GPU& g) { return g.id == id; };
                return std::any_of(gpus.begin(), gpus.end(), has) ||
                       std::any_of(next.begin(), next.end(), has);
            };
            int id = position;
            while (taken(id))
                ++id;
            gpu.id = id;
            gpu.name = name(device, pciIds_);
            gpu.devicePath = device.devicePath;
        }

        // Busy share: published directly (amdgpu), or the part of the time since the previous
        // sample that the GPU was not idle (Intel); 0 when neither can be measured yet.
        double util = 0;
        if (device.busyPercent) {
            util = *device.busyPercent;
        } else if (device.idleResidencyMs) {
            const auto mark =
                std::find_if(idleMarks_.begin(), idleMarks_.end(),
                             [&](const auto& m) { return m.first == device.devicePath; });
            if (mark != idleMarks_.end()) {
                const double elapsedMs = (now - mark->second.time) * 1000;
                const double idleMs = *device.idleResidencyMs - mark->second.idleMs;
                if (elapsedMs > 0 && idleMs >= 0)
                    util = std::clamp(100 - idleMs / elapsedMs * 100, 0.0, 100.0);
            }
            marks.emplace_back(device.devicePath, IdleMark{*device.idleResidencyMs, now});
        }
        gpu.utilization = util;
        gpu.renderer.reset();
        gpu.tiler.reset();
        gpu.memoryUsed = device.vramUsed;
        gpu.history.add(util);
        next.push_back(std::move(gpu));
        ++position;
    }
    gpus = std::move(next);
    idleMarks_ = std::move(marks);
}

double GPUMonitor::utilization() const {
    double highest = 0;
    for (const GPU& gpu : gpus)
        highest = std::max(highest, gpu.utilization);
    return highest;
}

} // namespace morvanex
