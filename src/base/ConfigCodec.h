#pragma once

#include "base/JsonRead.h"
#include "base/SettingsRecords.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QStringList>
#include <concepts>
#include <map>
#include <optional>
#include <vector>

// How each type of a settings field reads from and writes to its stored JSON value. Reading is
// strict and whole: a value that is not exactly of the type, or a container with one bad
// element, reads as nothing.
namespace morvanex::configcodec {

template <typename T> struct Codec;

template <> struct Codec<double> {
    static std::optional<double> read(const QJsonValue& v) { return jsonread::real(v); }
    static QJsonValue write(double value) { return value; }
};

template <> struct Codec<bool> {
    static std::optional<bool> read(const QJsonValue& v) { return jsonread::boolean(v); }
    static QJsonValue write(bool value) { return value; }
};

template <> struct Codec<std::int64_t> {
    static std::optional<std::int64_t> read(const QJsonValue& v) { return jsonread::int64(v); }
    static QJsonValue write(std::int64_t value) { return qint64(value); }
};

template <> struct Codec<QString> {
    static std::optional<QString> read(const QJsonValue& v) { return jsonread::text(v); }
    static QJsonValue write(const QString& value) { return value; }
};

template <> struct Codec<QStringList> {
    static std::optional<QStringList> read(const QJsonValue& v) {
        const auto items = jsonread::list<QString>(v, jsonread::text);
        if (!items)
            return std::nullopt;
        return QStringList(items->begin(), items->end());
    }
    static QJsonValue write(const QStringList& value) { return QJsonArray::fromStringList(value); }
};

template <typename E>
requires requires {
    EnumCases<E>::cases;
}
struct Codec<E> {
    static std::optional<E> read(const QJsonValue& v) { return jsonread::enumeration<E>(v); }
    static QJsonValue write(E value) { return rawValue(value); }
};

template <typename R>
requires requires(const R& r, const QJsonValue& v) {
    { R::fromJson(v) } -> std::same_as<std::optional<R>>;
    { r.toJson() } -> std::same_as<QJsonObject>;
}
struct Codec<R> {
    static std::optional<R> read(const QJsonValue& v) { return R::fromJson(v); }
    static QJsonValue write(const R& value) { return value.toJson(); }
};

template <typename T> struct Codec<std::vector<T>> {
    static std::optional<std::vector<T>> read(const QJsonValue& v) {
        return jsonread::list<T>(v, Codec<T>::read);
    }
    static QJsonValue write(const std::vector<T>& value) {
        QJsonArray array;
        for (const T& item : value)
            array.append(Codec<T>::write(item));
        return array;
    }
};

template <typename T> struct Codec<std::map<QString, T>> {
    static std::optional<std::map<QString, T>> read(const QJsonValue& v) {
        if (!v.isObject())
            return std::nullopt;
        const QJsonObject object = v.toObject();
        std::map<QString, T> out;
        for (auto it = object.begin(); it != object.end(); ++it) {
            std::optional<T> item = Codec<T>::read(it.value());
            if (!item)
                return std::nullopt;
            out.emplace(it.key(), std::move(*item));
        }
        return out;
    }
    static QJsonValue write(const std::map<QString, T>& value) {
        QJsonObject object;
        for (const auto& [key, item] : value)
            object.insert(key, Codec<T>::write(item));
        return object;
    }
};

} // namespace morvanex::configcodec
