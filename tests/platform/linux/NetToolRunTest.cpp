#include "platform/linux/NetToolRun.h"

#include "support/FixtureTree.h"
#include "support/TestEnv.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

using namespace morvanex::platform;
using morvanex::test::copyFixture;
using morvanex::test::scratchDir;
using morvanex::test::writeFile;

using morvanex::test::waitUntil;

namespace {

QString script(const QString& name, const QByteArray& body) {
    writeFile(scratchDir(), "bin/" + name, "#!/bin/sh\n" + body);
    const QString path = scratchDir() + "/bin/" + name;
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// The process id a script wrote to `path`, or 0 before it has.
pid_t readPid(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = file.readAll();
    return text.endsWith('\n') ? pid_t(text.trimmed().toInt()) : 0;
}

// Whether process `pid` has ended: a zombie awaiting its parent, or gone.
bool ended(pid_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close < 0 || text.mid(close + 2, 1) == "Z";
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
    const QString pidFile = scratchDir() + "/slow.pid";
    const QString tool = script("slow", "echo $$ > '" + pidFile.toUtf8() + "'\nsleep 2\ntouch '" +
                                            marker.toUtf8() + "'\n");
    bool called = false;
    pid_t shell = 0;
    {
        NetToolRun run(options(tool));
        ASSERT_TRUE(run.start([&](NetToolOutcome) { called = true; }));
        // The shell is running its script before the run goes.
        ASSERT_TRUE(waitUntil([&] { return readPid(pidFile) > 0; }));
        shell = readPid(pidFile);
    }
    // The shell was killed and reaped with the run, so it never reaches its last line.
    EXPECT_EQ(::kill(shell, 0), -1);
    EXPECT_EQ(errno, ESRCH);
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
    EXPECT_FALSE(QFile::exists(marker));

    // Nor does a run whose child has ended unseen (no event loop ran) report anything.
    const QString quickPid = scratchDir() + "/quick.pid";
    const QString quick = script("quick", "echo $$ > '" + quickPid.toUtf8() + "'\nexit 0\n");
    {
        NetToolRun run(options(quick));
        ASSERT_TRUE(run.start([&](NetToolOutcome) { called = true; }));
        // Watched without the event loop, which would take the child's end: it has ended once
        // it is a zombie, or gone.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!(readPid(quickPid) > 0 && ended(readPid(quickPid))) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_TRUE(readPid(quickPid) > 0 && ended(readPid(quickPid)));
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
}
