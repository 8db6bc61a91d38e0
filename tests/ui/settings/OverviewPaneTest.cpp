#include "ui/settings/OverviewPane.h"

#include "PaneTestSupport.h"
#include "ui/settings/ReorderList.h"

#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>

using namespace morvanex;
using namespace morvanex::ui;
using morvanex::test::HubFixture;

namespace {

std::vector<OverviewItem> order(std::initializer_list<OverviewItem> items) {
    return items;
}

} // namespace

TEST(OverviewPane, MovesAndStepsStoreAllThirteenItemsOnce) {
    Config config;
    // A hand-edited order with a repeat and most items missing.
    config.overviewOrder = order({OverviewItem::weather, OverviewItem::cpu, OverviewItem::weather});
    config.overviewHidden = {OverviewItem::gpu};
    ASSERT_EQ(config.overviewItems()[0], OverviewItem::weather);

    Config stepped = config;
    OverviewPane::step(stepped, OverviewItem::insight, 1); // index 2 -> 3
    const std::vector<OverviewItem> shown = stepped.overviewItems();
    EXPECT_EQ(stepped.overviewOrder, shown);
    EXPECT_EQ(stepped.overviewOrder.size(), 13u);
    EXPECT_EQ(shown[2], OverviewItem::gpu);
    EXPECT_EQ(shown[3], OverviewItem::insight);
    EXPECT_EQ(stepped.overviewHidden, config.overviewHidden);

    Config up = config;
    OverviewPane::step(up, OverviewItem::gpu, -1); // index 3 -> 2
    EXPECT_EQ(up.overviewItems()[2], OverviewItem::gpu);
    EXPECT_EQ(up.overviewItems()[3], OverviewItem::insight);

    Config moved = config;
    OverviewPane::move(moved, {0}, 13);
    EXPECT_EQ(moved.overviewOrder.size(), 13u);
    EXPECT_EQ(moved.overviewOrder.back(), OverviewItem::weather);
    EXPECT_EQ(moved.overviewOrder.front(), OverviewItem::cpu);
}

TEST(OverviewPane, StepsAtTheEndsDoNothingAndAreNotOffered) {
    Config config;
    Config before = config;
    EXPECT_FALSE(OverviewPane::canStep(config, OverviewItem::insight, -1));
    EXPECT_FALSE(OverviewPane::canStep(config, OverviewItem::nextEvent, 1));
    EXPECT_TRUE(OverviewPane::canStep(config, OverviewItem::insight, 1));
    OverviewPane::step(config, OverviewItem::insight, -1);
    OverviewPane::step(config, OverviewItem::nextEvent, 1);
    EXPECT_EQ(config, before);
}

TEST(OverviewPane, RestoreDefaultOrderKeepsHiddenItemsHidden) {
    Config config;
    EXPECT_TRUE(OverviewPane::isDefaultOrder(config));
    config.setShowsInOverview(OverviewItem::cpu, false);
    config.setShowsInOverview(OverviewItem::devices, false);
    EXPECT_TRUE(OverviewPane::isDefaultOrder(config)); // the switches do not count
    OverviewPane::step(config, OverviewItem::cpu, 1);
    EXPECT_FALSE(OverviewPane::isDefaultOrder(config));
    OverviewPane::restoreDefaultOrder(config);
    EXPECT_TRUE(OverviewPane::isDefaultOrder(config));
    EXPECT_FALSE(config.showsInOverview(OverviewItem::cpu));
    EXPECT_FALSE(config.showDevices);
}

TEST(OverviewPane, RowsFollowTheOrderAndTheSwitchesWriteOnce) {
    HubFixture fixture;
    int changes = 0;
    auto subscription =
        fixture.settings.addObserver([&](const Config&, const Config&) { ++changes; });
    OverviewPane pane(test::paneEnv(fixture));
    auto* list = test::child<ReorderList>(&pane, QStringLiteral("overviewList"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->rowCount(), 13);
    auto* restore = test::child<QPushButton>(&pane, QStringLiteral("restoreDefaultOrder"));
    EXPECT_FALSE(restore->isEnabled());

    // Switching off the devices row is the devices setting itself.
    QWidget* devices = test::child<QWidget>(&pane, QStringLiteral("item-devices"));
    test::child<QCheckBox>(devices, QStringLiteral("show"))->click();
    test::settle();
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(fixture.settings.config().showDevices);
    EXPECT_TRUE(fixture.settings.config().overviewHidden.empty());
    // The row stays in its place; only its title turns secondary.
    devices = test::child<QWidget>(&pane, QStringLiteral("item-devices"));
    EXPECT_EQ(test::child<QLabel>(devices, QStringLiteral("title"))
                  ->palette()
                  .color(QPalette::WindowText),
              color(Tint::secondaryText, Appearance::light));

    // A drop of the first row after the third stores the whole order.
    list = test::child<ReorderList>(&pane, QStringLiteral("overviewList"));
    list->resize(600, 13 * OverviewPane::rowHeight);
    list->layout()->activate();
    list->dropRow(0, int(2.9 * OverviewPane::rowHeight));
    test::settle();
    EXPECT_EQ(changes, 2);
    const std::vector<OverviewItem> items = fixture.settings.config().overviewOrder;
    ASSERT_EQ(items.size(), 13u);
    EXPECT_EQ(items[0], OverviewItem::cpu);
    EXPECT_EQ(items[1], OverviewItem::gpu);
    EXPECT_EQ(items[2], OverviewItem::insight);
    restore = test::child<QPushButton>(&pane, QStringLiteral("restoreDefaultOrder"));
    ASSERT_TRUE(restore->isEnabled());
    restore->click();
    test::settle();
    EXPECT_EQ(fixture.settings.config().overviewOrder, allOverviewItems());
    EXPECT_FALSE(fixture.settings.config().showDevices);
}

TEST(OverviewPane, DropDestinationsFollowTheRowMiddles) {
    const std::vector<int> middles{24, 72, 120};
    EXPECT_EQ(ReorderList::destinationFor(middles, 0), 0);
    EXPECT_EQ(ReorderList::destinationFor(middles, 30), 1);
    EXPECT_EQ(ReorderList::destinationFor(middles, 119), 2);
    EXPECT_EQ(ReorderList::destinationFor(middles, 500), 3);
}
