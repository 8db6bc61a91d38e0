#pragma once

#include "platform/Roots.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace morvanex::mcp {

// The operating system as people name it, with its kernel release in place of a build number:
// "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64". The name comes from os-release
// (etc/os-release, else usr/lib/os-release beside the roots' etc folder), the release from
// the kernel's proc/sys/kernel/osrelease. Either part is left off when it cannot be read
// ("Linux 6.1.0-18-amd64", "Debian GNU/Linux 12 (bookworm)"); "Linux" when neither can.
QString systemVersion(const platform::Roots& roots = platform::Roots::system());

// PRETTY_NAME of an os-release file's text, its shell quoting undone; nothing when absent or
// empty.
std::optional<QString> prettyName(const QByteArray& osRelease);

} // namespace morvanex::mcp
