#pragma once

#include <QString>
#include <QVariant>
#include <cstdint>
#include <optional>

// Typed reading of the property-list values a device answers with. Each reader yields nothing
// when the value is not of its kind, so one odd value leaves only its own field empty.
namespace morvanex::devicevalues {

// A string value.
std::optional<QString> text(const QVariant& value);

// A number's integer value. Numbers are integers, reals and booleans (true reads as 1); a real
// counts by its whole part and only when that fits a signed 64-bit integer.
std::optional<std::int64_t> integer(const QVariant& value);

// A number read as a truth value: anything but zero is true.
std::optional<bool> boolean(const QVariant& value);

} // namespace morvanex::devicevalues
