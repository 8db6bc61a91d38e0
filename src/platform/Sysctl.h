#pragma once

#include "platform/Roots.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstring>
#include <optional>
#include <type_traits>

namespace morvanex::platform {

// The boot-time record: whole seconds and microseconds since 1970.
struct Timeval {
    std::int64_t seconds = 0;
    std::int64_t microseconds = 0;
};

// The swap record: bytes in total, available and used, the page size, encryption.
struct XswUsage {
    std::uint64_t total = 0;
    std::uint64_t avail = 0;
    std::uint64_t used = 0;
    std::uint32_t pageSize = 0;
    bool encrypted = false;
};

// Named system values, each read fresh from the kernel's files on every call, as fixed-size
// byte images: texts end with a NUL, counts are 4- or 8-byte integers, records are the
// structs above. Known names:
//   "machdep.cpu.brand_string", "hw.model"              text
//   "hw.nperflevels", "hw.perflevel0.logicalcpu", "hw.perflevel1.logicalcpu",
//   "hw.physicalcpu", "hw.logicalcpu", "kern.memorystatus_level",
//   "kern.memorystatus_vm_pressure_level"               32-bit integers
//   "hw.pagesize", "hw.memsize"                         64-bit integers
//   "kern.boottime"                                     Timeval
//   "vm.swapusage"                                      XswUsage
// Every failure (an unknown name, an unreadable source) is an absent result.
class Sysctl {
public:
    explicit Sysctl(Roots roots = Roots::system(), std::int64_t pageSize = systemPageSize());

    std::optional<QString> string(const QString& name) const;
    std::optional<std::int64_t> integer(const QString& name) const;

    // The value copied over `initial`: a shorter value leaves the record's tail as it was.
    template <typename T> std::optional<T> raw(const QString& name, T initial) const {
        static_assert(std::is_trivially_copyable_v<T>);
        const auto bytes = value(name);
        if (!bytes)
            return std::nullopt;
        std::memcpy(&initial, bytes->constData(), std::min<std::size_t>(bytes->size(), sizeof(T)));
        return initial;
    }

    // The byte image of the named value.
    std::optional<QByteArray> value(const QString& name) const;

    static std::int64_t systemPageSize();

private:
    Roots roots_;
    std::int64_t pageSize_;
};

} // namespace morvanex::platform
