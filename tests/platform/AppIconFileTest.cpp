#include "platform/AppIconFile.h"

#include "support/FixtureTree.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace morvanex::platform;

// An installed copy finds the icon where the install laid it out relative to the executable,
// whatever the prefix; without one (a run from the build tree) the sources' icon stands in.
TEST(AppIconFileLookup, InstalledCopyElseTheSourcesIcon) {
    const QString relative = AppIconFile::installedRelativePath();
    ASSERT_FALSE(QDir::isAbsolutePath(relative)) << relative.toStdString();
    EXPECT_TRUE(relative.endsWith(QStringLiteral("/morvanex.svg"))) << relative.toStdString();

    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString bin = prefix.path() + QStringLiteral("/bin");
    ASSERT_TRUE(QDir().mkpath(bin));

    // Nothing installed beside the executable: the icon in the sources.
    const QString fallback = AppIconFile::find(bin);
    ASSERT_FALSE(fallback.isEmpty());
    EXPECT_TRUE(QFileInfo(fallback).isFile());
    EXPECT_FALSE(fallback.startsWith(prefix.path()));
    EXPECT_EQ(AppIconFile::find(QString()), fallback);

    // Installed: that file.
    const QString installed = QDir::cleanPath(bin + QLatin1Char('/') + relative);
    ASSERT_TRUE(installed.startsWith(prefix.path())) << installed.toStdString();
    morvanex::test::writeFile(prefix.path(), installed.mid(prefix.path().size() + 1), "<svg/>");
    EXPECT_EQ(AppIconFile::find(bin), installed);
    // A folder of that name is no icon.
    ASSERT_TRUE(QFile::remove(installed));
    ASSERT_TRUE(QDir().mkpath(installed));
    EXPECT_EQ(AppIconFile::find(bin), fallback);
}
