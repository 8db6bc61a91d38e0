#pragma once

#include "platform/Roots.h"

#include <QByteArray>
#include <QStringList>
#include <array>
#include <optional>

namespace morvanex::platform {

// The "nameserver" addresses of a resolver configuration, in file order. Comments ("#", ";")
// and other options are ignored; each address is kept as written.
QStringList parseNameservers(const QByteArray& text);

// The DNS servers the machine asks: those of <etc>/resolv.conf, except that when it names only
// the local stub of the system resolver (127.0.0.53, 127.0.0.54), the stub's upstream servers
// from <run>/systemd/resolve/resolv.conf are the answer (when that file lists any). Empty when
// nothing can be read.
QStringList readDnsServers(const Roots& roots);

// readDnsServers, read again only when one of its two files was replaced, changed or appeared
// or went since the last read (their identity, size and change time, from one stat each).
// Main thread only.
class DnsServerCache {
public:
    explicit DnsServerCache(Roots roots);

    QStringList servers();

private:
    // What stat says of one file; nothing when it does not exist.
    struct Stamp {
        unsigned long long device = 0;
        unsigned long long inode = 0;
        long long size = 0;
        long long changedSeconds = 0;
        long long changedNanos = 0;
        bool operator==(const Stamp&) const = default;
    };
    using Stamps = std::array<std::optional<Stamp>, 2>;

    Stamps stamps() const;

    const Roots roots_;
    std::optional<Stamps> read_;
    QStringList servers_;
};

} // namespace morvanex::platform
