#include "platform/OutputFolder.h"

#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace morvanex;
using platform::OutputFolder;

namespace {

QByteArray scratch() {
    return QFile::encodeName(test::scratchDir());
}

QByteArray contentOf(const QByteArray& path) {
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// Entries of the folder whose names begin with a dot: what a write leaves behind by mistake.
QStringList hiddenEntries(const QByteArray& folder) {
    return QDir(QFile::decodeName(folder))
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
        .filter(QRegularExpression(QStringLiteral("^\\.")));
}

TEST(OutputFolder, MakesTheFolderWithItsParentsFromTheWorkingDirectory) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(test::scratchDir()));
    const OutputFolder folder("a/b/../c//d/");
    QDir::setCurrent(previous);
    EXPECT_TRUE(folder.isOpen()) << folder.error().toStdString();
    EXPECT_EQ(folder.path(), scratch() + "/a/c/d");
    EXPECT_TRUE(QDir(test::scratchDir() + QStringLiteral("/a/c/d")).exists());
    EXPECT_TRUE(hiddenEntries(folder.path()).isEmpty()) << "the write probe is gone";
}

TEST(OutputFolder, ReplacesLinksAndPipesUnderItsNamesInsteadOfWritingThroughThem) {
    const QByteArray base = scratch();
    const QByteArray victim = base + "/victim";
    {
        QFile file(QFile::decodeName(victim));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("precious");
    }
    const OutputFolder folder(base + "/out");
    ASSERT_TRUE(folder.isOpen()) << folder.error().toStdString();
    // A link to a file outside, a dangling link, a FIFO nobody opens for reading, and a file.
    ASSERT_EQ(::symlink("../victim", (base + "/out/link.png").constData()), 0);
    ASSERT_EQ(::symlink("../missing", (base + "/out/dangling.png").constData()), 0);
    ASSERT_EQ(::mkfifo((base + "/out/fifo.png").constData(), 0644), 0);
    {
        QFile file(QFile::decodeName(base + "/out/old.png"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old");
    }
    for (const char* name : {"link.png", "dangling.png", "fifo.png", "old.png", "new.png"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(folder.write(QString::fromLatin1(name), "render"), std::nullopt);
        const QByteArray path = base + "/out/" + name;
        struct stat info {};
        ASSERT_EQ(::lstat(path.constData(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode)) << "the entry itself is a new file";
        EXPECT_EQ(contentOf(path), "render");
    }
    EXPECT_EQ(contentOf(victim), "precious");
    EXPECT_FALSE(QFile::exists(QFile::decodeName(base + "/missing")));
    EXPECT_TRUE(hiddenEntries(folder.path()).isEmpty());
}

TEST(OutputFolder, NameThatIsNotUtf8IsTheFolderGiven) {
    const QByteArray base = scratch();
    const OutputFolder folder(base + "/r\xfe/s\xff");
    ASSERT_TRUE(folder.isOpen()) << folder.error().toStdString();
    EXPECT_EQ(folder.path(), base + "/r\xfe/s\xff");
    ASSERT_EQ(folder.write(QStringLiteral("x.png"), "render"), std::nullopt);
    struct stat info {};
    EXPECT_EQ(::stat((base + "/r\xfe/s\xff/x.png").constData(), &info), 0);
    // Nothing under the look-alike a decoding would have made of it.
    EXPECT_NE(::stat((base + "/r\xef\xbf\xbd").constData(), &info), 0);
    // The scratch folder's own clean-up cannot name it.
    std::filesystem::remove_all(std::filesystem::path((base + "/r\xfe").toStdString()));
}

TEST(OutputFolder, AFolderThatCannotBeWrittenIntoSaysWhyOnce) {
    const QByteArray base = scratch();
    {
        QFile file(QFile::decodeName(base + "/file"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_EQ(::symlink("loop", (base + "/loop").constData()), 0);
    ASSERT_EQ(::mkdir((base + "/readonly").constData(), 0555), 0);
    struct Row {
        const char* name;
        QByteArray path;
        int error;
    };
    std::vector<Row> rows = {
        {"a regular file", base + "/file", ENOTDIR},
        {"a path through a file", base + "/file/x", ENOTDIR},
        {"a name too long", base + "/" + QByteArray(300, 'n'), ENAMETOOLONG},
        {"a link loop", base + "/loop", ELOOP},
        {"a device", "/dev/null", ENOTDIR},
    };
    // Root may write into a folder its mode calls read-only.
    if (::geteuid() != 0)
        rows.push_back({"a read-only folder", base + "/readonly", EACCES});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const OutputFolder folder(row.path);
        EXPECT_FALSE(folder.isOpen());
        EXPECT_EQ(folder.error(), QString::fromLocal8Bit(std::strerror(row.error)));
        EXPECT_EQ(folder.write(QStringLiteral("x.png"), "render"),
                  std::optional(QString::fromLocal8Bit(std::strerror(row.error))));
    }
    EXPECT_TRUE(QDir(QFile::decodeName(base + "/readonly"))
                    .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

// A path the system cannot take is refused before anything is made: no folder of it is left.
TEST(OutputFolder, APathTooLongForTheSystemLeavesNoFoldersBehind) {
    const QByteArray base = scratch() + "/out";
    ASSERT_EQ(::mkdir(base.constData(), 0755), 0);
    QByteArray deep = base + "/deep";
    for (int i = 0; i < 20; ++i)
        deep += '/' + QByteArray(250, char('a' + i));
    const QByteArray longPath = base + "/long/" + QByteArray(5000, 'p');
    struct Row {
        const char* name;
        QByteArray path;
    };
    const Row rows[] = {
        {"nested names past PATH_MAX", deep},
        {"a name past NAME_MAX under new folders", base + "/new/parents/" + QByteArray(256, 'n')},
        {"one name past PATH_MAX", longPath},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const OutputFolder folder(row.path);
        EXPECT_FALSE(folder.isOpen());
        EXPECT_EQ(folder.error(), QString::fromLocal8Bit(std::strerror(ENAMETOOLONG)));
    }
    EXPECT_EQ(QDir(QFile::decodeName(base))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList());
    // The longest names the system takes still make a folder.
    const OutputFolder longest(base + "/" + QByteArray(255, 'm'));
    EXPECT_TRUE(longest.isOpen()) << longest.error().toStdString();
}

} // namespace
