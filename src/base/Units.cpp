#include "base/Units.h"

#include "base/Numbers.h"

#include <algorithm>
#include <cmath>

namespace morvanex {
namespace {

const QString dash = QStringLiteral("\u2014");

double fromCelsius(TempUnit unit, double celsius) {
    switch (unit) {
    case TempUnit::celsius:
        return celsius;
    case TempUnit::fahrenheit:
        return celsius * 9 / 5 + 32;
    case TempUnit::kelvin:
        return celsius + 273.15;
    }
    return celsius;
}

double fromKmh(WindUnit unit, double kmh) {
    switch (unit) {
    case WindUnit::kmh:
        return kmh;
    case WindUnit::mph:
        return kmh / 1.609344;
    case WindUnit::ms:
        return kmh / 3.6;
    case WindUnit::knots:
        return kmh / 1.852;
    }
    return kmh;
}

QString windUnitText(WindUnit unit) {
    switch (unit) {
    case WindUnit::kmh:
        return QStringLiteral("km/h");
    case WindUnit::mph:
        return QStringLiteral("mph");
    case WindUnit::ms:
        return QStringLiteral("m/s");
    case WindUnit::knots:
        return QStringLiteral("kn");
    }
    return {};
}

} // namespace

QString format(TempUnit unit, std::optional<double> celsius, std::int64_t decimals) {
    if (!celsius || !std::isfinite(*celsius))
        return dash;
    const int places = int(std::clamp<std::int64_t>(decimals, 0, 17));
    const QString number =
        QString::fromStdString(numbers::fixed(fromCelsius(unit, *celsius), places));
    return number + (unit == TempUnit::kelvin ? QStringLiteral(" K") : QStringLiteral("°"));
}

QString format(WindUnit unit, double kmh) {
    const auto whole = numbers::roundedInt64(fromKmh(unit, kmh));
    if (!whole)
        return dash;
    return QString::fromStdString(numbers::integerText(*whole)) + QLatin1Char(' ') +
           windUnitText(unit);
}

} // namespace morvanex
