#include "platform/linux/MultiplexerSocket.h"

#include "support/TestEnv.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using morvanex::platform::MultiplexerSocket;
using morvanex::test::scratchDir;
using morvanex::test::waitUntil;

namespace {

void create(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

} // namespace

TEST(MultiplexerSocket, ToldOnceWhenTheSocketAppears) {
    const QString folder = scratchDir() + "/run";
    ASSERT_TRUE(QDir().mkpath(folder));
    MultiplexerSocket socket(folder + "/usbmuxd");
    EXPECT_FALSE(socket.present());
    int told = 0;
    socket.whenPresent([&] { ++told; });
    create(folder + "/other.pid"); // another file in the folder changes nothing
    QCoreApplication::processEvents();
    EXPECT_EQ(told, 0);

    create(folder + "/usbmuxd");
    ASSERT_TRUE(waitUntil([&] { return told == 1; }));
    EXPECT_TRUE(socket.present());
    create(folder + "/later.pid");
    QCoreApplication::processEvents();
    EXPECT_EQ(told, 1);
}

TEST(MultiplexerSocket, PresentOrUnwatchableTellsFromTheEventLoop) {
    const QString folder = scratchDir() + "/run";
    ASSERT_TRUE(QDir().mkpath(folder));
    create(folder + "/usbmuxd");
    struct Case {
        const char* what;
        QString path;
    };
    const Case cases[] = {
        {"there already", folder + "/usbmuxd"},
        {"no socket to wait for", QString()},
        // A folder that cannot be watched: load as if the daemon were there.
        {"unwatchable", scratchDir() + "/missing/usbmuxd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MultiplexerSocket socket(c.path);
        int told = 0;
        socket.whenPresent([&] { ++told; });
        EXPECT_EQ(told, 0); // never inline
        ASSERT_TRUE(waitUntil([&] { return told == 1; }));
    }
}
