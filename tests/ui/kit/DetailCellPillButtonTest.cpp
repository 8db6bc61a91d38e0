#include "ui/kit/DetailCell.h"
#include "ui/kit/Fills.h"
#include "ui/kit/PillButton.h"
#include "ui/kit/TextLine.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace morvanex::ui;

TEST(DetailCell, AMissingValueReadsADash) {
    DetailCell empty("Adapter", std::nullopt, Appearance::light);
    EXPECT_EQ(empty.labelLine()->fullText(), "Adapter");
    EXPECT_EQ(empty.valueText(), "—");
    DetailCell full("Voltage", QString("4.12 V"), Appearance::dark);
    EXPECT_EQ(full.valueText(), "4.12 V");
}

TEST(PillButton, FillAndClick) {
    const auto alpha = [](bool prominent, bool hovering) {
        return PillButton::fill(prominent, hovering, Appearance::light).alphaF();
    };
    EXPECT_NEAR(alpha(true, false), 1.0, 1e-4);
    EXPECT_NEAR(alpha(true, true), 0.85, 1e-4);
    EXPECT_NEAR(alpha(false, false), 0.10, 1e-4);
    EXPECT_NEAR(alpha(false, true), 0.16, 1e-4);
    EXPECT_EQ(PillButton::fill(true, false, Appearance::dark).rgb(),
              color(Tint::accent, Appearance::dark).rgb());

    int runs = 0;
    PillButton button(
        "Test Speed", true, [&] { ++runs; }, Appearance::light);
    button.resize(button.sizeHint());
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(runs, 1);
    // A release outside the capsule does nothing.
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_EQ(runs, 1);
    QTest::mouseClick(&button, Qt::RightButton);
    EXPECT_EQ(runs, 1);
}
