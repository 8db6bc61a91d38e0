#pragma once

#include <QString>
#include <variant>

// The text edit of the server entry's section (TomlSection.h), checked with a TOML parser: the
// edit keeps the user's bytes, comments and layout, but it finds the section by its header
// line alone, so a file is rewritten only when the parsed result shows that the edit changed
// the entry and nothing else.
namespace morvanex::agents {

enum class TomlRefusal {
    unreadable,    // the text is not TOML
    entryForm,     // the entry is written in a form the edit cannot change whole
    otherSettings, // the edit would change or break something outside the entry
};

// updatedToml(text, adding, executable) when, parsed, it holds the same tables and values as
// `text` apart from the entry, and the entry is the one written (adding) or gone (removing).
std::variant<QString, TomlRefusal> checkedTomlUpdate(const QString& text, bool adding,
                                                     const QString& executable);

} // namespace morvanex::agents
