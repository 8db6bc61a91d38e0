#include "platform/linux/WatcherPlacement.h"

#include "support/FixtureTree.h"
#include "support/PrivateBus.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

using namespace morvanex;
using namespace morvanex::platform;

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

// Where the panel places new items, as askNewItemPlacement answers for `service`.
std::optional<NewItemPlacement> ask(const QDBusConnection& bus, const QString& service,
                                    const Roots& roots) {
    QObject context;
    std::optional<NewItemPlacement> answer;
    askNewItemPlacement(bus, service, roots, &context,
                        [&](NewItemPlacement placement) { answer = placement; });
    test::waitUntil([&] { return answer.has_value(); });
    return answer;
}

} // namespace

TEST(WatcherPlacement, GnomeShellInsertsAtTheLeftAndEveryOtherProgramAppends) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    // The watcher's name is taken by this process, whose proc folder the fixture stands for.
    QDBusConnection watcher = bus.connect(QStringLiteral("watcher"));
    ASSERT_TRUE(watcher.registerService(kWatcher));
    const QDBusConnection client = bus.connect(QStringLiteral("client"));
    const QString pid = QString::number(QCoreApplication::applicationPid());

    struct Row {
        const char* name;
        QByteArray comm; // empty: no such file
        QString exe;     // empty: no such link
        NewItemPlacement expected;
    };
    const Row rows[] = {
        {"the shell by its command name", "gnome-shell\n", {}, NewItemPlacement::leftmost},
        {"the shell by its executable, its command name changed", "gnome-shell-ext\n",
         QStringLiteral("/usr/bin/gnome-shell"), NewItemPlacement::leftmost},
        {"an appending panel", "gtk-sni-tray-st\n",
         QStringLiteral("/usr/bin/gtk-sni-tray-standalone"), NewItemPlacement::rightmost},
        {"a name that only starts like the shell's", "gnome-shell-cal\n",
         QStringLiteral("/usr/libexec/gnome-shell-calendar-server"), NewItemPlacement::rightmost},
        {"a process folder that cannot be read", {}, {}, NewItemPlacement::rightmost},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        Roots roots = Roots::under(root.path());
        ASSERT_TRUE(QDir().mkpath(roots.proc + QLatin1Char('/') + pid));
        if (!row.comm.isEmpty())
            test::writeFile(roots.proc, pid + QStringLiteral("/comm"), row.comm);
        if (!row.exe.isEmpty()) {
            const QString link = roots.proc + QLatin1Char('/') + pid + QStringLiteral("/exe");
            ASSERT_TRUE(QFile::link(row.exe, link));
        }
        EXPECT_EQ(ask(client, kWatcher, roots), row.expected);
    }

    // Nobody owns the name (the panel has just quit): an appending panel is assumed.
    watcher.unregisterService(kWatcher);
    QTemporaryDir root;
    Roots roots = Roots::under(root.path());
    test::writeFile(roots.proc, pid + QStringLiteral("/comm"), "gnome-shell\n");
    EXPECT_EQ(ask(client, kWatcher, roots), NewItemPlacement::rightmost);
}
