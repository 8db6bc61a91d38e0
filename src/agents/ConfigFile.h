#pragma once

#include <QString>
#include <optional>

// Reading and writing an agent application's configuration file so that the user's file is
// never lost: the first change keeps a copy of the original beside it, and every write
// replaces the file whole, so a reader never sees half of it.
namespace morvanex::agents {

inline const QString backupSuffix = QStringLiteral(".morvanex-backup");

// The whole file decoded as UTF-8, or the empty text when nothing exists at `path`. Nothing
// when the file cannot be read, is not a regular file, or is not valid UTF-8: such a file is
// left alone rather than rewritten from a lossy decoding. A byte order mark is kept.
std::optional<QString> readConfigText(const QString& path);

// Creates the missing parent folders, copies an existing file to `path` + backupSuffix when
// no backup exists yet, then writes `text` as UTF-8 to a temporary file that replaces `path`.
// On failure, one sentence naming the file and the system's reason; the file is unchanged.
std::optional<QString> writeConfigText(const QString& path, const QString& text);

} // namespace morvanex::agents
