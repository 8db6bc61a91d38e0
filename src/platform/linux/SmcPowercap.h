#pragma once

#include "platform/Clock.h"
#include "platform/Roots.h"

#include <QString>
#include <optional>
#include <vector>

namespace morvanex::platform {

// The readable RAPL energy counters (energy_uj) of /sys/class/powercap. The "intel-rapl" zones
// exist on AMD processors too; the kernel lets only root read them on most systems.
struct PowercapZones {
    std::vector<QString> packages; // zones named package-N
    std::vector<QString> cores;    // subzones named core
    std::vector<QString> platform; // zones named psys (the whole platform)
};

PowercapZones readPowercapZones(const Roots& roots);

// The average power of one or more energy counters between two calls, in watts. The first call
// has no interval yet and gives 0; a call less than a quarter second after the previous one
// repeats the previous figure (too short an interval to measure). A counter that wraps is
// corrected by its max_energy_range_uj; a counter that went down otherwise counts as 0.
class PowercapMeter {
public:
    PowercapMeter(std::vector<QString> counters, Clock clock);

    // Nothing when a counter does not read.
    std::optional<double> watts();

private:
    struct Counter {
        QString path;
        double range = 0;
        double last = 0;
    };
    std::vector<Counter> counters_;
    Clock clock_;
    std::optional<double> lastTime_;
    double lastWatts_ = 0;
};

} // namespace morvanex::platform
