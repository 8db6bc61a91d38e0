#pragma once

#include "platform/Roots.h"
#include "platform/linux/NetInterfaceKinds.h"

#include <QString>
#include <cstdint>
#include <map>

namespace morvanex::platform {

// The kernel's description of each interface in /sys/class/net, probed once per interface:
// whether it is a device, wireless, a tunnel or a bridge does not change while it exists, and
// probing costs a handful of failing file-system calls per interface. Each call lists the
// folder (one read of the directory) and probes only what the listing shows is new: a name not
// seen before, or one whose entry was re-created (its inode number differs). Main thread only.
class InterfaceKindCache {
public:
    explicit InterfaceKindCache(Roots roots);

    // Every interface's unchanging description (`up` and `address` unset), by name.
    const std::map<QString, InterfaceKind>& kinds();
    // As kinds(), with `up` and `address` read now.
    std::map<QString, InterfaceKind> kindsWithState();
    // Whether the interface is administratively up, read now.
    bool isUp(const QString& name) const;

    // How many interfaces have been probed so far.
    int probes() const { return probes_; }

    const Roots roots;

private:
    struct Entry {
        std::uint64_t inode = 0;
        InterfaceKind kind;
    };
    std::map<QString, Entry> entries_;
    std::map<QString, InterfaceKind> kinds_;
    int probes_ = 0;
};

} // namespace morvanex::platform
