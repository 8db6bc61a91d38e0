#include "dump/DumpMenuBar.h"

#include "support/TestEnv.h"

#include <QDir>
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
    const QString path = test::scratchDir() + QStringLiteral("/item.png");
    ASSERT_TRUE(dump::writeMenuBarRender(item, Appearance::light, Qt::white, path));
    const QImage png(path);
    ASSERT_EQ(png.size(), QSize(144, 44));
    // The first graph's track starts right at x 4 points: its pixels differ from the white
    // margin from device pixel 8 on.
    for (int y = 0; y < 44; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(png.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
    EXPECT_NE(png.pixel(10, 22), qRgb(255, 255, 255));
    // Writing into a missing folder fails without a file.
    EXPECT_FALSE(dump::writeMenuBarRender(item, Appearance::dark, Qt::black,
                                          test::scratchDir() + QStringLiteral("/no/such/x.png")));
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

TEST(DumpMenuBar, OutputFolderIsMadeWithItsParentsFromTheWorkingDirectory) {
    const QString base = test::scratchDir();
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(base));
    const QString made = dump::prepareOutputDirectory(QStringLiteral("a/b/../c"));
    QDir::setCurrent(previous);
    EXPECT_EQ(made, QDir::cleanPath(base + QStringLiteral("/a/c")));
    EXPECT_TRUE(QDir(made).exists());
}

} // namespace
