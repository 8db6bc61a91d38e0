#pragma once

#include "platform/Roots.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <map>

namespace morvanex::platform {

// Cumulative byte counters of one network interface, as the kernel keeps them.
struct ByteCounters {
    std::uint64_t rx = 0; // bytes received
    std::uint64_t tx = 0; // bytes sent

    bool operator==(const ByteCounters&) const = default;
};

// Counters by interface name.
using CounterMap = std::map<QString, ByteCounters>;

// The table of /proc/net/dev: two heading lines, then "name: rx_bytes rx_packets ... tx_bytes
// ..." per interface. Lines that do not parse are skipped; a later line for a name replaces an
// earlier one. Names that are not valid UTF-8 are decoded with replacement characters.
CounterMap parseNetDev(const QByteArray& text);

// Counters of every interface of this network namespace; empty when the table cannot be read.
CounterMap readNetCounters(const Roots& roots);

} // namespace morvanex::platform
