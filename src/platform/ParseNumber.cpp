#include "platform/ParseNumber.h"

#include <cmath>

namespace morvanex::platform {

namespace detail {

QByteArrayView numberSpan(QByteArrayView text, NumberText rule) {
    return rule == NumberText::trimmed ? text.trimmed() : text;
}

} // namespace detail

std::optional<double> parseReal(QByteArrayView text, NumberText rule) {
    const QByteArrayView span = detail::numberSpan(text, rule);
    double value = 0;
    const char* first = span.data();
    const char* last = first + span.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || !detail::consumed(end, span, rule) || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace morvanex::platform
