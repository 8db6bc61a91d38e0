#include "platform/Display.h"

#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace morvanex::platform;

namespace {

TEST(Display, DecidesFromEnvironmentAndSockets) {
    const QString root = morvanex::test::scratchDir();
    QDir(root).mkpath(QStringLiteral("x11"));
    QFile(root + QStringLiteral("/x11/X3")).open(QIODevice::WriteOnly);
    QFile(root + QStringLiteral("/runtime/wayland-1")).open(QIODevice::WriteOnly);

    struct Row {
        const char* name;
        QString display, wayland, qpa, runtime;
        bool available;
    };
    const QString runtime = root + QStringLiteral("/runtime");
    const Row rows[] = {
        {"nothing set", {}, {}, {}, runtime, false},
        {"explicit Qt platform", {}, {}, QStringLiteral("offscreen"), {}, true},
        {"local X socket present", QStringLiteral(":3"), {}, {}, {}, true},
        {"local X screen suffix", QStringLiteral(":3.0"), {}, {}, {}, true},
        {"local X socket missing", QStringLiteral(":9"), {}, {}, {}, false},
        {"remote X display trusted", QStringLiteral("host:10.0"), {}, {}, {}, true},
        {"malformed DISPLAY", QStringLiteral("garbage"), {}, {}, {}, false},
        {"wayland socket present", {}, QStringLiteral("wayland-1"), {}, runtime, true},
        {"wayland socket missing", {}, QStringLiteral("wayland-7"), {}, runtime, false},
        {"wayland without runtime dir", {}, QStringLiteral("wayland-1"), {}, {}, false},
        {"wayland absolute path", {}, runtime + QStringLiteral("/wayland-1"), {}, {}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DisplayProbe probe{row.display, row.wayland, row.qpa, row.runtime, root + "/x11"};
        EXPECT_EQ(displayAvailable(probe), row.available);
    }
}

} // namespace
