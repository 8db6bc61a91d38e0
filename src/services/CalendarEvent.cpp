#include "services/CalendarEvent.h"

#include "base/HexDigit.h"

#include <QByteArray>

namespace morvanex {

std::optional<CalendarColor> CalendarColor::fromText(const QString& text) {
    const QString value = text.trimmed();
    if (!value.startsWith(QLatin1Char('#')))
        return std::nullopt;
    const QStringView digits = QStringView(value).mid(1);
    std::uint8_t channels[3] = {};
    if (digits.size() == 3) {
        for (int i = 0; i < 3; ++i) {
            const auto d = hexDigit(digits[i]);
            if (!d)
                return std::nullopt;
            channels[i] = std::uint8_t(*d * 17);
        }
    } else if (digits.size() == 6 || digits.size() == 8) {
        for (qsizetype i = 0; i < digits.size(); ++i)
            if (!hexDigit(digits[i]))
                return std::nullopt;
        for (int i = 0; i < 3; ++i)
            channels[i] =
                std::uint8_t(*hexDigit(digits[2 * i]) * 16 + *hexDigit(digits[2 * i + 1]));
    } else {
        return std::nullopt;
    }
    return CalendarColor{channels[0], channels[1], channels[2]};
}

std::optional<QUrl> CalendarEvent::calendarAppURL() const {
    // The characters a URL path allows stay as they are; everything else is percent-encoded.
    const QByteArray encoded = QUrl::toPercentEncoding(id, QByteArrayLiteral("!$&'()*+,;=:@/"));
    const QString text = QStringLiteral("ical://ekevent/") + QString::fromLatin1(encoded) +
                         QStringLiteral("?method=show&options=more");
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

} // namespace morvanex
