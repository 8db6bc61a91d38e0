#pragma once

#include "platform/linux/LogindInhibitors.h"

#include <QString>
#include <chrono>
#include <optional>
#include <vector>

// The --dump mode's check that keep-awake really holds its power lock: logind's list of
// inhibitor locks, searched for the one keep-awake takes.
namespace morvanex::dump {

// One lock as a line of columns, in the order the login manager's own listing shows them:
// who, uid, pid, what, why, mode.
QString inhibitorLine(const platform::InhibitorEntry& entry);

// "KeepAwake " and the first lock line holding "Morvanex Keep Awake"; "KeepAwake assertion NOT
// found" when there is none or no list could be had.
QString keepAwakeCheckLine(const std::optional<std::vector<platform::InhibitorEntry>>& locks);

// The line for the locks logind holds now, asked on `bus` (the system bus); a missing bus or
// login manager answers at once, one that does not answer is given up after `bound`.
QString keepAwakeCheck(const QDBusConnection& bus,
                       std::chrono::milliseconds bound = std::chrono::milliseconds(2000));

} // namespace morvanex::dump
