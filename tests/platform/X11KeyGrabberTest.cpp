#include "platform/linux/X11KeyGrabber.h"

#include "platform/linux/MacKeyCodes.h"
#include "support/XServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace morvanex::platform;

namespace {

TEST(MacKeyCodes, MapsPhysicalKeysBothWays) {
    struct Row {
        std::uint32_t keyCode;
        std::uint32_t keysym;
    };
    const Row rows[] = {{0, 'a'},      {40, 'k'},     {49, ' '}, {36, 0xff0d}, {122, 0xffbe},
                        {113, 0xffcc}, {126, 0xff52}, {29, '0'}, {50, '`'}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.keyCode);
        EXPECT_EQ(keysymForMacKeyCode(row.keyCode), row.keysym);
        EXPECT_EQ(macKeyCodeForKeysym(row.keysym), row.keyCode);
    }
    EXPECT_EQ(macKeyCodeForKeysym('K'), 40u);
    EXPECT_EQ(keysymForMacKeyCode(10), std::nullopt); // a key US keyboards lack
    EXPECT_EQ(x11ModifierMask(0x1B00), 4 | 8 | 1 | 64);
}

std::vector<std::uint32_t>
pressesWithin(int milliseconds, const std::vector<std::uint32_t>& presses, std::size_t wanted) {
    QElapsedTimer waited;
    waited.start();
    while (presses.size() < wanted && waited.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return presses;
}

TEST(X11KeyGrabber, GrabbedCombinationTriggersWithAndWithoutNumLock) {
    morvanex::test::XServer server;
    ASSERT_FALSE(server.display().isEmpty()) << "Xvfb did not start";
    qputenv("DISPLAY", server.display());
    qunsetenv("WAYLAND_DISPLAY");
    qunsetenv("XDG_SESSION_TYPE");
    auto grabber = X11KeyGrabber::connect();
    ASSERT_TRUE(grabber);
    std::vector<std::uint32_t> presses;
    grabber->onPress = [&presses](std::uint32_t number) { presses.push_back(number); };

    ASSERT_TRUE(grabber->grab(7, 40, 0x1800)); // control-option-K
    ASSERT_TRUE(server.xdotool({"key", "ctrl+alt+k"}));
    EXPECT_EQ(pressesWithin(10000, presses, 1), std::vector<std::uint32_t>{7});

    ASSERT_TRUE(server.xdotool({"key", "Num_Lock"}));
    ASSERT_TRUE(server.xdotool({"key", "ctrl+alt+k"}));
    EXPECT_EQ(pressesWithin(10000, presses, 2), (std::vector<std::uint32_t>{7, 7}));

    // A combination nobody grabbed triggers nothing; a released grab neither.
    ASSERT_TRUE(server.xdotool({"key", "ctrl+alt+j"}));
    grabber->ungrab(7);
    ASSERT_TRUE(server.xdotool({"key", "ctrl+alt+k"}));
    EXPECT_EQ(pressesWithin(1000, presses, 3).size(), 2u);

    // Another client holding a combination makes our grab fail.
    auto other = X11KeyGrabber::connect();
    ASSERT_TRUE(other);
    ASSERT_TRUE(other->grab(1, 3, 0x1000)); // control-F
    EXPECT_FALSE(grabber->grab(2, 3, 0x1000));
    EXPECT_FALSE(grabber->grab(3, 10, 0x1000)); // no such key on this layout
}

TEST(X11KeyGrabber, RefusesWithoutAnXDisplayOrUnderWayland) {
    qunsetenv("DISPLAY");
    EXPECT_EQ(X11KeyGrabber::connect(), nullptr);
    qputenv("DISPLAY", ":0");
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_EQ(X11KeyGrabber::connect(), nullptr);
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("DISPLAY", ":31999"); // nothing listens there
    EXPECT_EQ(X11KeyGrabber::connect(), nullptr);
    qunsetenv("DISPLAY");
}

} // namespace
