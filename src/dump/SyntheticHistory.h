#pragma once

#include "history/HistoryStore.h"
#include "platform/Clock.h"

#include <QString>
#include <memory>

// A month of made-up history for the dump's panel renders, so that every history graph has a
// line to draw on any machine. It lives in a database of its own, never the user's.
namespace morvanex::DebugDump {

// "morvanex-dump-history.sqlite" in the temporary directory (TMPDIR, else /tmp), read on each
// call. Empty when TMPDIR names a folder that does not exist.
QString syntheticHistoryPath();

// The seven values recorded at Unix time `t` (seconds): processor user and system share,
// download and upload rates, temperature, fan speed and power. The other metrics are never
// present, so their graphs stay empty. A daily swing plus a faster wobble; the fan never drops
// below 2400 rpm and no rate below 0.
HistoryStore::Values sample(double t);

// Deletes the database at syntheticHistoryPath() with its log and index, opens a new one for
// writing and fills it: 30 days up to `clock`'s now, one sample a minute except between 02:00
// and 06:59 local time (the breaks a sleeping machine leaves), then the last hour every
// 2 seconds. Returns once everything is written and rolled up. Nothing when the store cannot
// be opened, when there is no temporary folder, or when a file of an earlier run could not
// be removed (its rows would show among this run's).
std::unique_ptr<HistoryStore>
syntheticHistory(const platform::Clock& clock = platform::Clock::system());

} // namespace morvanex::DebugDump
