#include "platform/MainQueue.h"

#include "support/LogCapture.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace morvanex::platform;
using namespace std::chrono_literals;

using morvanex::test::waitUntil;

namespace {

// Runs the main thread's event loop until `condition` holds or a generous deadline passes.
bool onMainThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

TEST(MainQueue, RunsWorkFromWorkerThreadsOnTheMainThreadInPostingOrder) {
    constexpr int posters = 4;
    constexpr int perPoster = 1000;
    std::vector<std::pair<int, int>> seen; // touched only on the main thread
    bool allOnMain = true;
    std::vector<std::thread> threads;
    for (int poster = 0; poster < posters; ++poster)
        threads.emplace_back([&, poster] {
            for (int i = 0; i < perPoster; ++i)
                postToMain([&, poster, i] {
                    allOnMain = allOnMain && onMainThread();
                    seen.emplace_back(poster, i);
                });
        });
    ASSERT_TRUE(waitUntil([&] { return seen.size() == posters * perPoster; }));
    for (auto& thread : threads)
        thread.join();

    EXPECT_TRUE(allOnMain);
    std::vector<int> next(posters, 0);
    for (const auto& [poster, index] : seen)
        ASSERT_EQ(index, next[poster]++) << "poster " << poster;
}

TEST(MainQueue, WorkPostedFromTheMainThreadRunsLaterInOrder) {
    std::vector<std::string> order;
    postToMain([&] {
        order.push_back("first");
        postToMain([&] { order.push_back("posted by first"); });
    });
    postToMain([&] { order.push_back("second"); });
    postToMain({}); // empty work is ignored
    EXPECT_TRUE(order.empty()) << "work must not run inline";

    ASSERT_TRUE(waitUntil([&] { return order.size() == 3; }));
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second", "posted by first"}));
}

TEST(MainQueue, WorkThatThrowsDoesNotStopLaterWork) {
    const morvanex::test::LogCapture logged;
    bool ranAfter = false;
    postToMain([] { throw std::runtime_error("main boom"); });
    postToMain([] { throw 7; });
    postToMain([&] { ranAfter = true; });
    EXPECT_TRUE(waitUntil([&] { return ranAfter; }));
    EXPECT_TRUE(logged.contains("morvanex.platform: Main queue: work item threw: main boom"))
        << logged.all();
    EXPECT_TRUE(logged.contains("morvanex.platform: Main queue: work item threw a non-standard"))
        << logged.all();
}

} // namespace
