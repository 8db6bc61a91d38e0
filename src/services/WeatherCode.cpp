#include "services/WeatherCode.h"

#include "base/Numbers.h"

#include <array>

namespace morvanex::WeatherCode {

QString description(std::int64_t code) {
    switch (code) {
    case 0:
        return QStringLiteral("Clear");
    case 1:
        return QStringLiteral("Mostly Clear");
    case 2:
        return QStringLiteral("Partly Cloudy");
    case 3:
        return QStringLiteral("Overcast");
    case 45:
    case 48:
        return QStringLiteral("Fog");
    case 51:
    case 53:
    case 55:
        return QStringLiteral("Drizzle");
    case 56:
    case 57:
        return QStringLiteral("Freezing Drizzle");
    case 61:
        return QStringLiteral("Light Rain");
    case 63:
        return QStringLiteral("Rain");
    case 65:
        return QStringLiteral("Heavy Rain");
    case 66:
    case 67:
        return QStringLiteral("Freezing Rain");
    case 71:
        return QStringLiteral("Light Snow");
    case 73:
        return QStringLiteral("Snow");
    case 75:
        return QStringLiteral("Heavy Snow");
    case 77:
        return QStringLiteral("Snow Grains");
    case 80:
    case 81:
        return QStringLiteral("Rain Showers");
    case 82:
        return QStringLiteral("Heavy Showers");
    case 85:
    case 86:
        return QStringLiteral("Snow Showers");
    case 95:
        return QStringLiteral("Thunderstorm");
    case 96:
    case 99:
        return QStringLiteral("Thunderstorm with Hail");
    default:
        return QStringLiteral("Unknown");
    }
}

QString symbol(std::int64_t code, bool isDay) {
    switch (code) {
    case 0:
        return isDay ? QStringLiteral("sun.max.fill") : QStringLiteral("moon.stars.fill");
    case 1:
    case 2:
        return isDay ? QStringLiteral("cloud.sun.fill") : QStringLiteral("cloud.moon.fill");
    case 45:
    case 48:
        return QStringLiteral("cloud.fog.fill");
    case 51:
    case 53:
    case 55:
        return QStringLiteral("cloud.drizzle.fill");
    case 56:
    case 57:
    case 66:
    case 67:
        return QStringLiteral("cloud.sleet.fill");
    case 61:
    case 63:
        return QStringLiteral("cloud.rain.fill");
    case 65:
    case 82:
        return QStringLiteral("cloud.heavyrain.fill");
    case 71:
    case 73:
    case 75:
    case 77:
    case 85:
    case 86:
        return QStringLiteral("cloud.snow.fill");
    case 80:
    case 81:
        return isDay ? QStringLiteral("cloud.sun.rain.fill")
                     : QStringLiteral("cloud.moon.rain.fill");
    case 95:
    case 96:
    case 99:
        return QStringLiteral("cloud.bolt.rain.fill");
    default:
        return QStringLiteral("cloud.fill");
    }
}

QString compass(double degrees) {
    static const std::array<QString, 8> points = {
        QStringLiteral("N"), QStringLiteral("NE"), QStringLiteral("E"), QStringLiteral("SE"),
        QStringLiteral("S"), QStringLiteral("SW"), QStringLiteral("W"), QStringLiteral("NW")};
    const std::optional<std::int64_t> index = numbers::roundedInt64(degrees / 45);
    if (!index)
        return points[0];
    const std::int64_t wrapped = ((*index % 8) + 8) % 8;
    return points[std::size_t(wrapped)];
}

} // namespace morvanex::WeatherCode
