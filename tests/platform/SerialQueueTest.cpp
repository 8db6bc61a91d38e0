#include "platform/SerialQueue.h"

#include "support/LogCapture.h"

#include <QtGlobal>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace morvanex::platform;
using namespace std::chrono_literals;

namespace {

// Polls `condition` until it holds or a deadline far beyond any expected wait passes.
template <typename Condition> bool eventually(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(SerialQueue, RunsItemsFromManyThreadsInEachThreadsPostingOrder) {
    SerialQueue queue(QStringLiteral("test.fifo"));
    constexpr int posters = 4;
    constexpr int perPoster = 2000;
    std::vector<std::pair<int, int>> seen; // touched only on the queue
    std::vector<std::thread> threads;
    for (int poster = 0; poster < posters; ++poster)
        threads.emplace_back([&, poster] {
            for (int i = 0; i < perPoster; ++i)
                queue.async([&seen, poster, i] { seen.emplace_back(poster, i); });
        });
    for (auto& thread : threads)
        thread.join();
    queue.sync([] {}); // runs after everything posted before it

    ASSERT_EQ(seen.size(), std::size_t{posters * perPoster});
    std::vector<int> next(posters, 0);
    for (const auto& [poster, index] : seen)
        ASSERT_EQ(index, next[poster]++) << "poster " << poster;
}

TEST(SerialQueue, SyncRunsOnTheQueueAndReturnsAfterItsEffects) {
    SerialQueue queue(QStringLiteral("test.sync"));
    EXPECT_FALSE(queue.isCurrent());

    int value = 0; // deliberately not atomic: sync must publish the write
    bool wasCurrent = false;
    std::thread::id ranOn;
    queue.sync([&] {
        value = 42;
        wasCurrent = queue.isCurrent();
        ranOn = std::this_thread::get_id();
    });
    EXPECT_EQ(value, 42);
    EXPECT_TRUE(wasCurrent);
    EXPECT_NE(ranOn, std::this_thread::get_id());

    // Concurrent callers, interleaved with async work on the same counter.
    long counter = 0;
    std::vector<std::thread> callers;
    for (int caller = 0; caller < 6; ++caller)
        callers.emplace_back([&] {
            for (int i = 0; i < 300; ++i) {
                queue.async([&] { ++counter; });
                queue.sync([&] { ++counter; });
            }
        });
    for (auto& caller : callers)
        caller.join();
    long total = 0;
    queue.sync([&] { total = counter; });
    EXPECT_EQ(total, 6 * 300 * 2);
}

TEST(SerialQueue, SyncFromItsOwnThreadRunsInlineAheadOfQueuedWork) {
    SerialQueue queue(QStringLiteral("test.inline"));
    std::vector<std::string> order; // touched only on the queue
    queue.sync([&] {
        queue.async([&] { order.push_back("queued"); });
        queue.sync([&] {
            order.push_back("inline");
            queue.sync([&] { order.push_back("nested"); });
        });
        order.push_back("after");
    });
    queue.sync([] {});
    EXPECT_EQ(order, (std::vector<std::string>{"inline", "nested", "after", "queued"}));
}

TEST(SerialQueue, NamesItsThreadAfterTheLabel) {
    struct Row {
        QString label;
        const char* threadName;
    };
    const Row rows[] = {
        {QStringLiteral("short"), "short"},
        {QStringLiteral("Morvanex.devices"), "Morvanex.device"},
        {QStringLiteral("Morvanex.history"), "Morvanex.histor"},
        // 14 ASCII bytes, then a two-byte character that would straddle the 15-byte limit.
        {QStringLiteral("abcdefghijklmn\u00f6"), "abcdefghijklmn"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.threadName);
        SerialQueue queue(row.label);
        EXPECT_EQ(queue.label(), row.label);
        char name[16] = {};
        queue.sync([&] { pthread_getname_np(pthread_self(), name, sizeof name); });
        EXPECT_STREQ(name, row.threadName);
    }
}

TEST(SerialQueue, SurvivesWorkItemsThatThrow) {
    const morvanex::test::LogCapture warnings;
    SerialQueue queue(QStringLiteral("test.throws"));
    queue.async([] { throw std::runtime_error("async boom"); });
    queue.async([] { throw 7; });
    queue.sync([] { throw std::runtime_error("sync boom"); });
    queue.sync([&] { throw std::logic_error("inline boom"); });

    bool ranAfter = false;
    queue.sync([&] {
        queue.sync([] { throw std::runtime_error("nested boom"); });
        ranAfter = true;
    });
    EXPECT_TRUE(ranAfter);
    for (const char* text : {"async boom", "non-standard", "sync boom", "nested boom"})
        EXPECT_TRUE(warnings.contains(text)) << text;
    EXPECT_EQ(warnings.count("morvanex.platform: SerialQueue \"test.throws\""), 5)
        << warnings.all();
}

TEST(SerialQueue, DestructionRunsEveryQueuedItem) {
    std::atomic<int> ran = 0;
    {
        SerialQueue queue(QStringLiteral("test.drain"));
        queue.async([] { std::this_thread::sleep_for(50ms); }); // keeps the rest queued
        for (int i = 0; i < 1000; ++i)
            queue.async([&] { ++ran; });
        queue.async([&] { queue.async([&] { ++ran; }); }); // queued during the drain itself
    }
    EXPECT_EQ(ran.load(), 1001);
}

TEST(SerialQueue, DestroyedFromItsOwnWorkItemStillFinishesItsWork) {
    const morvanex::test::LogCapture warnings;
    auto queue = std::make_shared<SerialQueue>(QStringLiteral("test.self"));
    std::atomic<bool> released = false;
    std::atomic<bool> destroyed = false;
    std::atomic<int> later = 0;
    std::atomic<bool> drained = false;
    queue->async([keep = queue, &released, &destroyed]() mutable {
        ASSERT_TRUE(eventually([&] { return released.load(); }));
        keep.reset(); // the last owner: the destructor runs on the queue's own thread
        destroyed = true;
    });
    for (int i = 0; i < 100; ++i)
        queue->async([&] { ++later; });
    queue->async([&] { drained = true; });
    queue.reset();
    released = true;

    ASSERT_TRUE(eventually([&] { return drained.load(); }));
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(later.load(), 100);
    EXPECT_TRUE(warnings.contains("own thread"));
}

// A timer that keeps firing on the same queue, proving the queue had every chance to run a
// stopped timer again.
void letOtherTimerFire(SerialQueue& queue, int times) {
    std::atomic<int> fires = 0;
    const TimerHandle witness = queue.scheduleRepeating(1ms, [&] { ++fires; });
    ASSERT_TRUE(eventually([&] { return fires.load() >= times; }));
}

TEST(SerialQueueTimer, FiresRepeatedlyOnTheQueueUntilStopped) {
    struct Row {
        const char* name;
        void (*stop)(std::optional<TimerHandle>&);
    };
    const Row rows[] = {
        {"cancel()", [](std::optional<TimerHandle>& handle) { handle->cancel(); }},
        {"destroyed", [](std::optional<TimerHandle>& handle) { handle.reset(); }},
        {"assigned over", [](std::optional<TimerHandle>& handle) { *handle = TimerHandle{}; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SerialQueue queue(QStringLiteral("test.timer"));
        std::atomic<int> fires = 0;
        std::atomic<bool> offQueue = false;
        std::atomic<bool> stopped = false;
        std::atomic<int> late = 0;
        std::optional<TimerHandle> handle = queue.scheduleRepeating(1ms, [&] {
            if (stopped)
                ++late;
            if (!queue.isCurrent())
                offQueue = true;
            ++fires;
        });
        ASSERT_TRUE(eventually([&] { return fires.load() >= 5; }));
        row.stop(handle);
        stopped = true;
        letOtherTimerFire(queue, 10);
        EXPECT_EQ(late.load(), 0);
        EXPECT_FALSE(offQueue);
    }
}

TEST(SerialQueueTimer, WorkCanStopItsOwnTimer) {
    struct Row {
        const char* name;
        void (*stop)(TimerHandle&);
    };
    const Row rows[] = {
        {"cancel()", [](TimerHandle& handle) { handle.cancel(); }},
        {"assigned over", [](TimerHandle& handle) { handle = TimerHandle{}; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SerialQueue queue(QStringLiteral("test.selfstop"));
        std::atomic<int> fires = 0;
        TimerHandle handle;
        // Assigned on the queue, so the work cannot see the handle half-assigned.
        queue.sync([&] {
            handle = queue.scheduleRepeating(1ms, [&, stop = row.stop] {
                if (++fires == 3)
                    stop(handle);
            });
        });
        ASSERT_TRUE(eventually([&] { return fires.load() >= 3; }));
        letOtherTimerFire(queue, 10);
        EXPECT_EQ(fires.load(), 3);
    }
}

TEST(SerialQueueTimer, CancelFromAnotherThreadWaitsForARunInProgress) {
    SerialQueue queue(QStringLiteral("test.cancelwait"));
    auto resource = std::make_unique<std::vector<int>>();
    std::atomic<int> started = 0;
    std::atomic<int> finished = 0;
    TimerHandle handle = queue.scheduleRepeating(1ms, [&started, &finished, data = resource.get()] {
        ++started;
        std::this_thread::sleep_for(20ms); // long enough that cancel() lands mid-run
        data->push_back(1);                // freed right after cancel(): ASan sees any overlap
        ++finished;
    });
    ASSERT_TRUE(eventually([&] { return started.load() >= 2; }));
    handle.cancel();
    EXPECT_EQ(started.load(), finished.load());
    resource.reset();
    letOtherTimerFire(queue, 5);
    EXPECT_EQ(started.load(), finished.load());
}

TEST(SerialQueueTimer, FiresWhileTheQueueIsNeverEmpty) {
    SerialQueue queue(QStringLiteral("test.busy"));
    std::atomic<int> fires = 0;
    const TimerHandle timer = queue.scheduleRepeating(1ms, [&] { ++fires; });
    // Each item queues the next until the timer has fired a few times.
    std::function<void()> busy = [&] {
        if (fires < 3)
            queue.async(busy);
    };
    queue.async(busy);
    EXPECT_TRUE(eventually([&] { return fires.load() >= 3; }));
    // The item running as the wait ended may queue one more behind the first barrier, but that
    // one stops the chain: after the second barrier nothing touches this scope.
    queue.sync([] {});
    queue.sync([] {});
}

TEST(SerialQueueTimer, HandleMayOutliveItsQueue) {
    std::atomic<int> fires = 0;
    TimerHandle handle;
    TimerHandle moved;
    {
        SerialQueue queue(QStringLiteral("test.outlive"));
        handle = queue.scheduleRepeating(1ms, [&] { ++fires; });
        moved = queue.scheduleRepeating(1ms, [] {});
        ASSERT_TRUE(eventually([&] { return fires.load() >= 2; }));
    }
    const int atDestruction = fires.load();
    handle.cancel();
    TimerHandle target = std::move(moved);
    moved.cancel(); // moved-from: nothing to cancel
    EXPECT_EQ(fires.load(), atDestruction);
}

} // namespace
