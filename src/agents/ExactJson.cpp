#include "agents/ExactJson.h"

#include "base/HexDigit.h"

#include <algorithm>

namespace morvanex::agents {
namespace {

constexpr int nestingLimit = 1024;
// Exponents this long never come out of a writer of doubles; such a number stays as written.
constexpr qsizetype exponentDigitsLimit = 15;

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The code units a string's text between its quotation marks stands for. The text has passed
// the reader, so every escape in it is whole; a \u escape gives its code unit even when that
// is half of no pair.
QString unescaped(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        const char16_t escaped = text.at(++i).unicode();
        switch (escaped) {
        case u'b':
            out += QLatin1Char('\b');
            break;
        case u'f':
            out += QLatin1Char('\f');
            break;
        case u'n':
            out += QLatin1Char('\n');
            break;
        case u'r':
            out += QLatin1Char('\r');
            break;
        case u't':
            out += QLatin1Char('\t');
            break;
        case u'u': {
            char16_t unit = 0;
            for (int digit = 0; digit < 4; ++digit)
                unit = char16_t(unit * 16 + *hexDigit(text.at(++i)));
            out += QChar(unit);
            break;
        }
        default: // " \ /
            out += QChar(escaped);
        }
    }
    return out;
}

bool sameString(QStringView a, QStringView b) {
    if (a == b)
        return true;
    const bool aEscaped = a.contains(QLatin1Char('\\'));
    const bool bEscaped = b.contains(QLatin1Char('\\'));
    if (!aEscaped && !bEscaped)
        return false;
    return (aEscaped ? QStringView(unescaped(a)) : a) == (bEscaped ? QStringView(unescaped(b)) : b);
}

// A number's exact decimal value in one form: its significant digits without leading or
// trailing zeros, "e" and the power of ten ("-15e2" for -1500.0, "0" for every zero). A
// number whose exponent is too long to count stays as written, marked with "~".
QString canonicalNumber(QStringView text) {
    qsizetype at = 0;
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative)
        ++at;
    QString significant;
    qint64 exponent = 0;
    bool fraction = false;
    for (; at < text.size() && text.at(at) != QLatin1Char('e') && text.at(at) != QLatin1Char('E');
         ++at) {
        if (text.at(at) == QLatin1Char('.')) {
            fraction = true;
            continue;
        }
        significant += text.at(at);
        if (fraction)
            --exponent;
    }
    if (at < text.size()) {
        QStringView power = text.mid(at + 1);
        const bool powerNegative = power.startsWith(QLatin1Char('-'));
        if (powerNegative || power.startsWith(QLatin1Char('+')))
            power = power.mid(1);
        while (power.size() > 1 && power.startsWith(QLatin1Char('0')))
            power = power.mid(1);
        if (power.size() > exponentDigitsLimit)
            return QLatin1Char('~') + text.toString();
        const qint64 written = power.toLongLong();
        exponent += powerNegative ? -written : written;
    }
    qsizetype first = 0;
    while (first < significant.size() && significant.at(first) == QLatin1Char('0'))
        ++first;
    significant.remove(0, first);
    if (significant.isEmpty())
        return QStringLiteral("0");
    while (significant.endsWith(QLatin1Char('0'))) {
        significant.chop(1);
        ++exponent;
    }
    return (negative ? QStringLiteral("-") : QString()) + significant + QLatin1Char('e') +
           QString::number(exponent);
}

bool sameNumber(QStringView a, QStringView b) {
    return a == b || canonicalNumber(a) == canonicalNumber(b);
}

class Reader {
public:
    explicit Reader(QStringView text) : text_(text) {}

    std::optional<ExactJson> document() {
        skipSpace();
        ExactJson value;
        if (!read(value, 0))
            return std::nullopt;
        skipSpace();
        if (at_ != text_.size())
            return std::nullopt;
        return value;
    }

private:
    bool atEnd() const { return at_ >= text_.size(); }

    bool take(char16_t c) {
        if (atEnd() || text_.at(at_) != QChar(c))
            return false;
        ++at_;
        return true;
    }

    void skipSpace() {
        while (!atEnd()) {
            const char16_t c = text_.at(at_).unicode();
            if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r')
                return;
            ++at_;
        }
    }

    bool read(ExactJson& value, int depth) {
        if (depth >= nestingLimit || atEnd())
            return false;
        const char16_t c = text_.at(at_).unicode();
        if (c == u'{')
            return object(value, depth);
        if (c == u'[')
            return array(value, depth);
        if (c == u'"') {
            value.kind = ExactJson::Kind::string;
            return string(value.text);
        }
        if (c == u'-' || isDigit(QChar(c))) {
            value.kind = ExactJson::Kind::number;
            return number(value.text);
        }
        for (const auto& [word, kind] : {std::pair{u"true", ExactJson::Kind::boolean},
                                         std::pair{u"false", ExactJson::Kind::boolean},
                                         std::pair{u"null", ExactJson::Kind::null}}) {
            const QStringView literal(word);
            if (text_.mid(at_).startsWith(literal)) {
                value.kind = kind;
                value.text = text_.mid(at_, literal.size());
                at_ += literal.size();
                return true;
            }
        }
        return false;
    }

