#include "services/WeatherCode.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace morvanex;

TEST(WeatherCode, DescriptionsAndSymbols) {
    struct Row {
        std::int64_t code;
        const char* description;
        const char* day;
        const char* night;
    };
    const Row rows[] = {
        {0, "Clear", "sun.max.fill", "moon.stars.fill"},
        {1, "Mostly Clear", "cloud.sun.fill", "cloud.moon.fill"},
        {2, "Partly Cloudy", "cloud.sun.fill", "cloud.moon.fill"},
        {3, "Overcast", "cloud.fill", "cloud.fill"},
        {45, "Fog", "cloud.fog.fill", "cloud.fog.fill"},
        {48, "Fog", "cloud.fog.fill", "cloud.fog.fill"},
        {51, "Drizzle", "cloud.drizzle.fill", "cloud.drizzle.fill"},
        {53, "Drizzle", "cloud.drizzle.fill", "cloud.drizzle.fill"},
        {55, "Drizzle", "cloud.drizzle.fill", "cloud.drizzle.fill"},
        {56, "Freezing Drizzle", "cloud.sleet.fill", "cloud.sleet.fill"},
        {57, "Freezing Drizzle", "cloud.sleet.fill", "cloud.sleet.fill"},
        {61, "Light Rain", "cloud.rain.fill", "cloud.rain.fill"},
        {63, "Rain", "cloud.rain.fill", "cloud.rain.fill"},
        {65, "Heavy Rain", "cloud.heavyrain.fill", "cloud.heavyrain.fill"},
        {66, "Freezing Rain", "cloud.sleet.fill", "cloud.sleet.fill"},
        {67, "Freezing Rain", "cloud.sleet.fill", "cloud.sleet.fill"},
        {71, "Light Snow", "cloud.snow.fill", "cloud.snow.fill"},
        {73, "Snow", "cloud.snow.fill", "cloud.snow.fill"},
        {75, "Heavy Snow", "cloud.snow.fill", "cloud.snow.fill"},
        {77, "Snow Grains", "cloud.snow.fill", "cloud.snow.fill"},
        {80, "Rain Showers", "cloud.sun.rain.fill", "cloud.moon.rain.fill"},
        {81, "Rain Showers", "cloud.sun.rain.fill", "cloud.moon.rain.fill"},
        {82, "Heavy Showers", "cloud.heavyrain.fill", "cloud.heavyrain.fill"},
        {85, "Snow Showers", "cloud.snow.fill", "cloud.snow.fill"},
        {86, "Snow Showers", "cloud.snow.fill", "cloud.snow.fill"},
        {95, "Thunderstorm", "cloud.bolt.rain.fill", "cloud.bolt.rain.fill"},
        {96, "Thunderstorm with Hail", "cloud.bolt.rain.fill", "cloud.bolt.rain.fill"},
        {99, "Thunderstorm with Hail", "cloud.bolt.rain.fill", "cloud.bolt.rain.fill"},
        // Codes outside the table.
        {4, "Unknown", "cloud.fill", "cloud.fill"},
        {50, "Unknown", "cloud.fill", "cloud.fill"},
        {100, "Unknown", "cloud.fill", "cloud.fill"},
        {-1, "Unknown", "cloud.fill", "cloud.fill"},
        {std::numeric_limits<std::int64_t>::max(), "Unknown", "cloud.fill", "cloud.fill"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(WeatherCode::description(row.code).toStdString(), row.description);
        EXPECT_EQ(WeatherCode::symbol(row.code, true).toStdString(), row.day);
        EXPECT_EQ(WeatherCode::symbol(row.code, false).toStdString(), row.night);
    }
}

TEST(WeatherCode, CompassPoints) {
    struct Row {
        double degrees;
        const char* point;
    };
    const Row rows[] = {
        {0, "N"},
        {22.4, "N"},
        {22.5, "NE"},
        {44.9, "NE"},
        {67.4, "NE"},
        {67.5, "E"},
        {90, "E"},
        {135, "SE"},
        {180, "S"},
        {225, "SW"},
        {270, "W"},
        {315, "NW"},
        {337.4, "NW"},
        {337.5, "N"},
        {359, "N"},
        {360, "N"},
        // Directions outside 0...360 wrap around the circle.
        {-45, "NW"},
        {-22.5, "NW"},
        {-10, "N"},
        {405, "NE"},
        {720, "N"},
        // Not a direction at all.
        {std::nan(""), "N"},
        {std::numeric_limits<double>::infinity(), "N"},
        {1e300, "N"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.degrees);
        EXPECT_EQ(WeatherCode::compass(row.degrees).toStdString(), row.point);
    }
}
