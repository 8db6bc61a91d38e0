#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <vector>

// The value forms of the --dump report: every field of every line is printed through one of
// these, so the report reads the same whatever produced the value. Numbers never depend on
// the locale.
namespace morvanex::dump {

// The tag that begins a line: the word padded with spaces to 9 characters ("CPU      ").
QString tag(QStringView word);

// "true" or "false".
QString yesNo(bool value);

// Plain decimal, "-" before negative values.
QString integer(std::int64_t value);

// The shortest text that reads back as the same value, ".0" on whole values ("2.0"), an
// exponent only for very large or very small magnitudes; "nan" for not-a-number.
QString real(double value);

// real(), or "nan" when there is no value.
QString realOrNan(std::optional<double> value);

// printf's "%.Nf": fixed decimals.
QString fixed(double value, int decimals);

// The value truncated toward zero. A value with no whole number ("nan", infinities, beyond
// the 64-bit range) prints "—", as the formatting functions print what they cannot show.
QString whole(double value);

// The text, or "-" when there is none.
QString orDash(const std::optional<QString>& text);

// The text in double quotes with double quotes, backslashes and control characters escaped
// by a backslash: "\"", "\\", "\n", "\t", "\r", "\0", others as "\u{1b}".
QString quoted(QStringView text);

// The text with every control character written as quoted() writes it ("\n", "\t", "\r", "\0",
// others as "\u{1b}"), everything else as it is.
QString escapedControls(QStringView text);

// The bytes that print one report line: escapedControls() of the line in UTF-8, then a line
// end. Machine texts (names of processes, interfaces, volumes, networks, sensors and devices,
// the insight, weather and rule texts) reach the lines as the system holds them; written raw, a
// control character in one could command the terminal showing the report.
QByteArray lineBytes(QStringView line);

// A path's bytes for a line: as escapedControls() writes them when they are UTF-8, else each
// control byte escaped and every other byte as it is, so the line names the very path.
QByteArray pathBytes(const QByteArray& path);

// ["a", "b"] with every item quoted(); "[]" when empty.
QString textList(const QStringList& items);

// [1.5, 2.0] with every value real(); "[]" when empty.
QString numberList(const std::vector<double>& values);

} // namespace morvanex::dump
