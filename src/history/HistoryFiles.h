#pragma once

#include <QString>
#include <cstdint>

// Where the history database lives on disk and what its files weigh.
namespace morvanex::historyfiles {

// $XDG_DATA_HOME/Morvanex/history.sqlite (~/.local/share/… when unset); computed on each call
// and creates nothing.
QString defaultPath();

// Bytes of the database file plus its write-ahead log; a missing file counts 0. The shared
// memory index is not counted: it is scratch space, not stored history.
std::int64_t sizeOnDisk(const QString& databasePath);

// Moves a database file that is not a usable database out of the way, with its log and index,
// under the name "<path>.corrupt-<unixTime>" (a further ".N" when that is taken). The file is
// kept for inspection, never deleted. True when the database file itself was moved.
bool setAside(const QString& databasePath, std::int64_t unixTime);

} // namespace morvanex::historyfiles
