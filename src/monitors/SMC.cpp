#include "monitors/SMC.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace morvanex {

std::optional<double> SMCValue::doubleValue() const {
    const auto n = bytes.size();
    const auto big16 = [this] { return std::uint16_t((bytes[0] << 8) | bytes[1]); };
    if (type == QLatin1String("flt ")) {
        if (n < 4)
            return std::nullopt;
        const std::uint32_t bits = std::uint32_t(bytes[0]) | (std::uint32_t(bytes[1]) << 8) |
                                   (std::uint32_t(bytes[2]) << 16) |
                                   (std::uint32_t(bytes[3]) << 24);
        return double(std::bit_cast<float>(bits));
    }
    if (type == QLatin1String("ui8 ") || type == QLatin1String("ui16") ||
        type == QLatin1String("ui32") || type == QLatin1String("ui64")) {
        std::uint64_t value = 0;
        for (const std::uint8_t byte : bytes)
            value = (value << 8) + byte;
        return double(value);
    }
    if (type == QLatin1String("si8 ")) {
        if (n < 1)
            return std::nullopt;
        return double(std::int8_t(bytes[0]));
    }
    if (type == QLatin1String("si16")) {
        if (n < 2)
            return std::nullopt;
        return double(std::int16_t(big16()));
    }
    if (type == QLatin1String("flag")) {
        if (n < 1)
            return std::nullopt;
        return double(bytes[0]);
    }
    const bool signedFixed = type.startsWith(QLatin1String("sp"));
    if (signedFixed || type.startsWith(QLatin1String("fp"))) {
        if (n < 2)
            return std::nullopt;
        bool ok = false;
        const int shift = type.right(1).toInt(&ok, 16);
        if (!ok || type.isEmpty())
            return std::nullopt;
        const double raw = signedFixed ? double(std::int16_t(big16())) : double(big16());
        return raw / double(1 << shift);
    }
    return std::nullopt;
}

std::int64_t smcCount(std::optional<double> value) {
    // 2^63 is the first double beyond the signed 64-bit range.
    if (!value || !std::isfinite(*value) || *value < 0 || *value >= 9223372036854775808.0)
        return 0;
    return std::int64_t(*value);
}

SMC& SMC::shared() {
    static SMC instance(platform::openSmcTransport());
    return instance;
}

SMC::SMC(std::unique_ptr<platform::SmcTransport> transport)
    : connection_(std::move(transport)), isOpen_(connection_ != nullptr) {}

std::uint32_t SMC::fourCC(const QString& text) {
    return platform::smcFourCC(text.toUtf8());
}

QString SMC::string(std::uint32_t code) {
    return platform::smcString(code);
}

std::optional<SMCParam> SMC::call(const SMCParam& request) {
    SMCParam reply{};
    if (connection_->call(request, reply) != 0 || reply.result != 0)
        return std::nullopt;
    return reply;
}

std::optional<SMC::KeyInfo> SMC::keyInfo(std::uint32_t code) {
    if (const auto found = infoCache_.find(code); found != infoCache_.end())
        return found->second;
    SMCParam request{};
    request.key = code;
    request.command = platform::smcKeyInfo;
    const auto reply = call(request);
    if (!reply)
        return std::nullopt;
    const KeyInfo info{reply->dataSize, reply->dataType};
    infoCache_.emplace(code, info);
    return info;
}

std::optional<SMCValue> SMC::read(const QString& key) {
    const std::lock_guard guard(lock_);
    if (!isOpen_)
        return std::nullopt;
    const QByteArray utf8 = key.toUtf8();
    if (utf8.size() != 4)
        return std::nullopt;
    const std::uint32_t code = platform::smcFourCC(utf8);
    const auto info = keyInfo(code);
    if (!info)
        return std::nullopt;
    SMCParam request{};
    request.key = code;
    request.dataSize = info->size;
    request.command = platform::smcReadBytes;
    const auto reply = call(request);
    if (!reply)
        return std::nullopt;
    const std::size_t count = std::min<std::size_t>(info->size, sizeof reply->bytes);
    return SMCValue{key, string(info->type),
                    std::vector<std::uint8_t>(reply->bytes, reply->bytes + count)};
}

std::int64_t SMC::keyCount() {
    const auto value = read(QStringLiteral("#KEY"));
    return smcCount(value ? value->doubleValue() : std::nullopt);
}

std::optional<QString> SMC::keyAt(std::int64_t index) {
    const std::lock_guard guard(lock_);
    if (!isOpen_ || index < 0 || index > 0xFFFFFFFFLL)
        return std::nullopt;
    SMCParam request{};
    request.command = platform::smcKeyAtIndex;
    request.index = std::uint32_t(index);
    const auto reply = call(request);
    if (!reply)
        return std::nullopt;
    return string(reply->key);
}

} // namespace morvanex
