#include "services/DeviceValues.h"

#include "base/Numbers.h"

#include <limits>

namespace morvanex::devicevalues {

std::optional<QString> text(const QVariant& value) {
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

std::optional<std::int64_t> integer(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    case QMetaType::Int:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::UInt:
    case QMetaType::ULongLong: {
        const qulonglong unsignedValue = value.toULongLong();
        if (unsignedValue > qulonglong(std::numeric_limits<std::int64_t>::max()))
            return std::nullopt;
        return std::int64_t(unsignedValue);
    }
    case QMetaType::Double:
        return numbers::truncatedInt64(value.toDouble());
    default:
        return std::nullopt;
    }
}

std::optional<bool> boolean(const QVariant& value) {
    if (value.typeId() == QMetaType::Double) {
        const double number = value.toDouble();
        if (number != number) // NaN is no truth value
            return std::nullopt;
        return number != 0;
    }
    const std::optional<std::int64_t> number = integer(value);
    if (!number)
        return std::nullopt;
    return *number != 0;
}

} // namespace morvanex::devicevalues
