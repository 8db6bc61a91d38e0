#pragma once

#include <QJsonValue>
#include <QString>
#include <cmath>
#include <cstdint>
#include <limits>

// How numbers appear in the agent server's answers: fractions rounded to a few decimals as
// exact decimals, counts as integers. No answer carries a raw floating-point value.
namespace morvanex::mcp {

// The value rounded as "%.Nf" rounds it (printf's ties), as a JSON number that prints in its
// shortest exact form: 45.26 with one decimal prints 45.3, 7.0 prints 7, -0.04 prints 0.
// A value that is not finite gives 0. Whole results within the 64-bit range are held as
// integers, so they print every digit (no reading comes near that range).
QJsonValue r(double value, int decimals = 1);

// The same rounded decimal as text, as the JSON answer prints it ("41.2", "45", "0").
QString rText(double value, int decimals = 1);

// A reading written as a whole number: truncated toward zero; 0 when it is not finite or lies
// beyond the 64-bit range.
std::int64_t wholeOrZero(double value);

// Minutes as hours, a colon and two-digit minutes: 125 gives "2:05".
QString hoursMinutes(std::int64_t minutes);

// A reading as a ranking key, greatest first: a value that is not a number ranks last, so
// sorting stays well defined.
inline double rankKey(double value) {
    return std::isnan(value) ? -std::numeric_limits<double>::infinity() : value;
}

} // namespace morvanex::mcp
