#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

// Loose reading of a tool's arguments: a value counts only when its JSON kind is the expected
// one; a missing value or one of another kind is absent, and the body uses its default. The
// schemas' enums and bounds are not enforced here; the bodies decide what an out-of-range
// value means.
namespace morvanex::mcp {

std::optional<QString> textArgument(const QJsonObject& arguments, const QString& key);
std::optional<bool> booleanArgument(const QJsonObject& arguments, const QString& key);

// A JSON number without a fractional part (5 and 5.0 alike, 1e300 too); kept as a real so
// that a huge value can be clamped before it becomes an integer.
std::optional<double> wholeArgument(const QJsonObject& arguments, const QString& key);

// The whole value limited to low...high, then converted: clamping first keeps values such as
// 1e300 or -1e300 defined.
int clampedCount(double value, int low, int high);

} // namespace morvanex::mcp
