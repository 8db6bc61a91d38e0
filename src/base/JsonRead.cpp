#include "base/JsonRead.h"

#include <QRegularExpression>
#include <QVariant>
#include <cmath>

namespace morvanex::jsonread {

std::optional<double> real(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    return value.toDouble();
}

std::optional<bool> boolean(const QJsonValue& value) {
    if (!value.isBool())
        return std::nullopt;
    return value.toBool();
}

std::optional<QString> text(const QJsonValue& value) {
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<std::int64_t> int64(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    // Integers beyond 2^53 arrive exactly as 64-bit integers; everything else as a double.
    const QVariant variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong)
        return variant.toLongLong();
    const double real = value.toDouble();
    constexpr double limit = 9223372036854775808.0; // 2^63
    if (!std::isfinite(real) || real != std::trunc(real) || real < -limit || real >= limit)
        return std::nullopt;
    return std::int64_t(real);
}

std::optional<std::uint32_t> uint32(const QJsonValue& value) {
    const auto whole = int64(value);
    if (!whole || *whole < 0 || *whole > 0xFFFFFFFFLL)
        return std::nullopt;
    return std::uint32_t(*whole);
}

std::optional<QUuid> uuid(const QJsonValue& value) {
    static const QRegularExpression form(QStringLiteral(
        "^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
    if (!value.isString() || !form.match(value.toString()).hasMatch())
        return std::nullopt;
    return QUuid::fromString(value.toString());
}

} // namespace morvanex::jsonread
