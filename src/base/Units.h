#pragma once

#include "base/SettingsEnums.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace morvanex {

// A temperature held in degrees Celsius, shown in `unit` with `decimals` decimals: "21.5°",
// "70.6°", "294.6 K". Absent or non-finite values give "—".
QString format(TempUnit unit, std::optional<double> celsius, std::int64_t decimals);

// A wind speed held in km/h, shown in `unit` as a whole number: "20 km/h", "12 mph", "6 m/s",
// "11 kn". A speed that is not finite, or too large for a whole number, gives "—".
QString format(WindUnit unit, double kmh);

} // namespace morvanex
