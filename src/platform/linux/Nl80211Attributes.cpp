#include "platform/linux/Nl80211Attributes.h"

#include <cstring>

namespace morvanex::platform::nl80211 {

namespace {

constexpr int headerSize = 4;    // u16 length (header included), u16 type
constexpr int typeMask = 0x3FFF; // without NLA_F_NESTED and NLA_F_NET_BYTEORDER

template <typename T> std::optional<T> fixed(const std::optional<QByteArray>& payload) {
    if (!payload || payload->size() < qsizetype(sizeof(T)))
        return std::nullopt;
    T value{};
    std::memcpy(&value, payload->constData(), sizeof(T));
    return value;
}

} // namespace

Attributes::Attributes(const QByteArray& bytes) {
    qsizetype offset = 0;
    while (offset + headerSize <= bytes.size()) {
        std::uint16_t length = 0;
        std::uint16_t type = 0;
        std::memcpy(&length, bytes.constData() + offset, 2);
        std::memcpy(&type, bytes.constData() + offset + 2, 2);
        if (length < headerSize || offset + length > bytes.size())
            break;
        values_[type & typeMask] = bytes.mid(offset + headerSize, length - headerSize);
        offset += (qsizetype(length) + 3) & ~qsizetype(3);
    }
}

std::optional<QByteArray> Attributes::bytes(int type) const {
    const auto found = values_.find(type);
    if (found == values_.end())
        return std::nullopt;
    return found->second;
}

std::optional<std::uint8_t> Attributes::u8(int type) const {
    return fixed<std::uint8_t>(bytes(type));
}

std::optional<std::uint16_t> Attributes::u16(int type) const {
    return fixed<std::uint16_t>(bytes(type));
}

std::optional<std::uint32_t> Attributes::u32(int type) const {
    return fixed<std::uint32_t>(bytes(type));
}

std::optional<std::int8_t> Attributes::s8(int type) const {
    return fixed<std::int8_t>(bytes(type));
}

std::optional<std::int32_t> Attributes::s32(int type) const {
    return fixed<std::int32_t>(bytes(type));
}

std::optional<QByteArray> Attributes::string(int type) const {
    auto payload = bytes(type);
    if (!payload)
        return std::nullopt;
    const qsizetype end = payload->indexOf('\0');
    if (end >= 0)
        payload->truncate(end);
    return payload;
}

Attributes Attributes::nested(int type) const {
    const auto payload = bytes(type);
    return payload ? Attributes(*payload) : Attributes();
}

} // namespace morvanex::platform::nl80211
