#pragma once

#include <QByteArrayView>
#include <charconv>
#include <concepts>
#include <optional>
#include <system_error>

// Numbers in the text of kernel files, command output and file names: one set of rules for
// every reader, each reader saying how the number sits in its text.
namespace morvanex::platform {

// How a number must sit in its text.
enum class NumberText {
    exact,   // the whole text is the number: no blanks, nothing after it
    trimmed, // blanks (spaces, tabs, line ends) before and after it are ignored
    leading, // the text starts with the number; whatever follows its last digit is ignored
};

namespace detail {

// The part of `text` that must hold the number under `rule`.
QByteArrayView numberSpan(QByteArrayView text, NumberText rule);

inline bool consumed(const char* end, QByteArrayView span, NumberText rule) {
    return rule == NumberText::leading || end == span.data() + span.size();
}

} // namespace detail

// A whole number of type T in `base` (2 to 36): digits only, with a leading "-" for signed
// types. No "+", no "0x", no blanks inside. Nothing for text without digits, a value that
// does not fit T (no wrapping, no clamping), or text that breaks `rule`.
template <typename T>
requires std::integral<T> &&
    (!std::same_as<T, bool>)std::optional<T> parseInteger(QByteArrayView text,
                                                          NumberText rule = NumberText::exact,
                                                          int base = 10) {
    const QByteArrayView span = detail::numberSpan(text, rule);
    T value{};
    const char* first = span.data();
    const char* last = first + span.size();
    const auto [end, error] = std::from_chars(first, last, value, base);
    if (error != std::errc() || !detail::consumed(end, span, rule))
        return std::nullopt;
    return value;
}

// A whole number written as "0x" and hexadecimal digits, or else in decimal, as sysfs writes
// flags and identifiers; `rule` as for parseInteger.
template <typename T>
requires std::integral<T> &&(!std::same_as<T, bool>)
    std::optional<T> parseHexOrDecimal(QByteArrayView text, NumberText rule = NumberText::exact) {
    const QByteArrayView span = detail::numberSpan(text, rule);
    const NumberText rest = rule == NumberText::leading ? rule : NumberText::exact;
    if (span.startsWith("0x"))
        return parseInteger<T>(span.sliced(2), rest, 16);
    return parseInteger<T>(span, rest, 10);
}

// A finite real number in decimal notation ("12", "-0.25", "1.5e3"); `rule` as for
// parseInteger. No "+", no hexadecimal; "inf", "nan" and values beyond the double range give
// nothing.
std::optional<double> parseReal(QByteArrayView text, NumberText rule = NumberText::exact);

} // namespace morvanex::platform
