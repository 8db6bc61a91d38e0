#pragma once

#include <QByteArray>
#include <cstdint>
#include <map>
#include <optional>

namespace morvanex::platform::nl80211 {

// The attributes of one netlink message (or of one nested attribute) by type, with the
// nested and byte-order flags cleared. A later attribute of the same type replaces an earlier
// one; a malformed length ends the walk, keeping what came before.
class Attributes {
public:
    Attributes() = default;
    explicit Attributes(const QByteArray& bytes);

    bool has(int type) const { return values_.count(type) > 0; }
    std::optional<QByteArray> bytes(int type) const;
    std::optional<std::uint8_t> u8(int type) const;
    std::optional<std::uint16_t> u16(int type) const;
    std::optional<std::uint32_t> u32(int type) const;
    std::optional<std::int8_t> s8(int type) const;
    std::optional<std::int32_t> s32(int type) const;
    // A NUL-terminated string attribute, without the terminator.
    std::optional<QByteArray> string(int type) const;
    // The attributes nested in one attribute; empty when it is absent.
    Attributes nested(int type) const;

private:
    std::map<int, QByteArray> values_;
};

} // namespace morvanex::platform::nl80211
