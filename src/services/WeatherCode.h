#pragma once

#include <QString>
#include <cstdint>

// Words and symbol names for WMO weather codes, and compass points for wind directions.
namespace morvanex::WeatherCode {

// "Clear", "Partly Cloudy", "Heavy Rain", ...; "Unknown" for codes outside the table.
QString description(std::int64_t code);

// A symbol name such as "sun.max.fill"; the night form ("moon.stars.fill") when isDay is false.
QString symbol(std::int64_t code, bool isDay);

// One of "N", "NE", "E", "SE", "S", "SW", "W", "NW" for a direction in degrees. Directions
// below 0 or past 360 wrap around the circle; a direction that is not finite gives "N".
QString compass(double degrees);

} // namespace morvanex::WeatherCode
