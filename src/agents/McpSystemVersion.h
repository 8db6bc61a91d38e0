#pragma once

#include "platform/Roots.h"

#include <QString>

namespace morvanex::mcp {

// The operating system as people name it, with its kernel release in place of a build number:
// "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64". Either part is left off when the
// machine does not tell it ("Linux 6.1.0-18-amd64", "Debian GNU/Linux 12 (bookworm)");
// "Linux" when it tells neither.
QString systemVersion(const platform::Roots& roots = platform::Roots::system());

} // namespace morvanex::mcp
