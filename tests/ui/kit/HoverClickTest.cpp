#include "ui/kit/HoverClick.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace morvanex::ui;

namespace {

// Counts the releases that reach it from its children.
class Parent : public QWidget {
public:
    int releases = 0;

protected:
    void mouseReleaseEvent(QMouseEvent*) override { ++releases; }
};

} // namespace

TEST(HoverClick, FollowsThePointerAndKeepsEveryReleaseToItsWidget) {
    Parent parent;
    auto* widget = new QWidget(&parent);
    widget->setGeometry(10, 10, 40, 20);
    int clicks = 0;
    const auto* pointer = new HoverClick(widget, [&] { ++clicks; });

    EXPECT_FALSE(pointer->isHovering());
    QEnterEvent enter(QPointF(5, 5), QPointF(15, 15), QPointF(15, 15));
    QCoreApplication::sendEvent(widget, &enter);
    EXPECT_TRUE(pointer->isHovering());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &leave);
    EXPECT_FALSE(pointer->isHovering());

    struct Release {
        const char* name;
        Qt::MouseButton button;
        QPoint at;
        int clicks;
    };
    const Release releases[] = {
        {"left inside", Qt::LeftButton, QPoint(20, 10), 1},
        {"left outside", Qt::LeftButton, QPoint(-5, -5), 0},
        {"right inside", Qt::RightButton, QPoint(20, 10), 0},
    };
    for (const Release& release : releases) {
        SCOPED_TRACE(release.name);
        clicks = 0;
        QTest::mouseClick(widget, release.button, {}, release.at);
        EXPECT_EQ(clicks, release.clicks);
    }
    EXPECT_EQ(parent.releases, 0);
}
