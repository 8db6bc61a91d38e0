#include "app/TickInterval.h"

#include <algorithm>
#include <cmath>

namespace morvanex {

std::chrono::milliseconds tickInterval(double seconds) {
    constexpr double fallback = 2.0;
    constexpr double shortest = 0.1;
    constexpr double longest = 86400.0;
    const double usable =
        std::isnan(seconds) || seconds <= 0 ? fallback : std::clamp(seconds, shortest, longest);
    return std::chrono::milliseconds(std::llround(usable * 1000));
}

} // namespace morvanex
