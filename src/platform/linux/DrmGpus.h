#pragma once

#include "platform/Roots.h"

#include <QString>
#include <optional>
#include <vector>

namespace morvanex::platform {

// What one graphics device of /sys/class/drm publishes: the Linux stand-in for an accelerator's
// registry entry.
struct DrmGpu {
    QString card;           // "card0"
    QString devicePath;     // canonical folder of card*/device: the device's identity
    QString driver;         // DRIVER= of the device's uevent, e.g. "amdgpu", "i915"
    QString pciId;          // PCI_ID= of the uevent, "1002:73BF"; empty off PCI
    QString productName;    // amdgpu's product_name, when not empty
    bool suspended = false; // runtime-suspended: its counters are left unread (reading wakes it)
    std::optional<double> busyPercent; // amdgpu gpu_busy_percent
    std::optional<double> vramUsed;    // amdgpu mem_info_vram_used, bytes
    // Milliseconds the GPU has spent idle since boot (i915 RC6 residency, xe gt idle residency).
    std::optional<double> idleResidencyMs;
};

// The cards (card0, card1, …; not their connectors) whose device has a render node, so display-
// only devices such as simpledrm are left out; by card number. No /sys/class/drm gives none.
std::vector<DrmGpu> readDrmGpus(const Roots& roots);

} // namespace morvanex::platform
