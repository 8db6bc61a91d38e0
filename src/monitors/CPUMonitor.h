#pragma once

#include "monitors/History.h"
#include "platform/Clock.h"
#include "platform/Roots.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <set>
#include <vector>

namespace morvanex {

// How busy each logical processor and the whole machine were since the previous sample.
class CPUMonitor {
public:
    struct Core {
        int index = 0;
        double user = 0;   // percent of this processor's time in user and nice code
        double system = 0; // percent in the kernel
        bool isEfficiency = false;

        int id() const { return index; }
        bool operator==(const Core&) const = default;
    };

    explicit CPUMonitor(platform::Roots roots = platform::Roots::system(),
                        platform::Clock clock = platform::Clock::system());

    void sample();

    // Whether the cores come in performance and efficiency classes. Most processors have one
    // kind of core only; then no core is either, and nothing may label them so.
    bool hasCoreClasses() const { return efficiencyCount >= 1; }

    QString brand;
    int performanceCount = 0;
    int efficiencyCount = 0;
    int physicalCount = 0;
    int logicalCount = 0;
    std::vector<Core> cores;
    double user = 0; // whole machine: 100 means every processor fully busy
    double system = 0;
    History userHistory{120};
    History systemHistory{120};
    History totalHistory{120};
    std::array<double, 3> loadAverage{};
    History loadHistory{120};
    double uptime = 0;                                  // seconds since boot at the last sample
    std::vector<std::array<std::uint32_t, 4>> previous; // user, system, idle, nice per processor
    QDateTime bootTime;

private:
    platform::Roots roots_;
    platform::Clock clock_;
    // The processors outside the fastest performance level. Linux numbers the fast cores
    // first, so efficiency cannot be told from the position of a processor alone.
    std::set<int> efficiencyProcessors_;
};

// The difference of two readings of a 32-bit tick counter that may wrap around. A reading
// below the previous one by more than half the range is a wrap; a small drop (the kernel's
// I/O-wait time can go back a little) counts as no ticks, never as four billion.
std::uint32_t tickDelta(std::uint32_t current, std::uint32_t previous);

} // namespace morvanex
