#pragma once

#include <QByteArray>
#include <QString>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace morvanex::platform {

static_assert(std::endian::native == std::endian::little,
              "the controller record is laid out in little-endian order");

// The 80-byte record that the System Management Controller's user client takes and returns;
// request and reply share the layout. Every byte not set is zero in a request.
struct SmcParam {
    std::uint32_t key = 0;                  // the key code (four characters, first one highest)
    std::uint8_t versionAndLimits[24] = {}; // driver version and power limits; never read
    std::uint32_t dataSize = 0;             // key information reply; size to read
    std::uint32_t dataType = 0;             // key information reply: four-character type code
    std::uint8_t dataAttributes = 0;        // never read
    std::uint8_t padding1[3] = {};          //
    std::uint8_t result = 0;                // reply: 0 success, anything else failure
    std::uint8_t status = 0;                // never read
    std::uint8_t command = 0;               // SmcCommand
    std::uint8_t padding2 = 0;              //
    std::uint32_t index = 0;                // key-at-index request
    std::uint8_t bytes[32] = {};            // read reply: the value, first dataSize bytes
};

static_assert(sizeof(SmcParam) == 80);
static_assert(offsetof(SmcParam, key) == 0);
static_assert(offsetof(SmcParam, versionAndLimits) == 4);
static_assert(offsetof(SmcParam, dataSize) == 28);
static_assert(offsetof(SmcParam, dataType) == 32);
static_assert(offsetof(SmcParam, dataAttributes) == 36);
static_assert(offsetof(SmcParam, result) == 40);
static_assert(offsetof(SmcParam, status) == 41);
static_assert(offsetof(SmcParam, command) == 42);
static_assert(offsetof(SmcParam, index) == 44);
static_assert(offsetof(SmcParam, bytes) == 48);

enum SmcCommand : std::uint8_t { smcReadBytes = 5, smcKeyAtIndex = 8, smcKeyInfo = 9 };

// The `result` a reply carries for a key the controller does not have.
inline constexpr std::uint8_t smcKeyNotFound = 132;

// A key or type text packed into a code, first byte most significant: a fold over the bytes
// (shift left by 8, add the byte), so only the last four bytes of a longer text remain.
inline std::uint32_t smcFourCC(const QByteArray& bytes) {
    std::uint32_t code = 0;
    for (const char byte : bytes)
        code = (code << 8) + static_cast<std::uint8_t>(byte);
    return code;
}

// The four bytes of a code, most significant first, as ASCII; the empty text when a byte is
// 128 or more. Zero bytes stay in the text.
inline QString smcString(std::uint32_t code) {
    QString text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto byte = static_cast<std::uint8_t>(code >> shift);
        if (byte >= 128)
            return {};
        text.append(QChar(char16_t(byte)));
    }
    return text;
}

} // namespace morvanex::platform
