#pragma once

#include "platform/linux/SmcTransport.h"

#include <QByteArray>
#include <QHash>
#include <functional>
#include <optional>
#include <vector>

namespace morvanex::platform {

// One key of a table that stands in for a controller.
struct SmcTableKey {
    QByteArray key;  // four characters
    QByteArray type; // four characters: "flt ", "ui8 ", "ui32", ...
    std::uint32_t size = 0;
    // The value's bytes, read afresh on every call; nothing when the source fails to read.
    std::function<std::optional<QByteArray>()> read;
};

// Bytes of the types the table serves.
QByteArray smcFloatBytes(double value);                     // "flt ": little-endian single
QByteArray smcUnsignedBytes(std::uint64_t value, int size); // "ui8 "…"ui32": big-endian

// A controller made of a fixed list of keys, in list order for key-at-index. Key information
// comes from the table; a read calls the key's reader, and a reader that fails fails the read.
class SmcKeyTableTransport final : public SmcTransport {
public:
    explicit SmcKeyTableTransport(std::vector<SmcTableKey> keys);

    int call(const SmcParam& request, SmcParam& reply) override;

    const std::vector<SmcTableKey>& keys() const { return keys_; }

private:
    std::vector<SmcTableKey> keys_;
    QHash<std::uint32_t, std::size_t> positions_; // key code → position in keys_
};

} // namespace morvanex::platform
