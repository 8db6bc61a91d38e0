#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

// JSON text with exact, stable forms. Qt's own writer sorts every object and picks its own
// number forms; answers and dumps need a declared member order and fixed number texts.
namespace morvanex::json {

// An object whose members are written in this order, not sorted.
using OrderedObject = std::vector<std::pair<QString, QJsonValue>>;

// No whitespace at all. QJsonObject members come in key order. Nothing when a value anywhere
// in the tree is a NaN or an infinity.
std::optional<QByteArray> compact(const QJsonValue& value);
std::optional<QByteArray> compact(const OrderedObject& object);

// Two spaces of indentation per level, one member or element per line, "key" : value, empty
// containers as [] and {}, keys in key order. No line end after the last line.
std::optional<QByteArray> pretty(const QJsonValue& value);

} // namespace morvanex::json
