#pragma once

#include <QString>
#include <optional>

// Reading and writing an agent application's configuration file so that the user's file is
// never lost: the first change keeps a copy of the original beside it, and every write
// replaces the file whole, so a reader never sees half of it.
namespace morvanex::agents {

inline const QString backupSuffix = QStringLiteral(".morvanex-backup");

// The whole file decoded as UTF-8, or the empty text when nothing exists at `path` (a symbolic
// link to nothing counts as nothing). Nothing when the file cannot be read (a link loop among
// others), is not a regular file, or is not valid UTF-8: such a file is left alone rather than
// replaced or rewritten from a lossy decoding. A byte order mark is kept.
std::optional<QString> readConfigText(const QString& path);

// Creates the missing parent folders, removes the temporary copies a killed run left of the
// backup (regular files named `path` + backupSuffix + "." + six letters or digits, unchanged
// for over a minute), and writes `text` as UTF-8 to a temporary file; once that
// has succeeded, copies an existing file to `path` + backupSuffix when no backup exists yet
// (through a temporary name, so the backup is always whole), then lets the temporary file
// replace `path`. On failure, one sentence naming the file and the system's reason; the file
// is unchanged and no backup is left by this call.
std::optional<QString> writeConfigText(const QString& path, const QString& text);

} // namespace morvanex::agents
