#include "ui/tray/DropdownPlacement.h"

#include <gtest/gtest.h>

using namespace morvanex::ui;

namespace {

struct PlacementCase {
    const char* name;
    QRect anchor;
    QRect visibleFrame;
    double contentHeight;
    QRect expected;
};

// A 1440x900 screen with a 25-high bar at the top: the visible frame starts under it.
const QRect topBarFrame(0, 25, 1440, 875);
// The same screen with a 40-high bar at the bottom.
const QRect bottomBarFrame(0, 0, 1440, 860);

const PlacementCase placementCases[] = {
    {"centred under the anchor", {700, 0, 40, 25}, topBarFrame, 400, {550, 30, 340, 400}},
    {"far right of a 1440 frame", {1400, 0, 30, 25}, topBarFrame, 400, {1092, 30, 340, 400}},
    {"far left", {0, 0, 30, 25}, topBarFrame, 400, {8, 30, 340, 400}},
    {"height capped at the frame minus 40",
     {700, 0, 40, 25},
     topBarFrame,
     2000,
     {550, 30, 340, 835}},
    {"fractional height rounded up", {700, 0, 40, 25}, topBarFrame, 300.2, {550, 30, 340, 301}},
    {"second screen to the right",
     {3180, 0, 20, 25},
     {1920, 25, 1280, 999},
     300,
     {2852, 30, 340, 300}},
    // 300 wide: the left bound gives 8, the right bound (applied last) 300 - 348.
    {"frame narrower than 356: right bound wins",
     {100, 0, 20, 20},
     {0, 20, 300, 580},
     200,
     {-48, 25, 340, 200}},
    {"bottom bar: bottom edge 5 above the frame",
     {1400, 865, 30, 30},
     bottomBarFrame,
     400,
     {1092, 455, 340, 400}},
    {"bottom anchor inside the frame: 5 above it",
     {600, 700, 30, 30},
     {0, 0, 1440, 900},
     300,
     {445, 395, 340, 300}},
    {"bottom bar, capped height", {1400, 865, 30, 30}, bottomBarFrame, 5000, {1092, 35, 340, 820}},
    {"click point in a bar above the frame",
     {1430, 12, 1, 1},
     {0, 28, 1440, 872},
     400,
     {1092, 33, 340, 400}},
    {"click point inside the frame", {500, 3, 1, 1}, {0, 0, 1440, 900}, 400, {331, 9, 340, 400}},
    {"frame shorter than the reserve", {100, 0, 20, 10}, {0, 10, 800, 30}, 300, {8, 15, 340, 1}},
};

} // namespace

TEST(DropdownPlacement, FrameFollowsTheRules) {
    for (const PlacementCase& c : placementCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(dropdownFrame(c.anchor, c.visibleFrame, c.contentHeight), c.expected);
    }
}
