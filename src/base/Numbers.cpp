#include "base/Numbers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace morvanex::numbers {
namespace {

// 2^63 is exact as a double; every double strictly below it (and at or above -2^63) fits.
constexpr double int64Limit = 9223372036854775808.0;

// 2^53: from here up not every whole number is representable, so the default text switches
// to the exponent form.
constexpr double exactIntegerLimit = 9007199254740992.0;

// Below this magnitude the default text uses the exponent form.
constexpr double smallLimit = 1e-4;

// Room for the longest "%.17f" of the largest double: 309 integer digits, sign, point, 17
// decimals.
using Buffer = std::array<char, 400>;

std::string nonFiniteText(double value) {
    if (std::isnan(value))
        return "nan";
    return value < 0 ? "-inf" : "inf";
}

template <typename... Format> std::string convert(double value, Format... format) {
    Buffer buffer;
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format...);
    return std::string(buffer.data(), result.ptr);
}

} // namespace

std::string fixed(double value, int decimals) {
    if (!std::isfinite(value))
        return nonFiniteText(value);
    return convert(value, std::chars_format::fixed, std::clamp(decimals, 0, 17));
}

double roundHalfAway(double value) {
    return std::round(value);
}

std::optional<std::int64_t> truncatedInt64(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    const double whole = std::trunc(value);
    if (whole < -int64Limit || whole >= int64Limit)
        return std::nullopt;
    return static_cast<std::int64_t>(whole);
}

std::optional<std::int64_t> roundedInt64(double value) {
    return truncatedInt64(roundHalfAway(value));
}

std::string realText(double value) {
    if (!std::isfinite(value))
        return nonFiniteText(value);
    const double magnitude = std::fabs(value);
    if (magnitude >= exactIntegerLimit || (value != 0 && magnitude < smallLimit))
        return convert(value, std::chars_format::scientific);
    std::string text = convert(value, std::chars_format::fixed);
    if (value == std::trunc(value))
        text += ".0";
    return text;
}

std::string integerText(std::int64_t value) {
    std::array<char, 24> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

} // namespace morvanex::numbers
