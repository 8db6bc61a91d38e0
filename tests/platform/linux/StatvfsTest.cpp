#include "platform/linux/Statvfs.h"

#include "platform/linux/StatvfsBounded.h"
#include "support/FixtureTree.h"
#include "support/LogCapture.h"
#include "support/TestEnv.h"

#include <QTest>
#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <stdexcept>

using namespace morvanex::platform;

namespace {

// A statvfs that hangs like a dead network share until the test lets it go. The helper thread
// may outlive the test's objects, so everything it touches is shared.
class Gate {
public:
    ~Gate() { open(); } // never leave a helper thread hanging past the test

    StatvfsFunction function() const {
        return [state = state_](const QString&) -> std::optional<VolumeSpace> {
            ++state->calls;
            std::unique_lock lock(state->mutex);
            state->opened.wait(lock, [&] { return state->isOpen; });
            ++state->returned;
            return VolumeSpace{100, 40};
        };
    }
    void open() {
        const std::lock_guard lock(state_->mutex);
        state_->isOpen = true;
        state_->opened.notify_all();
    }
    int calls() const { return state_->calls; }
    int returned() const { return state_->returned; }

private:
    struct State {
        std::atomic<int> calls = 0;
        std::atomic<int> returned = 0;
        std::mutex mutex;
        std::condition_variable opened;
        bool isOpen = false;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace

TEST(Statvfs, ReadsTheSpaceOfAFolder) {
    const auto space = readStatvfs(morvanex::test::scratchDir());
    ASSERT_TRUE(space);
    EXPECT_GT(space->total, 0);
    EXPECT_GE(space->available, 0);
    EXPECT_LE(space->available, space->total);
}

TEST(Statvfs, FilesAndMissingPathsAreNoVolumes) {
    const QString scratch = morvanex::test::scratchDir();
    morvanex::test::writeFile(scratch, "hosts", "127.0.0.1 localhost\n");
    EXPECT_FALSE(readStatvfs(scratch + "/hosts"));
    EXPECT_FALSE(readStatvfs(scratch + "/missing"));
    EXPECT_FALSE(readStatvfs(QString()));
}

TEST(BoundedStatvfs, AnswersAtOnceWhenTheReadIsQuick) {
    BoundedStatvfs bounded([](const QString& folder) -> std::optional<VolumeSpace> {
        if (folder == "/gone")
            return std::nullopt;
        return VolumeSpace{100, 40};
    });
    EXPECT_EQ(bounded("/mnt/nas"), (VolumeSpace{100, 40}));
    EXPECT_FALSE(bounded("/gone"));
    EXPECT_FALSE(bounded.isPending("/mnt/nas"));
}

TEST(BoundedStatvfs, AReadThatThrowsIsNoAnswerAndIsLogged) {
    const morvanex::test::LogCapture logged;
    BoundedStatvfs bounded(
        [](const QString& folder) -> std::optional<VolumeSpace> {
            if (folder == "/odd")
                throw 7;
            throw std::runtime_error("out of handles");
        },
        std::chrono::seconds(60)); // the answer comes back long before: no thread hangs here
    EXPECT_FALSE(bounded("/mnt/nas"));
    EXPECT_FALSE(bounded("/odd"));
    EXPECT_FALSE(bounded.isPending("/mnt/nas"));
    EXPECT_TRUE(
        logged.contains("morvanex.platform: Disk space of /mnt/nas could not be read: out of "
                        "handles"))
        << logged.all();
    EXPECT_TRUE(logged.contains("Disk space of /odd could not be read: unknown failure"))
        << logged.all();
}

TEST(BoundedStatvfs, AHangingReadCostsTheBoundOnceAndNeverPilesUp) {
    Gate gate;
    BoundedStatvfs bounded(gate.function(), std::chrono::milliseconds(20));
    // The calls return although the read never does.
    EXPECT_FALSE(bounded("/mnt/nas"));
    EXPECT_TRUE(bounded.isPending("/mnt/nas"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.calls() == 1; }, 60000));
    EXPECT_FALSE(bounded("/mnt/nas"));
    EXPECT_FALSE(bounded("/mnt/nas"));
    EXPECT_EQ(gate.calls(), 1); // no second thread stuck behind the first

    // Once the server answers, the next call asks afresh and gets the answer.
    gate.open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bounded.isPending("/mnt/nas"); }, 60000));
    std::optional<VolumeSpace> space;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            space = bounded("/mnt/nas");
            return space.has_value();
        },
        60000));
    EXPECT_EQ(*space, (VolumeSpace{100, 40}));
    EXPECT_GE(gate.calls(), 2);
}

TEST(BoundedStatvfs, AHelperThreadMayOutliveItsCaller) {
    Gate gate;
    {
        BoundedStatvfs bounded(gate.function(), std::chrono::milliseconds(1));
        EXPECT_FALSE(bounded("/mnt/nas"));
    }
    gate.open(); // the thread finishes into state it shares, not into the destroyed object
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.returned() == 1; }, 60000));
}
