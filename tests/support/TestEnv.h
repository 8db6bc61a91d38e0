#pragma once

#include <QString>

namespace morvanex::test {

// The per-test scratch folder: HOME and the XDG folders point inside it.
QString scratchDir();

// Installs a gtest listener that gives every test a fresh HOME, XDG_CONFIG_HOME,
// XDG_DATA_HOME, XDG_RUNTIME_DIR and TZ=UTC, so no test reads or writes the user's files, and
// points both D-Bus addresses at sockets that do not exist, so no test reaches the machine's
// buses.
void installIsolation();

} // namespace morvanex::test
