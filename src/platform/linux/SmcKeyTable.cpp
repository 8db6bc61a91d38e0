#include "platform/linux/SmcKeyTable.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace morvanex::platform {

QByteArray smcFloatBytes(double value) {
    const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(value));
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char(bits >> (8 * i));
    return bytes;
}

QByteArray smcUnsignedBytes(std::uint64_t value, int size) {
    QByteArray bytes(size, '\0');
    for (int i = size - 1; i >= 0; --i) {
        bytes[i] = char(value & 0xFF);
        value >>= 8;
    }
    return bytes;
}

SmcKeyTableTransport::SmcKeyTableTransport(std::vector<SmcTableKey> keys) : keys_(std::move(keys)) {
    for (std::size_t i = 0; i < keys_.size(); ++i)
        positions_.insert(smcFourCC(keys_[i].key), i);
}

int SmcKeyTableTransport::call(const SmcParam& request, SmcParam& reply) {
    reply = SmcParam{};
    reply.result = smcKeyNotFound;
    switch (request.command) {
    case smcKeyAtIndex:
        if (request.index < keys_.size()) {
            reply.key = smcFourCC(keys_[request.index].key);
            reply.result = 0;
        }
        return 0;
    case smcKeyInfo:
        if (const auto found = positions_.constFind(request.key); found != positions_.constEnd()) {
            const SmcTableKey& key = keys_[*found];
            reply.key = request.key;
            reply.dataSize = key.size;
            reply.dataType = smcFourCC(key.type);
            reply.result = 0;
        }
        return 0;
    case smcReadBytes:
        if (const auto found = positions_.constFind(request.key); found != positions_.constEnd()) {
            const SmcTableKey& key = keys_[*found];
            const auto bytes = key.read ? key.read() : std::nullopt;
            if (!bytes)
                return 0;
            fillReadReply(request, *bytes, reply);
        }
        return 0;
    default:
        return 0;
    }
}

} // namespace morvanex::platform
