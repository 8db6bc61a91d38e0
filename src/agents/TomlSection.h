#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// The server entry's section in a TOML configuration, edited as text so that everything else
// in the user's file keeps its exact bytes, comments and layout.
namespace morvanex::agents {

inline const QString tomlHeader = QStringLiteral("[mcp_servers.morvanex]");

// Offsets into the text: the section is [start, end).
struct TextRange {
    qsizetype start = 0;
    qsizetype end = 0;
};

// The section: from the start of the first line that holds the header (after optional spaces
// or tabs) to the start of the next line whose first character is "[", or to the end of the
// text. Nothing when no line begins with the header.
std::optional<TextRange> tomlSection(QStringView text);

// The value of the section's first line that begins with "command" (spaces and tabs
// ignored): the TOML basic string after its first double quotation mark, escapes decoded, up
// to the closing quotation mark or the end of the line. Empty without such a line or quote.
QString tomlCommand(QStringView section);

// `value` as a TOML basic string, quotation marks included.
QString tomlBasicString(const QString& value);

// The text with the section removed (at most one line end left at the end of the text) and,
// when adding, a new section appended after one blank line:
//   [mcp_servers.morvanex]
//   command = "<executable>"
//   args = ["--mcp"]
QString updatedToml(QString text, bool adding, const QString& executable);

} // namespace morvanex::agents
