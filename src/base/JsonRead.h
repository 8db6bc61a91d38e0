#pragma once

#include "base/EnumText.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QUuid>
#include <cstdint>
#include <optional>
#include <vector>

// Strict typed reading of stored JSON values: each reader yields nothing when the value is not
// exactly of its type, so callers can fall back to a default for that value alone.
namespace morvanex::jsonread {

std::optional<double> real(const QJsonValue& value);
std::optional<bool> boolean(const QJsonValue& value);
std::optional<QString> text(const QJsonValue& value);
// A JSON number that is a whole number within the type's range (2 and 2.0 both read as 2).
std::optional<std::int64_t> int64(const QJsonValue& value);
std::optional<std::uint32_t> uint32(const QJsonValue& value);
// The 36-character 8-4-4-4-12 form, hexadecimal digits in either case, no braces.
std::optional<QUuid> uuid(const QJsonValue& value);

template <typename E> std::optional<E> enumeration(const QJsonValue& value) {
    if (!value.isString())
        return std::nullopt;
    return fromRawValue<E>(value.toString());
}

// A list read whole: one unreadable element makes the whole list unreadable.
template <typename T, typename Reader>
std::optional<std::vector<T>> list(const QJsonValue& value, Reader readElement) {
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray array = value.toArray();
    std::vector<T> out;
    out.reserve(std::size_t(array.size()));
    for (const QJsonValue& element : array) {
        std::optional<T> item = readElement(element);
        if (!item)
            return std::nullopt;
        out.push_back(std::move(*item));
    }
    return out;
}

} // namespace morvanex::jsonread
