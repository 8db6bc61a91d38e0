#pragma once

#include <QString>

namespace morvanex::platform {

// Root folders of the machine's pseudo file systems and configuration. Every reader takes
// one, so tests point it at a small fixture tree; real runs use system().
struct Roots {
    QString proc = QStringLiteral("/proc");
    QString sys = QStringLiteral("/sys");
    QString etc = QStringLiteral("/etc");
    QString run = QStringLiteral("/run");
    QString zoneinfo = QStringLiteral("/usr/share/zoneinfo"); // the time-zone database

    static Roots system() { return {}; }

    // All under one fixture folder: <base>/proc, <base>/sys, <base>/etc, <base>/run and
    // <base>/usr/share/zoneinfo.
    static Roots under(const QString& base) {
        return {base + QStringLiteral("/proc"), base + QStringLiteral("/sys"),
                base + QStringLiteral("/etc"), base + QStringLiteral("/run"),
                base + QStringLiteral("/usr/share/zoneinfo")};
    }
};

} // namespace morvanex::platform
