#include "dump/DumpValues.h"

#include "base/Numbers.h"

#include <QChar>
#include <QStringDecoder>
#include <algorithm>

namespace morvanex::dump {
namespace {

constexpr qsizetype tagWidth = 9;

QString ascii(const std::string& text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7f && c < 0xa0);
}

QString escapedControl(char32_t c) {
    switch (c) {
    case U'\0':
        return QStringLiteral("\\0");
    case U'\t':
        return QStringLiteral("\\t");
    case U'\n':
        return QStringLiteral("\\n");
    case U'\r':
        return QStringLiteral("\\r");
    default:
        return QStringLiteral("\\u{") + QString::number(uint(c), 16) + QLatin1Char('}');
    }
}

} // namespace

QString tag(QStringView word) {
    return word.toString().leftJustified(tagWidth, QLatin1Char(' '));
}

QString yesNo(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString integer(std::int64_t value) {
    return ascii(numbers::integerText(value));
}

QString real(double value) {
    return ascii(numbers::realText(value));
}

QString realOrNan(std::optional<double> value) {
    return value ? real(*value) : QStringLiteral("nan");
}

QString fixed(double value, int decimals) {
    return ascii(numbers::fixed(value, decimals));
}

QString whole(double value) {
    if (const auto truncated = numbers::truncatedInt64(value))
        return integer(*truncated);
    return QStringLiteral("\u2014");
}

QString orDash(const std::optional<QString>& text) {
    return text ? *text : QStringLiteral("-");
}

QString quoted(QStringView text) {
    QString out = QStringLiteral("\"");
    for (const char32_t c : text.toUcs4()) {
        if (c == U'"' || c == U'\\') {
            out += QLatin1Char('\\');
            out += QChar(c);
        } else if (isControl(c)) {
            out += escapedControl(c);
        } else {
            out += QString::fromUcs4(&c, 1);
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString escapedControls(QStringView text) {
    const auto control = [](QChar c) { return isControl(c.unicode()); };
    if (std::none_of(text.begin(), text.end(), control))
        return text.toString();
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (control(c))
            out += escapedControl(c.unicode());
        else
            out += c;
    }
    return out;
}

QByteArray lineBytes(QStringView line) {
    return escapedControls(line).toUtf8() + '\n';
}

QByteArray pathBytes(const QByteArray& path) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(path);
    if (!decoder.hasError())
        return escapedControls(text).toUtf8();
    QByteArray out;
    for (const char byte : path) {
        const auto value = static_cast<unsigned char>(byte);
        if (value < 0x20 || value == 0x7f)
            out += escapedControl(value).toUtf8();
        else
            out += byte;
    }
    return out;
}

QString textList(const QStringList& items) {
    QStringList parts;
    parts.reserve(items.size());
    for (const QString& item : items)
        parts.append(quoted(item));
    return QLatin1Char('[') + parts.join(QStringLiteral(", ")) + QLatin1Char(']');
}

QString numberList(const std::vector<double>& values) {
    QStringList parts;
    parts.reserve(qsizetype(values.size()));
    for (const double value : values)
        parts.append(real(value));
    return QLatin1Char('[') + parts.join(QStringLiteral(", ")) + QLatin1Char(']');
}

} // namespace morvanex::dump
