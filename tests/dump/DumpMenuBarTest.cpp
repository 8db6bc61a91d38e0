#include "dump/DumpMenuBar.h"

#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

TEST(DumpMenuBar, WidthLinesAreStableWithThePinnedFont) {
    const QStringList lines = dump::menuBarWidthLines();
    ASSERT_EQ(lines.size(), 3);
    const char* const names[] = {"percent", "network", "temperature"};
    const int counts[] = {3, 2, 3};
    for (int i = 0; i < 3; ++i) {
        const QString prefix = QStringLiteral("MenuBarWidth %1: [").arg(names[i]);
        ASSERT_TRUE(lines[i].startsWith(prefix)) << lines[i].toStdString();
        EXPECT_TRUE(lines[i].endsWith(QStringLiteral("] stable"))) << lines[i].toStdString();
        const QString list = lines[i].mid(prefix.size()).section(u']', 0, 0);
        const QStringList widths = list.split(QStringLiteral(", "));
        EXPECT_EQ(widths.size(), counts[i]);
        EXPECT_EQ(widths.count(widths.first()), widths.size());
    }
}

TEST(DumpMenuBar, RenderHasFourPointMarginsAtScaleTwo) {
    const MenuBarImage item =
        MenuBarRenderer::image({MenuBarGraph{{1, 1, 1}, Tint::blue}, MenuBarGraph{{}, Tint::blue},
                                MenuBarBar{1, Tint::red}},
                               false);
    ASSERT_EQ(item.size().width(), 64);
    dump::RenderWriter writer(QFile::encodeName(test::scratchDir()));
    ASSERT_TRUE(writer.writePng(dump::menuBarRender(item, Appearance::light, Qt::white),
                                QStringLiteral("item.png")));
    const QImage png(test::scratchDir() + QStringLiteral("/item.png"));
    ASSERT_EQ(png.size(), QSize(144, 44));
    // The first graph's track starts right at x 4 points: its pixels differ from the white
    // margin from device pixel 8 on.
    for (int y = 0; y < 44; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(png.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
    EXPECT_NE(png.pixel(10, 22), qRgb(255, 255, 255));
}

TEST(RenderWriter, TheFirstRenderThatCannotBeWrittenEndsTheRenders) {
    const QString folder = test::scratchDir() + QStringLiteral("/renders");
    // A folder under a render's name: nothing can replace it.
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/b.png")));
    dump::RenderWriter writer(QFile::encodeName(folder));
    ASSERT_TRUE(writer.folderError().isEmpty());
    QImage image(4, 4, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::red);
    EXPECT_TRUE(writer.writePng(image, QStringLiteral("a.png")));
    EXPECT_FALSE(writer.stopped());
    EXPECT_FALSE(writer.writePng(image, QStringLiteral("b.png")));
    EXPECT_TRUE(writer.failed());
    EXPECT_TRUE(writer.stopped());
    EXPECT_FALSE(writer.writePng(image, QStringLiteral("c.png")));
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"a.png", "b.png"}));
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/b.png")).isDir());
}

TEST(RenderWriter, AnImageThatCouldNotBeDrawnIsMissingButTheOthersGoOn) {
    dump::RenderWriter writer(QFile::encodeName(test::scratchDir()));
    EXPECT_FALSE(writer.writePng(QImage(), QStringLiteral("a.png")));
    EXPECT_TRUE(writer.failed());
    EXPECT_FALSE(writer.stopped());
    QImage image(4, 4, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::red);
    EXPECT_TRUE(writer.writePng(image, QStringLiteral("b.png")));
    // A stop asked for (an interruption) ends them too.
    writer.stop();
    EXPECT_TRUE(writer.stopped());
    EXPECT_FALSE(writer.writePng(image, QStringLiteral("d.png")));
    EXPECT_FALSE(QFile::exists(test::scratchDir() + QStringLiteral("/d.png")));
}

TEST(DumpMenuBar, OnlyProcessorGraphicsMemoryAndNetworkShowGraphStyles) {
    for (const ModuleKind kind : allCases<ModuleKind>()) {
        const auto styles = dump::renderedStyles(kind);
        const bool graphs = kind == ModuleKind::cpu || kind == ModuleKind::gpu ||
                            kind == ModuleKind::memory || kind == ModuleKind::network;
        EXPECT_EQ(styles.size(), graphs ? 5u : 3u) << rawValue(kind).toStdString();
        EXPECT_EQ(std::count(styles.begin(), styles.end(), DisplayStyle::graph), graphs ? 1 : 0);
    }
}

} // namespace
