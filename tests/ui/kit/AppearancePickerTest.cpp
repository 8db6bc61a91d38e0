#include "ui/kit/AppearancePicker.h"

#include <QImage>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

namespace morvanex::ui {
namespace {

struct AppearancePickerView : ::testing::Test {
    platform::UserDefaults defaults = platform::UserDefaults::inMemory();
    AppearancePicker picker{defaults};
    std::vector<AppearanceMode> applied;

    void SetUp() override {
        picker.setApply([this](AppearanceMode m) { applied.push_back(m); });
        picker.resize(picker.sizeHint());
    }
};

TEST_F(AppearancePickerView, ClickStoresAndAppliesTheCellsMode) {
    EXPECT_EQ(picker.mode(), AppearanceMode::system);
    QTest::mouseClick(&picker, Qt::LeftButton, {},
                      picker.cellRect(AppearanceMode::dark).center().toPoint());
    EXPECT_EQ(defaults.value("appearance").toString(), "dark");
    EXPECT_EQ(picker.mode(), AppearanceMode::dark);
    // The current mode again stores and applies again.
    QTest::mouseClick(&picker, Qt::LeftButton, {},
                      picker.cellRect(AppearanceMode::dark).center().toPoint());
    QTest::mouseClick(&picker, Qt::LeftButton, {},
                      picker.cellRect(AppearanceMode::light).topLeft().toPoint() + QPoint(2, 2));
    EXPECT_EQ(applied,
              (std::vector{AppearanceMode::dark, AppearanceMode::dark, AppearanceMode::light}));
    EXPECT_EQ(defaults.value("appearance").toString(), "light");
}

TEST_F(AppearancePickerView, ClicksBetweenCellsOrOtherButtonsDoNothing) {
    const QRectF system = picker.cellRect(AppearanceMode::system);
    const QRectF light = picker.cellRect(AppearanceMode::light);
    QTest::mouseClick(&picker, Qt::LeftButton, {},
                      QPoint(int((system.right() + light.left()) / 2), int(system.center().y())));
    QTest::mouseClick(&picker, Qt::RightButton, {}, light.center().toPoint());
    // Pressed on one cell, released on another: not a click.
    QTest::mousePress(&picker, Qt::LeftButton, {}, system.center().toPoint());
    QTest::mouseRelease(&picker, Qt::LeftButton, {}, light.center().toPoint());
    EXPECT_TRUE(applied.empty());
    EXPECT_FALSE(defaults.value("appearance").isValid());
}

TEST_F(AppearancePickerView, CellsAreThumbnailWideAndSpacedBySixteen) {
    const QRectF system = picker.cellRect(AppearanceMode::system);
    const QRectF light = picker.cellRect(AppearanceMode::light);
    const QRectF dark = picker.cellRect(AppearanceMode::dark);
    EXPECT_DOUBLE_EQ(system.width(), 68);
    EXPECT_DOUBLE_EQ(light.left() - system.right(), 16);
    EXPECT_DOUBLE_EQ(dark.left() - light.right(), 16);
    EXPECT_GE(system.height(), 46 + 6 + 11);
}

TEST(AppearanceThumbnail, SystemIsLightLeftAndDarkRightSplitAtTheMiddle) {
    QImage system(68, 46, QImage::Format_ARGB32);
    QImage light(68, 46, QImage::Format_ARGB32);
    QImage dark(68, 46, QImage::Format_ARGB32);
    for (auto [image, mode] :
         {std::pair{&system, AppearanceMode::system}, std::pair{&light, AppearanceMode::light},
          std::pair{&dark, AppearanceMode::dark}}) {
        image->fill(Qt::transparent);
        QPainter p(image);
        paintAppearanceThumbnail(p, QRectF(0, 0, 68, 46), mode);
    }
    for (int y = 8; y < 38; ++y) {
        EXPECT_EQ(system.pixel(10, y), light.pixel(10, y));
        EXPECT_EQ(system.pixel(33, y), light.pixel(33, y));
        EXPECT_EQ(system.pixel(34, y), dark.pixel(34, y));
        EXPECT_EQ(system.pixel(60, y), dark.pixel(60, y));
    }
    // The rounded corners are clipped away.
    EXPECT_EQ(qAlpha(light.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(light.pixel(34, 0)), 255);
    EXPECT_GT(light.pixelColor(2, 23).lightness(), 180);
    EXPECT_LT(dark.pixelColor(2, 23).lightness(), 90);
}

} // namespace
} // namespace morvanex::ui
