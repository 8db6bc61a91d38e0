#include "base/JsonWriter.h"

#include "base/Numbers.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QMetaType>
#include <QVariant>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace morvanex::json {
namespace {

// Whole doubles below 2^53 in magnitude are written as integers; from there on not every
// whole number is exact, so the shortest round-trip form is clearer.
constexpr double exactIntegerLimit = 9007199254740992.0;

void appendString(QByteArray& out, const QString& text) {
    static constexpr char hex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out += '"';
    // Runs of bytes that need no escape are copied whole.
    qsizetype plain = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto code = static_cast<unsigned char>(utf8[i]);
        if (code >= 0x20 && code != '"' && code != '\\')
            continue;
        out.append(utf8.constData() + plain, i - plain);
        plain = i + 1;
        switch (code) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            out += "\\u00";
            out += hex[code >> 4];
            out += hex[code & 0xf];
        }
    }
    out.append(utf8.constData() + plain, utf8.size() - plain);
    out += '"';
}

// QJsonObject keeps keys sorted, but by UTF-16 code unit when built by insert() and by code
// point when read by QJsonDocument; the two differ once keys mix characters beyond U+FFFF with
// U+E000...U+FFFF. Sorting here makes the text depend on the keys only.
OrderedObject sortedMembers(const QJsonObject& object) {
    OrderedObject members;
    members.reserve(object.size());
    for (auto it = object.begin(); it != object.end(); ++it)
        members.emplace_back(it.key(), it.value());
    std::sort(members.begin(), members.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    return members;
}

bool appendNumber(QByteArray& out, const QJsonValue& value) {
    // Integers Qt holds as qint64 are exact even beyond 2^53; only doubles need care.
    if (value.toVariant().typeId() == QMetaType::LongLong) {
        out += numbers::integerText(value.toInteger());
        return true;
    }
    const double number = value.toDouble();
    if (!std::isfinite(number))
        return false;
    if (number == std::trunc(number) && std::fabs(number) < exactIntegerLimit) {
        // -0.0 becomes "0": JSON readers treat both the same.
        out += numbers::integerText(static_cast<std::int64_t>(number));
        return true;
    }
    std::array<char, 32> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), number);
    out.append(buffer.data(), result.ptr - buffer.data());
    return true;
}

// Appends values to one text, compact or indented by depth. Every step returns false when the
// tree holds a number JSON cannot express.
class Writer {
public:
    explicit Writer(bool pretty) : pretty_(pretty) {}

    bool value(const QJsonValue& value, int depth) {
        switch (value.type()) {
        case QJsonValue::Null:
        case QJsonValue::Undefined:
            out_ += "null";
            return true;
        case QJsonValue::Bool:
            out_ += value.toBool() ? "true" : "false";
            return true;
        case QJsonValue::Double:
            return appendNumber(out_, value);
        case QJsonValue::String:
            appendString(out_, value.toString());
            return true;
        case QJsonValue::Array:
            return array(value.toArray(), depth);
        case QJsonValue::Object:
            return object(sortedMembers(value.toObject()), depth);
        }
        return false;
    }

    bool object(const OrderedObject& members, int depth) {
        if (members.empty()) {
            out_ += "{}";
            return true;
        }
        out_ += '{';
        bool first = true;
        for (const auto& [key, member] : members) {
            separator(first, depth + 1);
            appendString(out_, key);
            out_ += pretty_ ? " : " : ":";
            if (!value(member, depth + 1))
                return false;
        }
        close('}', depth);
        return true;
    }

    bool array(const QJsonArray& elements, int depth) {
        if (elements.isEmpty()) {
            out_ += "[]";
            return true;
        }
        out_ += '[';
        bool first = true;
        for (const QJsonValue& element : elements) {
            separator(first, depth + 1);
            if (!value(element, depth + 1))
                return false;
        }
        close(']', depth);
        return true;
    }

    QByteArray take() { return std::move(out_); }

private:
    void separator(bool& first, int depth) {
        if (!first)
            out_ += ',';
        first = false;
        newline(depth);
    }

    void close(char bracket, int depth) {
        newline(depth);
        out_ += bracket;
    }

    void newline(int depth) {
        if (!pretty_)
            return;
        out_ += '\n';
        out_.append(2 * depth, ' ');
    }

    bool pretty_;
    QByteArray out_;
};

template <typename Write> std::optional<QByteArray> run(bool pretty, Write write) {
    Writer writer(pretty);
    if (!write(writer))
        return std::nullopt;
    return writer.take();
}

} // namespace

std::optional<QByteArray> compact(const QJsonValue& value) {
    return run(false, [&](Writer& w) { return w.value(value, 0); });
}

std::optional<QByteArray> compact(const OrderedObject& object) {
    return run(false, [&](Writer& w) { return w.object(object, 0); });
}

std::optional<QByteArray> pretty(const QJsonValue& value) {
    return run(true, [&](Writer& w) { return w.value(value, 0); });
}

} // namespace morvanex::json
