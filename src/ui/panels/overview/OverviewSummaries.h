#pragma once

#include "monitors/SensorMonitor.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace morvanex {
class BatteryMonitor;
}

// The short texts of the overview: the uptime under its title and the one-line details of the
// sensors and battery tiles.
namespace morvanex::ui::overview {

// "2 days, 7 hours" from a day on, else "1 hour, 5 min"; "—" for a value that is not a
// finite, non-negative number of seconds.
QString uptimeText(double seconds);

// "Not readable" when no sensor can be read at all (as the sensors panel says), "Fanless" once
// discovery found no fan ("—" before), "Fans off" below 100 rpm, else the fastest fan's speed in
// the locale's number format and " rpm".
QString fanSummary(const std::vector<Fan>& fans, bool isReady, bool readable);

// What the battery summary reads of the battery monitor.
struct BatteryState {
    bool present = false;
    double percent = 0;
    bool isCharging = false;
    bool isCharged = false;
    bool onAC = false;
    std::optional<std::int64_t> minutesRemaining;

    static BatteryState from(const BatteryMonitor& battery);
};

// "1:35 to full" / "0:05 left" with a time estimate, else "No battery", "Charged",
// "Charging", "Not charging" or "On battery".
QString batterySummary(const BatteryState& battery);

} // namespace morvanex::ui::overview
