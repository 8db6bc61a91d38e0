#include "platform/linux/ICalendarSources.h"

#include "support/FifoGuard.h"
#include "support/FixtureTree.h"
#include "support/TestEnv.h"

#include <QFile>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace morvanex;
using platform::ICalendarRoots;
using platform::ICalendarScan;
using platform::ICalendarSources;

namespace {

struct Roots {
    QString root = test::scratchDir();
    ICalendarRoots roots{root + QStringLiteral("/data"), root + QStringLiteral("/config")};
};

const platform::ICalendarSource* sourceWithId(const ICalendarScan& scan, const QString& id) {
    for (const platform::ICalendarSource& source : scan.sources)
        if (source.id == id)
            return &source;
    return nullptr;
}

} // namespace

TEST(ICalendarSources, NamesAndColoursThatAreNoSmallRegularFilesArePassedOver) {
    // A FIFO once blocked every mode for good at the first look; a name linked to standard input
    // read the agent server's own requests.
    const Roots r;
    const QString data = r.roots.dataHome;
    const QString config = r.roots.configHome;
    test::writeFile(data, QStringLiteral("calendars/fifo-color/event.ics"), "");
    test::writeFile(data, QStringLiteral("calendars/fifo-color/displayname"), "Work\n");
    test::writeFile(data, QStringLiteral("calendars/fifo-name/event.ics"), "");
    test::writeFile(data, QStringLiteral("calendars/stdin-name/color"), "#ff8800\n");
    test::writeFile(data, QStringLiteral("calendars/large-name/displayname"),
                    QByteArray(100 * 1024, 'x'));
    test::writeFile(data, QStringLiteral("evolution/calendar/fifo-source/calendar.ics"), "");
    test::writeFile(data, QStringLiteral("evolution/calendar/escaping/calendar.ics"), "");
    test::writeFile(config, QStringLiteral("evolution/sources/escaping.source"),
                    "[Data Source]\nDisplayName=Escaping\nParent=../../../../outside\n");
    test::writeFile(r.root, QStringLiteral("outside.source"),
                    "[Data Source]\nDisplayName=Read from outside\n");
    std::vector<std::unique_ptr<test::FifoGuard>> fifos;
    for (const QString& fifo : {data + QStringLiteral("/calendars/fifo-color/color"),
                                data + QStringLiteral("/calendars/fifo-name/displayname"),
                                config + QStringLiteral("/evolution/sources/fifo-source.source")}) {
        fifos.push_back(std::make_unique<test::FifoGuard>(fifo));
        ASSERT_TRUE(fifos.back()->made());
    }
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/fd/0"),
                            data + QStringLiteral("/calendars/stdin-name/displayname")));
    ASSERT_TRUE(QFile::link(r.root + QStringLiteral("/outside.source"),
                            config + QStringLiteral("/evolution/sources/linked.source")));

    const ICalendarScan scan = ICalendarSources(r.roots).scan();
    for (const auto& fifo : fifos)
        EXPECT_FALSE(fifo->released()) << fifo->path().toStdString() << " was waited on";

    struct Expected {
        const char* id;
        const char* title;
        std::optional<QString> color;
        const char* account;
    };
    const Expected expected[] = {
        {"evolution:escaping", "Escaping", std::nullopt, "On This Computer"},
        {"evolution:fifo-source", "fifo-source", std::nullopt, "On This Computer"},
        {"vdir:fifo-color", "Work", std::nullopt, "vdir"},
        {"vdir:fifo-name", "fifo-name", std::nullopt, "vdir"},
        {"vdir:large-name", "large-name", std::nullopt, "vdir"},
        {"vdir:stdin-name", "stdin-name", QStringLiteral("#ff8800"), "vdir"},
    };
    ASSERT_EQ(scan.sources.size(), std::size(expected));
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.id);
        const platform::ICalendarSource* source = sourceWithId(scan, QString::fromLatin1(e.id));
        ASSERT_TRUE(source);
        EXPECT_EQ(source->title, QString::fromLatin1(e.title));
        EXPECT_EQ(source->color, e.color);
        EXPECT_EQ(source->account, QString::fromLatin1(e.account));
    }

    // Each file passed over says why, once.
    QStringList unread = scan.unread;
    unread.sort();
    const QStringList expectedUnread = {
        "Calendar file " + config +
            "/evolution/sources/fifo-source.source was skipped: it is not a regular file",
        "Calendar file " + data +
            "/calendars/fifo-color/color was skipped: it is not a regular file",
        "Calendar file " + data +
            "/calendars/fifo-name/displayname was skipped: it is not a regular file",
        "Calendar file " + data +
            "/calendars/large-name/displayname was skipped: it is larger than 65536 bytes",
        "Calendar file " + data +
            "/calendars/stdin-name/displayname was skipped: it is a symbolic link",
    };
    EXPECT_EQ(unread, expectedUnread);

    // The mail identities are read the same way.
    QStringList addressesUnread;
    ICalendarSources(r.roots).userAddresses(&addressesUnread);
    EXPECT_EQ(addressesUnread,
              QStringList{"Calendar file " + config +
                          "/evolution/sources/linked.source was skipped: it is a symbolic link"});
}

TEST(ICalendarSources, ScanFindsTheFixtureAndWhatToWatch) {
    const QString root = test::copyFixture(QStringLiteral("calendar"));
    const ICalendarRoots roots{root + QStringLiteral("/data"), root + QStringLiteral("/config")};
    const ICalendarScan scan = ICalendarSources(roots).scan();
    QStringList ids;
    for (const platform::ICalendarSource& source : scan.sources)
        ids.append(source.id);
    EXPECT_EQ(ids, (QStringList{"evolution:system", "vdir:family", "vdir:work"}));
    EXPECT_TRUE(scan.unread.isEmpty()) << scan.unread.join('\n').toStdString();
    const QStringList paths = {
        roots.dataHome + "/evolution/calendar",
        roots.dataHome + "/evolution/calendar/system",
        roots.dataHome + "/evolution/calendar/system/calendar.ics",
        roots.dataHome + "/calendars",
        roots.dataHome + "/calendars/family",
        roots.dataHome + "/calendars/work",
        roots.configHome + "/evolution/sources",
    };
    EXPECT_EQ(scan.watchList.paths, paths);
    EXPECT_TRUE(scan.watchList.ancestors.isEmpty());

    // Asked to stop, it stops before the first calendar.
    const std::atomic<bool> stop{true};
    EXPECT_TRUE(ICalendarSources(roots).scan(&stop).sources.empty());
}
