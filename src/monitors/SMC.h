#pragma once

#include "platform/linux/SmcParam.h"
#include "platform/linux/SmcTransport.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

namespace morvanex {

using SMCParam = platform::SmcParam;

// One reading of a controller key.
struct SMCValue {
    QString key;                     // the key as the caller gave it
    QString type;                    // four characters: "flt ", "ui8 ", "si16", "flag", "sp78", …
    std::vector<std::uint8_t> bytes; // 0 to 32 bytes

    // The reading as a number, by the type's decode table; nothing for a type without a row or
    // with too few bytes.
    std::optional<double> doubleValue() const;

    bool operator==(const SMCValue&) const = default;
};

// The process's one connection to the System Management Controller. On Linux the controller is
// reached through a transport (platform/linux/SmcTransport.h): the applesmc driver, or a key
// table standing in for it built from the hardware monitors. Only read, never written.
//
// Any thread may call read, keyCount and keyAt; every exchange holds the one lock.
class SMC {
public:
    struct KeyInfo {
        std::uint32_t size = 0;
        std::uint32_t type = 0;
    };

    // The single instance, opened on first use (thread-safe) on the machine's own transport and
    // kept for the life of the process.
    static SMC& shared();

    // A controller on the given transport; none gives a closed controller. For tests and for
    // shared(); the sensor monitor takes one to read from.
    explicit SMC(std::unique_ptr<platform::SmcTransport> transport);
    SMC(const SMC&) = delete;
    SMC& operator=(const SMC&) = delete;

    // The key's type and bytes; nothing when closed, when the key is not four UTF-8 bytes (no
    // exchange then), or when an exchange fails.
    std::optional<SMCValue> read(const QString& key);
    // The number of keys ("#KEY"); 0 when it cannot be read or is not a finite, non-negative
    // number in range.
    std::int64_t keyCount();
    // The key at a position in 0 … 2^32 − 1; nothing outside that range, when closed or when the
    // exchange fails.
    std::optional<QString> keyAt(std::int64_t index);

    bool isOpen() const { return isOpen_; }

    static std::uint32_t fourCC(const QString& text);
    static QString string(std::uint32_t code);

private:
    std::optional<KeyInfo> keyInfo(std::uint32_t code);    // lock held
    std::optional<SMCParam> call(const SMCParam& request); // lock held

    std::unique_ptr<platform::SmcTransport> connection_;
    std::unordered_map<std::uint32_t, KeyInfo> infoCache_; // kept forever; only with lock_
    std::mutex lock_;
    const bool isOpen_;
};

// A count read from the controller as an integer: 0 for a value that is absent, not finite,
// negative or beyond the 64-bit range; the whole part otherwise.
std::int64_t smcCount(std::optional<double> value);

} // namespace morvanex
