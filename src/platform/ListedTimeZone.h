#pragma once

#include "platform/Roots.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QTimeZone>

namespace morvanex::platform {

// Zones named by text from outside the program (settings, calendar files, a web service). The
// system's zone backend builds a zone by opening a file named after the zone's name below the
// zone database, so a name such as "../../../../etc/passwd", or one leading to a FIFO (where
// opening waits forever), must never reach it. Only names the zone database lists do; the list
// is read once from the database's index, which opens no file named by any zone.

// Every zone and link name the database below `roots.zoneinfo` defines, from its index
// (tzdata.zi). Empty, with a warning, when there is no readable index.
QSet<QByteArray> zoneDatabaseNames(const Roots& roots);

// Whether the zone database lists `id`: a name of the system's database, or of Qt's own list.
bool isListedTimeZone(const QByteArray& id);

// The zone `name` names, or an invalid zone when the zone database does not list it (or lists
// it without a usable definition).
QTimeZone listedTimeZone(const QByteArray& name);
QTimeZone listedTimeZone(const QString& name);

} // namespace morvanex::platform
