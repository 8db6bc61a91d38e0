#include "platform/QuitOnSignals.h"

#include "support/Wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <signal.h>
#include <thread>
#include <unistd.h>

using namespace morvanex::platform;
using namespace std::chrono_literals;

namespace {

void raiseInProcess(int signal) {
    ::raise(signal);
}

// kill() targets the process: the kernel picks any thread that does not block the signal.
void killFromAnotherThread(int signal) {
    std::thread([signal] { ::kill(::getpid(), signal); }).join();
}

// Whether `signal` waits in this process's or this thread's pending set (/proc/self/status).
bool signalPending(int signal) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return true;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (!line.startsWith("ShdPnd:") && !line.startsWith("SigPnd:"))
            continue;
        bool ok = false;
        const qulonglong mask = line.mid(7).trimmed().toULongLong(&ok, 16);
        if (!ok || (mask >> (signal - 1) & 1) != 0)
            return true;
    }
    return false;
}

// Runs a nested event loop until QuitOnSignals' callback quits it; false if the guard fired.
bool loopEndsOnSignal(int signal, void (*send)(int), bool sendBeforeLoop) {
    QEventLoop loop;
    bool called = false;
    const QuitOnSignals quitter([&] {
        called = true;
        loop.quit();
    });
    QTimer guard;
    guard.setSingleShot(true);
    guard.callOnTimeout(&loop, [&] { loop.quit(); });
    guard.start(20s);
    if (sendBeforeLoop)
        send(signal);
    else
        QTimer::singleShot(0, &loop, [&] { send(signal); });
    loop.exec();
    return called;
}

TEST(QuitOnSignals, SignalEndsTheRunningLoop) {
    struct Row {
        const char* name;
        int signal;
        void (*send)(int);
        bool sendBeforeLoop;
    };
    const Row rows[] = {
        {"SIGTERM raised", SIGTERM, raiseInProcess, false},
        {"SIGINT raised", SIGINT, raiseInProcess, false},
        {"SIGTERM from another thread", SIGTERM, killFromAnotherThread, false},
        {"SIGINT from another thread", SIGINT, killFromAnotherThread, false},
        {"SIGTERM before the loop runs", SIGTERM, raiseInProcess, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(loopEndsOnSignal(row.signal, row.send, row.sendBeforeLoop));
    }
}

TEST(QuitOnSignals, QuitsTheApplicationByDefault) {
    const QuitOnSignals quitter;
    QTimer guard;
    guard.setSingleShot(true);
    guard.callOnTimeout([] { QCoreApplication::exit(1); });
    guard.start(20s);
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

volatile std::sig_atomic_t previousHandlerCalls = 0;
extern "C" void countingHandler(int) {
    previousHandlerCalls = previousHandlerCalls + 1;
}

TEST(QuitOnSignals, DestructionRestoresThePreviousHandlers) {
    struct Row {
        const char* name;
        void (*handler)(int);
    };
    const Row rows[] = {
        {"ignored", SIG_IGN},
        {"default", SIG_DFL},
        {"custom handler", countingHandler},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const int signal : {SIGTERM, SIGINT}) {
            struct sigaction previous {};
            previous.sa_handler = row.handler;
            sigemptyset(&previous.sa_mask);
            struct sigaction original {};
            ASSERT_EQ(::sigaction(signal, &previous, &original), 0);
            {
                const QuitOnSignals quitter([] {});
                struct sigaction during {};
                ::sigaction(signal, nullptr, &during);
                EXPECT_NE(during.sa_handler, row.handler);
            }
            struct sigaction after {};
            ::sigaction(signal, nullptr, &after);
            EXPECT_EQ(after.sa_handler, row.handler);
            if (row.handler == countingHandler) {
                previousHandlerCalls = 0;
                ::raise(signal);
                EXPECT_EQ(previousHandlerCalls, 1);
            }
            ::sigaction(signal, &original, nullptr);
        }
    }
}

// Before the application object exists nothing can reach an event loop yet: a signal caught
// then waits for the instance made later, which answers it as soon as its loop runs.
TEST(QuitOnSignals, ASignalCaughtBeforeTheInstanceExistsIsAnsweredByIt) {
    struct sigaction original {};
    ASSERT_EQ(::sigaction(SIGTERM, nullptr, &original), 0);
    ASSERT_EQ(original.sa_handler, SIG_DFL);

    QuitOnSignals::catchEarly();
    QuitOnSignals::catchEarly(); // a second call changes nothing
    // With the default action this would end the test binary.
    killFromAnotherThread(SIGTERM);
    // Taken once no thread and not the process hold it pending any more.
    ASSERT_TRUE(morvanex::test::waitUntil([] { return !signalPending(SIGTERM); }));
    EXPECT_TRUE(loopEndsOnSignal(
        SIGTERM, [](int) {}, true));

    // The instance took the catching over: its end restores what was there before any of it.
    struct sigaction after {};
    ::sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, SIG_DFL);
}

// What arrives while the executable's initialisers run is held, not acted on: the catching
// answers it once it starts, and without a catching the default action follows the release.
TEST(QuitOnSignals, ASignalHeldAtLoadWaitsForTheCatching) {
    QuitOnSignals::holdEarly();
    ::raise(SIGTERM); // this thread's, so no other thread can take it meanwhile
    QuitOnSignals::catchEarly();
    EXPECT_TRUE(loopEndsOnSignal(
        SIGTERM, [](int) {}, true));
}

TEST(QuitOnSignalsDeathTest, AHeldSignalReleasedWithoutCatchingEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            QuitOnSignals::holdEarly();
            ::raise(SIGTERM);
            std::fputs("still here\n", stderr);
            QuitOnSignals::releaseHeld();
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "still here");
}

TEST(QuitOnSignalsDeathTest, OnlyOneInstanceAtATime) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEBUG_DEATH(
        {
            const QuitOnSignals first([] {});
            const QuitOnSignals second([] {});
        },
        "only one instance");
}

} // namespace

namespace {

// A mode that puts its things in order before it ends learns which signal asked it to end,
// and ends by that same signal, as its parent expects.
TEST(QuitOnSignals, TheCaughtSignalIsKnownAndTheProcessCanEndByIt) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        {
            const QuitOnSignals quitter([] {});
            ::raise(signal);
        }
        EXPECT_EQ(QuitOnSignals::lastCaught(), signal);
        EXPECT_EXIT(QuitOnSignals::endBy(signal), testing::KilledBySignal(signal), "");
    }
}

} // namespace
