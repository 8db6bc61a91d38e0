#pragma once

#include <QChar>
#include <optional>

namespace morvanex {

// The value of one hexadecimal digit in either case; nothing for any other character.
inline std::optional<int> hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return std::nullopt;
}

} // namespace morvanex
