#pragma once

#include "platform/Roots.h"

#include <QByteArray>
#include <QStringList>

namespace morvanex::platform {

// The "nameserver" addresses of a resolver configuration, in file order. Comments ("#", ";")
// and other options are ignored; each address is kept as written.
QStringList parseNameservers(const QByteArray& text);

// The DNS servers the machine asks: those of <etc>/resolv.conf, except that when it names only
// the local stub of the system resolver (127.0.0.53, 127.0.0.54), the stub's upstream servers
// from <run>/systemd/resolve/resolv.conf are the answer (when that file lists any). Empty when
// nothing can be read.
QStringList readDnsServers(const Roots& roots);

} // namespace morvanex::platform
