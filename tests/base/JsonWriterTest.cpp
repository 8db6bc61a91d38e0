#include "base/JsonWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaType>
#include <QVariant>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace morvanex;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr qint64 int64Min = std::numeric_limits<qint64>::min();

QByteArray utf8(const char* text) {
    return QByteArray(text);
}

// QJsonObject equality compares members in storage order, and the reader stores keys in a
// different order than insert() does; rebuilding by insert() makes read-back values comparable.
QJsonValue rebuilt(const QJsonValue& value) {
    if (value.isArray()) {
        QJsonArray array;
        for (const QJsonValue& element : value.toArray())
            array.append(rebuilt(element));
        return array;
    }
    if (value.isObject()) {
        QJsonObject object;
        const QJsonObject source = value.toObject();
        for (auto it = source.begin(); it != source.end(); ++it)
            object.insert(it.key(), rebuilt(it.value()));
        return object;
    }
    return value;
}

// Reads a written text back; a top-level scalar is wrapped so the reader accepts it.
QJsonValue readBack(const QByteArray& text) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson("[" + text + "]", &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return rebuilt(document.array().at(0));
}

struct Row {
    const char* name;
    QJsonValue value;
    const char* compact;
    const char* pretty;
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

class JsonWriterTable : public testing::TestWithParam<Row> {};

TEST_P(JsonWriterTable, WritesExactTextThatReadsBack) {
    const Row& row = GetParam();
    const std::optional<QByteArray> compact = json::compact(row.value);
    const std::optional<QByteArray> pretty = json::pretty(row.value);
    ASSERT_TRUE(compact && pretty);
    EXPECT_EQ(*compact, utf8(row.compact));
    EXPECT_EQ(*pretty, utf8(row.pretty));
    EXPECT_EQ(readBack(*compact), row.value);
    EXPECT_EQ(readBack(*pretty), row.value);
}

QJsonArray mixedArray() {
    return {1, QStringLiteral("x"), QJsonValue(), false};
}

QJsonObject nestedObject() {
    return {{QStringLiteral("b"), 1},
            {QStringLiteral("a"), QJsonArray{true}},
            {QStringLiteral("list"),
             QJsonArray{QJsonObject(), QJsonArray(), QJsonObject{{QStringLiteral("k"), "v"}}}}};
}

// Keys sort by UTF-16 code unit: U+1F600 (a surrogate pair from 0xD83D) before U+FF21.
QJsonObject unicodeKeys() {
    QJsonObject object;
    for (const char* key : {"\uFF21", "\U0001F600", "z", "\u00E9", "A"})
        object.insert(QString::fromUtf8(key), 1);
    return object;
}

INSTANTIATE_TEST_SUITE_P(
    JsonValues, JsonWriterTable,
    testing::Values(
        Row{"Null", QJsonValue(), "null", "null"}, Row{"True", true, "true", "true"},
        Row{"False", false, "false", "false"}, Row{"SmallInteger", 2, "2", "2"},
        Row{"NegativeInteger", -7, "-7", "-7"},
        Row{"Int64BeyondDoublePrecision", qint64(1152921504606846977), "1152921504606846977",
            "1152921504606846977"},
        Row{"Int64Min", int64Min, "-9223372036854775808", "-9223372036854775808"},
        Row{"WholeDouble", 2.0, "2", "2"}, Row{"NegativeZero", -0.0, "0", "0"},
        Row{"LargestExactWholeDouble", 9007199254740991.0, "9007199254740991", "9007199254740991"},
        Row{"TwoTo53", 9007199254740992.0, "9007199254740992", "9007199254740992"},
        Row{"HugeWholeDouble", 1e16, "1e+16", "1e+16"}, Row{"Fraction", 0.1, "0.1", "0.1"},
        Row{"NegativeFraction", -123.456, "-123.456", "-123.456"},
        Row{"SmallFraction", 1.5e-7, "1.5e-07", "1.5e-07"},
        Row{"Largest", 1.7976931348623157e308, "1.7976931348623157e+308",
            "1.7976931348623157e+308"},
        Row{"EmptyString", QString(), "\"\"", "\"\""},
        Row{"Text", QStringLiteral("a/b c"), "\"a/b c\"", "\"a/b c\""},
        Row{"EmptyArray", QJsonArray(), "[]", "[]"}, Row{"EmptyObject", QJsonObject(), "{}", "{}"},
        Row{"MixedArray", mixedArray(), "[1,\"x\",null,false]",
            "[\n  1,\n  \"x\",\n  null,\n  false\n]"},
        Row{"NestedObject", nestedObject(), "{\"a\":[true],\"b\":1,\"list\":[{},[],{\"k\":\"v\"}]}",
            "{\n"
            "  \"a\" : [\n"
            "    true\n"
            "  ],\n"
            "  \"b\" : 1,\n"
            "  \"list\" : [\n"
            "    {},\n"
            "    [],\n"
            "    {\n"
            "      \"k\" : \"v\"\n"
            "    }\n"
            "  ]\n"
            "}"},
        Row{"ArrayOfArrays", QJsonArray{QJsonArray{1, 2}, QJsonArray{}}, "[[1,2],[]]",
            "[\n  [\n    1,\n    2\n  ],\n  []\n]"},
        Row{"UnicodeKeysInCodeUnitOrder", unicodeKeys(),
            "{\"A\":1,\"z\":1,\"\u00E9\":1,\"\U0001F600\":1,\"\uFF21\":1}",
            "{\n  \"A\" : 1,\n  \"z\" : 1,\n  \"\u00E9\" : 1,\n  \"\U0001F600\" : 1,\n"
            "  \"\uFF21\" : 1\n}"}),
    [](const testing::TestParamInfo<Row>& instance) { return std::string(instance.param.name); });

TEST(JsonWriterNumbers, QtKeepsTheRepresentationsTheWriterRelies) {
    EXPECT_EQ(QJsonValue(qint64(1) << 60).toVariant().typeId(), QMetaType::LongLong);
    EXPECT_EQ(QJsonValue(1e16).toVariant().typeId(), QMetaType::Double);
    EXPECT_TRUE(std::isnan(QJsonValue(nan).toDouble()));
    EXPECT_TRUE(std::isnan(QJsonArray{nan}.at(0).toDouble()));
    EXPECT_TRUE(
        std::isnan(QJsonObject{{QStringLiteral("k"), nan}}.value(QStringLiteral("k")).toDouble()));
}

TEST(JsonWriterKeys, OrderDependsOnTheKeysNotOnHowTheObjectWasBuilt) {
    const QJsonObject inserted = unicodeKeys();
    const QJsonObject parsed = QJsonDocument::fromJson(QJsonDocument(inserted).toJson()).object();
    ASSERT_NE(parsed.keys(), inserted.keys()); // the reader really does order them differently
    EXPECT_EQ(json::compact(parsed), json::compact(inserted));
    EXPECT_EQ(json::pretty(parsed), json::pretty(inserted));
}

TEST(JsonWriterStrings, EscapesOnlyQuotesBackslashesAndControls) {
    struct Case {
        QString text;
        const char* escaped;
    };
    const Case cases[] = {
        {QStringLiteral("\""), "\\\""},
        {QStringLiteral("\\"), "\\\\"},
        {QStringLiteral("\n\r\t\b\f"), "\\n\\r\\t\\b\\f"},
        {QString(QChar(0)), "\\u0000"},
        {QStringLiteral("\x01"), "\\u0001"},
        {QStringLiteral("\x1b[0m"), "\\u001b[0m"},
        {QStringLiteral("\x1f"), "\\u001f"},
        {QStringLiteral(" ~\x7f"), " ~\x7f"},
        {QStringLiteral("/path/"), "/path/"},
        {QString::fromUtf8("\u00E9\u2028\u2029\U0001F600"), "\u00E9\u2028\u2029\U0001F600"},
        {QStringLiteral("a\"b\\c\nd"), "a\\\"b\\\\c\\nd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.escaped);
        const QByteArray quoted = "\"" + utf8(c.escaped) + "\"";
        EXPECT_EQ(json::compact(c.text), quoted);
        EXPECT_EQ(json::pretty(c.text), quoted);
        EXPECT_EQ(readBack(quoted).toString(), c.text);
        // Keys use the same escaping.
        const QJsonObject object{{c.text, 1}};
        EXPECT_EQ(json::compact(object), "{" + quoted + ":1}");
        EXPECT_EQ(json::pretty(object), "{\n  " + quoted + " : 1\n}");
    }
}

TEST(JsonWriterOrdered, KeepsDeclaredMemberOrder) {
    const json::OrderedObject object = {
        {QStringLiteral("zeta"), 1},
        {QStringLiteral("alpha"), QStringLiteral("two")},
        {QStringLiteral("mid"), QJsonObject{{QStringLiteral("y"), 1}, {QStringLiteral("b"), 0.5}}},
        {QStringLiteral("beta"), QJsonArray{3, QJsonValue()}},
    };
    const std::optional<QByteArray> text = json::compact(object);
    ASSERT_TRUE(text);
    // Only the top level keeps the given order; nested objects are Qt objects, sorted.
    EXPECT_EQ(*text,
              "{\"zeta\":1,\"alpha\":\"two\",\"mid\":{\"b\":0.5,\"y\":1},\"beta\":[3,null]}");

    QJsonObject expected;
    for (const auto& [key, value] : object)
        expected.insert(key, value);
    EXPECT_EQ(readBack(*text), expected);

    EXPECT_EQ(json::compact(json::OrderedObject{}), "{}");
    EXPECT_EQ(json::compact(json::OrderedObject{{QStringLiteral("a\tb"), QStringLiteral("\x02")}}),
              "{\"a\\tb\":\"\\u0002\"}");
}

TEST(JsonWriterFailure, NonFiniteNumbersAnywhereFailTheWholeWrite) {
    for (const double bad : {nan, inf, -inf}) {
        SCOPED_TRACE(bad);
        const QJsonValue deep = QJsonObject{
            {QStringLiteral("a"), 1},
            {QStringLiteral("b"), QJsonArray{1, QJsonObject{{QStringLiteral("c"), bad}}}},
            {QStringLiteral("z"), QStringLiteral("after")}};
        for (const QJsonValue& value : {QJsonValue(bad), QJsonValue(QJsonArray{2, bad}), deep}) {
            EXPECT_EQ(json::compact(value), std::nullopt);
            EXPECT_EQ(json::pretty(value), std::nullopt);
        }
        EXPECT_EQ(json::compact(json::OrderedObject{{QStringLiteral("ok"), 1},
                                                    {QStringLiteral("bad"), QJsonArray{bad}}}),
                  std::nullopt);
    }
}

TEST(JsonWriterUndefined, WritesNull) {
    const QJsonValue undefined(QJsonValue::Undefined);
    EXPECT_EQ(json::compact(undefined), "null");
    EXPECT_EQ(json::pretty(undefined), "null");
    EXPECT_EQ(json::compact(json::OrderedObject{{QStringLiteral("u"), undefined}}), "{\"u\":null}");
}

} // namespace
