#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <optional>
#include <string_view>
#include <utility>

namespace morvanex {

// Each stored enumeration specialises this with `cases`: every case with its raw value (the
// case name), in declaration order.
template <typename E> struct EnumCases;

template <typename E>
inline constexpr auto allCasesList = [] {
    std::array<E, EnumCases<E>::cases.size()> out{};
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = EnumCases<E>::cases[i].first;
    return out;
}();

// Every case, in declaration order.
template <typename E> constexpr const auto& allCases() {
    return allCasesList<E>;
}

template <typename E> QString rawValue(E value) {
    for (const auto& [c, raw] : EnumCases<E>::cases) {
        if (c == value)
            return QString::fromLatin1(raw.data(), qsizetype(raw.size()));
    }
    return {};
}

// Exactly one of the raw values, case-sensitive; anything else gives nothing.
template <typename E> std::optional<E> fromRawValue(QStringView text) {
    for (const auto& [c, raw] : EnumCases<E>::cases) {
        if (text == QLatin1StringView(raw.data(), qsizetype(raw.size())))
            return c;
    }
    return std::nullopt;
}

} // namespace morvanex