    bool object(ExactJson& value, int depth) {
        ++at_; // "{"
        value.kind = ExactJson::Kind::object;
        skipSpace();
        if (take(u'}'))
            return true;
        for (;;) {
            skipSpace();
            ExactJson& member = value.children.emplace_back();
            if (!string(member.key))
                return false;
            if (member.key.contains(QLatin1Char('\\')))
                member.decodedKey = unescaped(member.key);
            skipSpace();
            if (!take(u':'))
                return false;
            skipSpace();
            if (!read(member, depth + 1))
                return false;
            skipSpace();
            if (take(u'}'))
                return true;
            if (!take(u','))
                return false;
        }
    }

    bool array(ExactJson& value, int depth) {
        ++at_; // "["
        value.kind = ExactJson::Kind::array;
        skipSpace();
        if (take(u']'))
            return true;
        for (;;) {
            skipSpace();
            if (!read(value.children.emplace_back(), depth + 1))
                return false;
            skipSpace();
            if (take(u']'))
                return true;
            if (!take(u','))
                return false;
        }
    }

    // The text between the quotation marks; escapes are checked here and decoded only when a
    // comparison needs them.
    bool string(QStringView& inside) {
        if (!take(u'"'))
            return false;
        const qsizetype start = at_;
        while (!atEnd()) {
            const char16_t c = text_.at(at_++).unicode();
            if (c == u'"') {
                inside = text_.mid(start, at_ - 1 - start);
                return true;
            }
            if (c < 0x20)
                return false;
            if (c != u'\\')
                continue;
            if (atEnd())
                return false;
            switch (text_.at(at_++).unicode()) {
            case u'"':
            case u'\\':
            case u'/':
            case u'b':
            case u'f':
            case u'n':
            case u'r':
            case u't':
                break;
            case u'u':
                for (int i = 0; i < 4; ++i) {
                    if (atEnd() || !hexDigit(text_.at(at_)))
                        return false;
                    ++at_;
                }
                break;
            default:
                return false;
            }
        }
        return false;
    }

    qsizetype digits() {
        const qsizetype start = at_;
        while (!atEnd() && isDigit(text_.at(at_)))
            ++at_;
        return at_ - start;
    }

    // -? (0 | [1-9][0-9]*) (. [0-9]+)? ([eE] [+-]? [0-9]+)?
    bool number(QStringView& written) {
        const qsizetype start = at_;
        take(u'-');
        const qsizetype integerStart = at_;
        const qsizetype integerDigits = digits();
        if (integerDigits == 0 || (integerDigits > 1 && text_.at(integerStart) == u'0'))
            return false;
        if (take(u'.') && digits() == 0)
            return false;
        if (take(u'e') || take(u'E')) {
            if (!take(u'-'))
                take(u'+');
            if (digits() == 0)
                return false;
        }
        written = text_.mid(start, at_ - start);
        return true;
    }

    QStringView text_;
    qsizetype at_ = 0;
};

std::vector<const ExactJson*> byKey(const std::vector<ExactJson>& members) {
    std::vector<const ExactJson*> sorted;
    sorted.reserve(members.size());
    for (const ExactJson& member : members)
        sorted.push_back(&member);
    std::stable_sort(sorted.begin(), sorted.end(), [](const ExactJson* a, const ExactJson* b) {
        return a->keyValue() < b->keyValue();
    });
    return sorted;
}

} // namespace

std::optional<ExactJsonDocument> readExactJson(QString text) {
    ExactJsonDocument document{std::move(text), {}};
    auto value = Reader(document.text).document();
    if (!value)
        return std::nullopt;
    document.value = *std::move(value);
    return document;
}

bool sameJson(const ExactJson& a, const ExactJson& b) {
    if (a.kind != b.kind || a.children.size() != b.children.size())
        return false;
    switch (a.kind) {
    case ExactJson::Kind::null:
        return true;
    case ExactJson::Kind::boolean:
        return a.text == b.text;
    case ExactJson::Kind::number:
        return sameNumber(a.text, b.text);
    case ExactJson::Kind::string:
        return sameString(a.text, b.text);
    case ExactJson::Kind::array:
        for (std::size_t i = 0; i < a.children.size(); ++i) {
            if (!sameJson(a.children[i], b.children[i]))
                return false;
        }
        return true;
    case ExactJson::Kind::object:
        break;
    }
    const auto left = byKey(a.children);
    const auto right = byKey(b.children);
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (left[i]->keyValue() != right[i]->keyValue() || !sameJson(*left[i], *right[i]))
            return false;
    }
    return true;
}

} // namespace morvanex::agents
