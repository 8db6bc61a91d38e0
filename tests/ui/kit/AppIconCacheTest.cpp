#include "ui/kit/AppIconCache.h"

#include "support/FixtureTree.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

void writePng(const QString& path, QColor color) {
    QDir().mkpath(QFileInfo(path).path());
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(color);
    ASSERT_TRUE(image.save(path, "PNG"));
}

void linkExe(const QString& proc, int pid, const QString& target) {
    QDir().mkpath(QString("%1/%2").arg(proc).arg(pid));
    ASSERT_TRUE(QFile::link(target, QString("%1/%2/exe").arg(proc).arg(pid)));
}

QRgb centre(const std::optional<QImage>& image) {
    return image ? image->pixel(18, 18) : 0;
}

// A small machine: processes under proc/, desktop entries and icons under share/, and an icon
// theme whose generic program icon is grey.
class AppIconCacheTest : public testing::Test {
protected:
    void SetUp() override {
        root = dir.path();
        savedPaths = QIcon::themeSearchPaths();
        savedTheme = QIcon::themeName();
        QIcon::setThemeSearchPaths({root + "/share/icons"});
        QIcon::setThemeName("kittest");
        using test::writeFile;
        writeFile(root, "share/icons/kittest/index.theme",
                  "[Icon Theme]\nName=kittest\nDirectories=32x32/apps\n\n"
                  "[32x32/apps]\nSize=32\nType=Fixed\n");
        writePng(root + "/share/icons/kittest/32x32/apps/application-x-executable.png", Qt::gray);
        writePng(root + "/share/icons/kittest/32x32/apps/viewer.png", Qt::green);
        writePng(root + "/opt/editor/editor.png", Qt::red);
        writePng(root + "/share/pixmaps/oldtool.png", Qt::blue);

        writeFile(root, "share/applications/editor.desktop",
                  ("[Desktop Entry]\nType=Application\nExec=/opt/editor/bin/editor %F\nIcon=" +
                   root + "/opt/editor/editor.png\n")
                      .toUtf8());
        writeFile(root, "share/applications/viewer.desktop",
                  "[Desktop Entry]\nType=Application\nExec=launch-viewer\n"
                  "StartupWMClass=Viewer\nIcon=viewer\n");
        writeFile(root, "share/applications/oldtool.desktop",
                  "[Desktop Entry]\nType=Application\nExec=oldtool\nIcon=oldtool\n");

        proc = root + "/proc";
        linkExe(proc, 100, "/opt/editor/bin/editor");
        linkExe(proc, 101, "/usr/lib/viewer/viewer");
        linkExe(proc, 102, "/usr/bin/plain-tool");
        linkExe(proc, 103, "/usr/bin/oldtool");
        // Another user's process: no readable executable, only its short name.
        test::writeFile(proc, "104/comm", "viewer\n");
    }

    void TearDown() override {
        QIcon::setThemeSearchPaths(savedPaths);
        QIcon::setThemeName(savedTheme);
    }

    AppIconCache cache() { return AppIconCache(platform::Roots::under(root), {root + "/share"}); }

    QTemporaryDir dir;
    QString root;
    QString proc;
    QStringList savedPaths;
    QString savedTheme;
};

} // namespace

TEST_F(AppIconCacheTest, IconsFromDesktopEntriesElseGeneric) {
    AppIconCache icons = cache();
    struct Case {
        std::int32_t pid;
        QColor expected;
        const char* why;
    };
    const Case cases[] = {
        {100, Qt::red, "Exec base name, icon by absolute path"},
        {101, Qt::green, "StartupWMClass, icon from the theme"},
        {103, Qt::blue, "icon from the shared pixmaps folder"},
        {104, Qt::green, "short name when the executable is unreadable"},
        {102, Qt::gray, "no desktop entry: generic"},
        {999, Qt::gray, "no such process: generic"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const auto icon = icons.icon(c.pid);
        ASSERT_TRUE(icon);
        EXPECT_EQ(icon->size(), QSize(36, 36));
        EXPECT_EQ(icon->devicePixelRatio(), 2);
        EXPECT_EQ(QColor(centre(icon)).rgb(), c.expected.rgb());
    }
    EXPECT_EQ(icons.count(), 6);
}

TEST_F(AppIconCacheTest, ReusedIdKeepsEarlierIconUntilCleared) {
    AppIconCache icons = cache();
    EXPECT_EQ(QColor(centre(icons.icon(100))).rgb(), QColor(Qt::red).rgb());
    // The id now belongs to another program; the cached icon stays.
    QFile::remove(proc + "/100/exe");
    linkExe(proc, 100, "/usr/bin/plain-tool");
    EXPECT_EQ(QColor(centre(icons.icon(100))).rgb(), QColor(Qt::red).rgb());
}

TEST_F(AppIconCacheTest, MoreThanLimitEntriesEmptiesTheCache) {
    AppIconCache icons = cache();
    for (std::int32_t pid = 5000; pid < 5000 + 401; ++pid)
        icons.icon(pid);
    EXPECT_EQ(icons.count(), 401);
    icons.icon(5000); // cached: answered without clearing
    EXPECT_EQ(icons.count(), 401);
    icons.icon(9000);
    EXPECT_EQ(icons.count(), 1);
}

TEST_F(AppIconCacheTest, ThemeWithoutGenericIconGetsOurDrawnOne) {
    QIcon::setThemeName("missing-theme");
    AppIconCache icons = cache();
    const auto icon = icons.icon(102);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icons.count(), 1);
    EXPECT_EQ(icon->size(), QSize(36, 36));
    EXPECT_EQ(icon->devicePixelRatio(), 2);
    // Never an empty square: an opaque grey tile with a white gear on it.
    const QColor tile = icon->pixelColor(5, 18);
    EXPECT_EQ(tile.alpha(), 255);
    EXPECT_EQ(tile.red(), tile.green());
    bool white = false;
    for (int x = 0; x < 36 && !white; ++x)
        for (int y = 0; y < 36 && !white; ++y)
            white = icon->pixelColor(x, y) == QColor(Qt::white);
    EXPECT_TRUE(white);
    EXPECT_EQ(icons.icon(999)->pixelColor(5, 18), tile); // made once, shared
    // The desktop entry's own icon does not need the theme.
    EXPECT_EQ(QColor(centre(icons.icon(100))).rgb(), QColor(Qt::red).rgb());
}
