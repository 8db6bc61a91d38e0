#include "agents/McpArguments.h"

#include <QJsonValue>
#include <algorithm>
#include <cmath>

namespace morvanex::mcp {

std::optional<QString> textArgument(const QJsonObject& arguments, const QString& key) {
    const QJsonValue value = arguments.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<bool> booleanArgument(const QJsonObject& arguments, const QString& key) {
    const QJsonValue value = arguments.value(key);
    if (!value.isBool())
        return std::nullopt;
    return value.toBool();
}

std::optional<double> wholeArgument(const QJsonObject& arguments, const QString& key) {
    const QJsonValue value = arguments.value(key);
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || number != std::trunc(number))
        return std::nullopt;
    return number;
}

int clampedCount(double value, int low, int high) {
    if (std::isnan(value))
        return low;
    return static_cast<int>(std::clamp(value, double(low), double(high)));
}

} // namespace morvanex::mcp
