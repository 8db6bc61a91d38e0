#include "ui/kit/CopyButton.h"

#include "support/Wait.h"
#include "ui/kit/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;

TEST(CopyButton, ShowsCheckmarkThenReverts) {
    QStringList copied;
    CopyButton button(
        "203.0.113.7", "Copy public IP", Appearance::dark, nullptr,
        [&](const QString& text) { copied << text; }, 50);
    EXPECT_EQ(button.symbolName(), "doc.on.doc");
    EXPECT_EQ(button.toolTip(), "Copy public IP");

    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(copied, QStringList{"203.0.113.7"});
    EXPECT_TRUE(button.isCopied());
    EXPECT_EQ(button.symbolName(), "checkmark");

    EXPECT_TRUE(test::waitUntil([&] { return !button.isCopied(); }));
    EXPECT_EQ(button.symbolName(), "doc.on.doc");
}

TEST(CopyButton, CopiesToTheClipboard) {
    copyToClipboard("first");
    CopyButton button("192.0.2.1", "Copy", Appearance::light);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "192.0.2.1");
}
