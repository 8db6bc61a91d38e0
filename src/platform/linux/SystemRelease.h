#pragma once

#include "platform/Roots.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace morvanex::platform {

// What the machine says about its operating system.
struct SystemRelease {
    std::optional<QString> name;          // as people name it: "Debian GNU/Linux 12 (bookworm)"
    std::optional<QString> kernelRelease; // "6.1.0-18-amd64"
    bool operator==(const SystemRelease&) const = default;
};

// The name is PRETTY_NAME of os-release: etc/os-release, else usr/lib/os-release beside the
// roots' etc folder (the first of them that can be read counts). The kernel release is the
// first line of proc/sys/kernel/osrelease. Each is absent when it cannot be read or is empty;
// bytes that are not UTF-8 become replacement characters.
SystemRelease readSystemRelease(const Roots& roots = Roots::system());

// PRETTY_NAME of an os-release file's text, its shell quoting undone; nothing when absent or
// empty. The last assignment counts.
std::optional<QString> osReleasePrettyName(const QByteArray& osRelease);

} // namespace morvanex::platform
