#include "platform/linux/NetToolRun.h"

#include "support/FixtureTree.h"
#include "support/TestEnv.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QFile>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace morvanex::platform;
using morvanex::test::copyFixture;
using morvanex::test::scratchDir;
using morvanex::test::writeFile;

using morvanex::test::waitUntil;

namespace {

// Runs the event loop until `condition` holds or a generous deadline passes.
QString script(const QString& name, const QByteArray& body) {
    writeFile(scratchDir(), "bin/" + name, "#!/bin/sh\n" + body);
    const QString path = scratchDir() + "/bin/" + name;
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

NetToolRun::Options options(const QString& program, const QStringList& arguments = {},
                            const QHash<QString, QString>& environment = {}) {
    NetToolRun::Options options;
    options.program = program;
    options.arguments = arguments;
    options.environment = environment;
    return options;
}

std::optional<NetToolOutcome> runToEnd(NetToolRun& run) {
    std::optional<NetToolOutcome> outcome;
    if (!run.start([&](NetToolOutcome o) { outcome = std::move(o); }))
        return std::nullopt;
    EXPECT_TRUE(waitUntil([&] { return outcome.has_value(); }));
    return outcome;
}

} // namespace

TEST(NetToolRun, CollectsOutputAndStatusWhileDrainingErrors) {
    // 1 MiB on standard error before the answer: a pipe left unread would stall the child.
    const QString tool = script("chatty", "head -c 1048576 /dev/zero | tr '\\0' x >&2\n"
                                          "printf '%s|%s|%s' \"$1\" \"$2\" \"$PROBE\"\nexit 3\n");
    NetToolRun run(options(tool, {"a b", "-c"}, {{"PROBE", "set"}}));
    const auto outcome = runToEnd(run);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->output, "a b|-c|set");
    EXPECT_EQ(outcome->exitStatus, 3);
    EXPECT_FALSE(outcome->signalled);
    EXPECT_FALSE(outcome->timedOut);
    EXPECT_FALSE(outcome->overflowed);
    EXPECT_FALSE(run.running());
}

TEST(NetToolRun, LimitsTheCollectedOutput) {
    const QString tool = script("flood", "head -c 100000 /dev/zero | tr '\\0' y\n");
    NetToolRun::Options limited = options(tool);
    limited.outputLimit = 1000;
    NetToolRun run(limited);
    const auto outcome = runToEnd(run);
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->overflowed);
    EXPECT_EQ(outcome->output, QByteArray(1000, 'y'));
    EXPECT_EQ(outcome->exitStatus, 0);
}

TEST(NetToolRun, TerminateAndTimeBoundEndTheChildBySignal) {
    const QString sleeper = script("sleeper", "echo started\nexec sleep 3600\n");
    {
        NetToolRun run(options(sleeper));
        std::optional<NetToolOutcome> outcome;
        ASSERT_TRUE(run.start([&](NetToolOutcome o) { outcome = std::move(o); }));
        EXPECT_TRUE(run.running());
        run.terminate();
        ASSERT_TRUE(waitUntil([&] { return outcome.has_value(); }));
        EXPECT_TRUE(outcome->signalled);
        EXPECT_EQ(outcome->exitStatus, 15);
        EXPECT_FALSE(outcome->timedOut);
    }
    NetToolRun::Options timed = options(sleeper);
    timed.bound = std::chrono::milliseconds(200);
    NetToolRun bounded(timed);
    const auto outcome = runToEnd(bounded);
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->signalled);
    EXPECT_TRUE(outcome->timedOut);
    EXPECT_EQ(outcome->exitStatus, 9);
}

TEST(NetToolRun, ToolsThatCannotStart) {
    const QString noInterpreter = copyFixture("network/bin") + "/speedtest-cli-no-interpreter";
    // Marked executable, but neither a program nor a script.
    const QString notAProgram = script("garbage", "");
    writeFile(scratchDir(), "bin/garbage", QByteArray("\x01\x02\x03 no format", 13));
    for (const QString& program : {scratchDir() + "/missing", noInterpreter, notAProgram}) {
        SCOPED_TRACE(program.toStdString());
        NetToolRun run(options(program));
        bool called = false;
        EXPECT_FALSE(run.start([&](NetToolOutcome) { called = true; }));
        EXPECT_FALSE(run.running());
        QCoreApplication::processEvents();
        EXPECT_FALSE(called);
    }
}

TEST(NetToolRun, DestroyingARunKillsTheChildAndDropsTheCompletion) {
    const QString marker = scratchDir() + "/survived";
    const QString tool = script("slow", "sleep 2\ntouch '" + marker.toUtf8() + "'\n");
    bool called = false;
    {
        NetToolRun run(options(tool));
        ASSERT_TRUE(run.start([&](NetToolOutcome) { called = true; }));
    }
    // The shell was killed, so it never reaches its last line, however long we wait for it.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
    EXPECT_FALSE(QFile::exists(marker));

    // Nor does a run whose child has ended unseen (no event loop ran) report anything.
    const QString quick = script("quick", "exit 0\n");
    {
        NetToolRun run(options(quick));
        ASSERT_TRUE(run.start([&](NetToolOutcome) { called = true; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
}
