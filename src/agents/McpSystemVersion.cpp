#include "agents/McpSystemVersion.h"

#include "platform/linux/SystemRelease.h"

namespace morvanex::mcp {

QString systemVersion(const platform::Roots& roots) {
    const platform::SystemRelease release = platform::readSystemRelease(roots);
    if (!release.kernelRelease)
        return release.name.value_or(QStringLiteral("Linux"));
    const QString kernel = QStringLiteral("Linux ") + *release.kernelRelease;
    return release.name ? *release.name + QStringLiteral(", ") + kernel : kernel;
}

} // namespace morvanex::mcp
