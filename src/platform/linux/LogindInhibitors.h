#pragma once

#include <QDBusConnection>
#include <QString>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace morvanex::platform {

// One inhibitor lock as the login manager (logind) lists it.
struct InhibitorEntry {
    QString what; // colon-separated operations it blocks: "sleep", "idle:sleep"
    QString who;  // the application that took it
    QString why;  // the reason given
    QString mode; // "block" or "delay"
    std::uint32_t uid = 0;
    std::uint32_t pid = 0;

    bool operator==(const InhibitorEntry&) const = default;
};

// The locks logind holds right now, asked on `bus` (the system bus) and waiting at most `bound`
// for the answer. Nothing when there is no bus, logind is missing or does not answer in time.
std::optional<std::vector<InhibitorEntry>> listInhibitors(const QDBusConnection& bus,
                                                          std::chrono::milliseconds bound);

} // namespace morvanex::platform
