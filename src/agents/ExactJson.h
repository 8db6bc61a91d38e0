#pragma once

#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

// A JSON text's values exactly as the text states them. Qt's JSON classes, which the agent
// configuration files are edited with, hold numbers as doubles or 64-bit integers, keep one
// of two members with the same key, carry lone surrogates into text they cannot encode and
// accept raw control characters in strings; comparing what a file said with what its rewrite
// says shows whether the rewrite kept every value.
namespace morvanex::agents {

struct ExactJson {
    enum class Kind { null, boolean, number, string, array, object };
    Kind kind = Kind::null;
    // Scalars as written: a string without its quotation marks and with its escapes, a number
    // or a word. Compared by what they stand for, so "\u00e9" equals "é" and 1.50 equals 15e-1.
    QStringView text;
    // An object member's key, and the key with its escapes decoded when it has any.
    QStringView key;
    QString decodedKey;
    // Elements of an array, members of an object in text order with repeated keys kept.
    std::vector<ExactJson> children;

    QStringView keyValue() const { return decodedKey.isNull() ? key : QStringView(decodedKey); }
};

// A whole text and its value; the value's views point into the text.
struct ExactJsonDocument {
    QString text;
    ExactJson value;
};

// The value of a whole text that is strict JSON (RFC 8259): white space around it allowed,
// nothing else. Nothing for comments, trailing commas, raw control characters in strings,
// a byte order mark, or nesting deeper than 1024 levels.
std::optional<ExactJsonDocument> readExactJson(QString text);

// The same values: numbers by decimal value, strings by UTF-16 code units (lone surrogates
// included), objects by their members whatever their order (members with one key compare in
// text order).
bool sameJson(const ExactJson& a, const ExactJson& b);

} // namespace morvanex::agents
