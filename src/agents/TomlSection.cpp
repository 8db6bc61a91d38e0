#include "agents/TomlSection.h"

#include "base/HexDigit.h"

#include <QStringList>
#include <utility>

namespace morvanex::agents {
namespace {

const QLatin1Char lineFeed('\n');
const QLatin1Char quote('"');
const QLatin1Char backslash('\\');

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Length of the line end ("\n" or "\r\n") that finishes right before `end`, 0 when none.
qsizetype lineEndBefore(QStringView text, qsizetype end) {
    if (end < 1 || text.at(end - 1) != lineFeed)
        return 0;
    return end >= 2 && text.at(end - 2) == QLatin1Char('\r') ? 2 : 1;
}

bool endsWithTwoLineEnds(QStringView text) {
    const qsizetype last = lineEndBefore(text, text.size());
    return last > 0 && lineEndBefore(text, text.size() - last) > 0;
}

// The header counts only as the first thing on its line: a header quoted in a comment or a
// value must never be taken for the section, or removing it would cut the user's file apart.
std::optional<qsizetype> headerLineStart(QStringView text) {
    for (qsizetype at = text.indexOf(tomlHeader); at >= 0; at = text.indexOf(tomlHeader, at + 1)) {
        qsizetype lineStart = at;
        while (lineStart > 0 && isBlank(text.at(lineStart - 1)))
            --lineStart;
        if (lineStart == 0 || text.at(lineStart - 1) == lineFeed)
            return lineStart;
    }
    return std::nullopt;
}

// A \uXXXX or \UXXXXXXXX escape whose digits start at `at`; nothing when malformed or not a
// Unicode scalar value.
std::optional<char32_t> unicodeEscape(QStringView line, qsizetype at, int digits) {
    if (at + digits > line.size())
        return std::nullopt;
    char32_t value = 0;
    for (int i = 0; i < digits; ++i) {
        const auto digit = hexDigit(line.at(at + i));
        if (!digit)
            return std::nullopt;
        value = value * 16 + char32_t(*digit);
    }
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return std::nullopt;
    return value;
}

// What a one-letter escape after the backslash stands for; nothing for any other letter.
std::optional<char16_t> simpleEscape(char16_t escaped) {
    static constexpr std::pair<char16_t, char16_t> table[] = {
        {u'"', u'"'},  {u'\\', u'\\'}, {u'b', u'\b'}, {u't', u'\t'},
        {u'n', u'\n'}, {u'f', u'\f'},  {u'r', u'\r'}};
    for (const auto& [letter, stands] : table)
        if (letter == escaped)
            return stands;
    return std::nullopt;
}

QString basicStringValue(QStringView line, qsizetype from) {
    QString value;
    for (qsizetype i = from; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == quote)
            break;
        if (c != backslash || i + 1 >= line.size()) {
            value += c;
            continue;
        }
        const char16_t escaped = line.at(i + 1).unicode();
        if (const auto stands = simpleEscape(escaped)) {
            value += QChar(*stands);
            ++i;
            continue;
        }
        if (escaped == u'u' || escaped == u'U') {
            const int digits = escaped == u'u' ? 4 : 8;
            if (const auto scalar = unicodeEscape(line, i + 2, digits)) {
                const char32_t one[] = {*scalar};
                value += QString::fromUcs4(one, 1);
                i += 1 + digits;
                continue;
            }
        }
        // Not a TOML escape, or a malformed one: kept as written.
        value += c;
    }
    return value;
}

} // namespace

std::optional<TextRange> tomlSection(QStringView text) {
    const auto start = headerLineStart(text);
    if (!start)
        return std::nullopt;
    // The header line itself holds no line end, so the first "\n[" after its start begins
    // the next header.
    const qsizetype next = text.indexOf(QStringLiteral("\n["), *start);
    return TextRange{*start, next < 0 ? text.size() : next + 1};
}

QString tomlCommand(QStringView section) {
    for (const QStringView rawLine : section.split(lineFeed, Qt::SkipEmptyParts)) {
        QStringView line = rawLine;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        qsizetype first = 0;
        while (first < line.size() && isBlank(line.at(first)))
            ++first;
        if (!line.mid(first).startsWith(QLatin1String("command")))
            continue;
        const qsizetype open = line.indexOf(quote);
        return open < 0 ? QString() : basicStringValue(line, open + 1);
    }
    return {};
}

QString tomlBasicString(const QString& value) {
    // A path may hold any byte but "/" and NUL; written raw, a quotation mark or backslash in
    // it would end the string early and make the user's whole configuration unreadable.
    static constexpr char hex[] = "0123456789ABCDEF";
    QString out(quote);
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'"':
            out += QLatin1String("\\\"");
            break;
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\b':
            out += QLatin1String("\\b");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\f':
            out += QLatin1String("\\f");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
                out += QLatin1String("\\u00");
                out += QLatin1Char(hex[c.unicode() >> 4]);
                out += QLatin1Char(hex[c.unicode() & 0xF]);
            } else {
                out += c;
            }
        }
    }
    out += quote;
    return out;
}

QString updatedToml(QString text, bool adding, const QString& executable) {
    if (const auto section = tomlSection(text)) {
        text.remove(section->start, section->end - section->start);
        while (endsWithTwoLineEnds(text))
            text.chop(lineEndBefore(text, text.size()));
    }
    if (!adding)
        return text;
    if (!text.isEmpty() && lineEndBefore(text, text.size()) == 0)
        text += lineFeed;
    if (!text.isEmpty() && !endsWithTwoLineEnds(text))
        text += lineFeed;
    text += tomlHeader + lineFeed;
    text += QStringLiteral("command = ") + tomlBasicString(executable) + lineFeed;
    text += QStringLiteral("args = [\"--mcp\"]") + lineFeed;
    return text;
}

} // namespace morvanex::agents
