#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Number-to-text helpers shared by every formatter. They never consult the C or Qt locale:
// the decimal separator is always ".".
namespace morvanex::numbers {

// printf's "%.Nf" (N = decimals, clamped to 0...17): exact decimal rounding with ties to even
// on the binary value, "-" kept on negative values that round to zero ("-0").
// NaN gives "nan", infinities "inf" / "-inf", as printf prints them.
std::string fixed(double value, int decimals);

// Rounds to the nearest whole number, halves away from zero (2.5 -> 3, -2.5 -> -3).
double roundHalfAway(double value);

// The whole number nearest below-or-equal in magnitude (truncation toward zero) as a signed
// 64-bit integer; nothing for NaN, infinities and values outside the int64 range.
std::optional<std::int64_t> truncatedInt64(double value);

// roundHalfAway, then the checked conversion above.
std::optional<std::int64_t> roundedInt64(double value);

// The default text of a real number: the shortest digits that read back to the same value,
// ".0" appended to whole values ("2.0", "-0.0"), exponent form only for magnitudes below 1e-4
// or from 2^53 up ("1e-05", "1e+16"); "nan", "inf", "-inf" for non-finite values.
std::string realText(double value);

// Decimal text of a signed integer.
std::string integerText(std::int64_t value);

} // namespace morvanex::numbers
