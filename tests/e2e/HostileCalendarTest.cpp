// Calendar files that make libical work without end (a time zone changing its clock every second
// since 1970, a line of many megabytes) or that block whoever opens them (a FIFO, as a calendar's
// file, colour, name or key file) once kept every mode from answering and ending: the agent
// server at the end of its input and at SIGTERM, the report and the tray application. A name
// linked to standard input made the agent server read its own requests.

#include "e2e/ChildProcess.h"
#include "e2e/ExitCheck.h"
#include "e2e/PipedMcpServer.h"
#include "e2e/RunBinary.h"
#include "e2e/TrayScene.h"
#include "support/FifoGuard.h"
#include "support/FixtureTree.h"
#include "support/HostileCalendars.h"
#include "support/Pipe.h"
#include "support/TestEnv.h"
#include "support/Wait.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace morvanex::test;
using namespace std::chrono_literals;

namespace {

// The calendars of one data home and one configuration home: hostile ones beside FIFOs standing
// for a calendar file, a colour, a name and an Evolution key file, and a name linked to the
// reader's standard input.
class HostileFolders {
public:
    HostileFolders(const QString& data, const QString& config) {
        writeFile(data, QStringLiteral("calendars/attack/zone.ics"),
                  secondlyZoneCalendar("20300115T100000"));
        writeFile(data, QStringLiteral("calendars/attack/long.ics"),
                  longLineCalendar(16 * 1024 * 1024, "20300115T090000"));
        writeFile(data, QStringLiteral("calendars/fifo-name/event.ics"), "");
        writeFile(data, QStringLiteral("calendars/stdin-name/event.ics"), "");
        writeFile(data, QStringLiteral("evolution/calendar/fifo-keys/calendar.ics"), "");
        for (const QString& fifo :
             {data + QStringLiteral("/calendars/attack/fifo.ics"),
              data + QStringLiteral("/calendars/attack/color"),
              data + QStringLiteral("/calendars/fifo-name/displayname"),
              config + QStringLiteral("/evolution/sources/fifo-keys.source")}) {
            QDir().mkpath(QFileInfo(fifo).path());
            fifos_.push_back(std::make_unique<FifoGuard>(fifo));
            made_ = made_ && fifos_.back()->made();
        }
        made_ = made_ && QFile::link(QStringLiteral("/proc/self/fd/0"),
                                     data + QStringLiteral("/calendars/stdin-name/displayname"));
    }

    bool made() const { return made_; }
    // The FIFO something waited on; empty when none was.
    QString waitedOn() const {
        for (const auto& fifo : fifos_)
            if (fifo->released())
                return fifo->path();
        return {};
    }

private:
    std::vector<std::unique_ptr<FifoGuard>> fifos_;
    bool made_ = true;
};

// The hostile calendars in the home of the runs' environment.
class HostileCalendars : public testing::Test {
protected:
    void SetUp() override {
        previous_ = std::signal(SIGPIPE, SIG_IGN);
        const QString home = localEnvironment().value(QStringLiteral("HOME"));
        folders_.emplace(home + QStringLiteral("/.local/share"), home + QStringLiteral("/.config"));
        ASSERT_TRUE(folders_->made());
    }
    void TearDown() override {
        folders_.reset();
        std::signal(SIGPIPE, previous_);
    }

    // Starts the agent server and waits (generously) for its replies to a first request and a
    // ping: by then it runs its hub, which looks at the calendars. Then `end` asks it to end, and
    // it must exit normally without anything having waited on a FIFO.
    void expectServerEnds(const std::function<void(PipedMcpServer&)>& end) {
        PipedMcpServer server;
        ASSERT_TRUE(server.started());
        server.input.send(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})"
                          "\n"
                          R"({"jsonrpc":"2.0","id":2,"method":"ping"})"
                          "\n");
        QByteArray replies;
        while (!replies.contains(R"("id":2)")) {
            pollfd readable{server.output.read, POLLIN, 0};
            ASSERT_EQ(::poll(&readable, 1, 60'000), 1) << "no reply: " << replies.toStdString();
            char buffer[4096];
            const ssize_t got = ::read(server.output.read, buffer, sizeof buffer);
            ASSERT_GT(got, 0) << "no reply: " << replies.toStdString();
            replies.append(buffer, got);
        }
        // Both answered: neither request was read by anything but the server.
        EXPECT_TRUE(replies.contains(R"("id":1)")) << replies.toStdString();
        end(server);
        if (HasFatalFailure())
            return;
        EXPECT_TRUE(server.endsCleanly(30s));
        EXPECT_EQ(folders_->waitedOn(), QString()) << "something waited on the FIFO";
    }

    std::optional<HostileFolders> folders_;

private:
    void (*previous_)(int) = SIG_DFL;
};

} // namespace

TEST_F(HostileCalendars, TheAgentServerEndsAtTheEndOfItsInput) {
    expectServerEnds([](PipedMcpServer& server) { server.input.closeWrite(); });
}

TEST_F(HostileCalendars, TheAgentServerEndsAtSigterm) {
    expectServerEnds(
        [](PipedMcpServer& server) { ASSERT_EQ(::kill(server.process->pid(), SIGTERM), 0); });
}

TEST_F(HostileCalendars, TheReportFinishes) {
    const RunResult result = runMorvanex({QStringLiteral("--dump")}, localEnvironment(), {}, {},
                                         std::chrono::milliseconds(120'000));
    EXPECT_FALSE(result.crashed) << result.standardError.toStdString();
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    EXPECT_FALSE(result.standardOutput.isEmpty());
    EXPECT_EQ(folders_->waitedOn(), QString()) << "something waited on the FIFO";
}

TEST_F(HostileCalendars, TheRendersFinish) {
    const QString folder = scratchDir() + QStringLiteral("/renders");
    const RunResult result = runMorvanex({QStringLiteral("--dump"), folder}, localEnvironment(), {},
                                         {}, std::chrono::milliseconds(240'000));
    EXPECT_FALSE(result.crashed) << result.standardError.toStdString();
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    EXPECT_FALSE(QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files).isEmpty());
    EXPECT_EQ(folders_->waitedOn(), QString()) << "something waited on the FIFO";
}

TEST(HostileCalendarsTray, TheTrayShowsItsItemsAndEndsAtSigterm) {
    const QStringList missing = TrayScene::missingPrograms(TrayScene::Host::watcher);
    if (!missing.isEmpty())
        GTEST_SKIP() << "needs " << missing.join(QStringLiteral(", ")).toStdString();
    storeSettings(localConfig());
    TrayScene scene(TrayScene::Host::watcher);
    ASSERT_TRUE(scene.failure().isEmpty()) << scene.failure().toStdString();
    const HostileFolders folders(scene.dataHome(),
                                 localEnvironment().value(QStringLiteral("HOME")) +
                                     QStringLiteral("/.config"));
    ASSERT_TRUE(folders.made());
    ASSERT_TRUE(scene.startApp());
    EXPECT_TRUE(waitUntil([&] { return !scene.registeredItems().isEmpty(); }))
        << scene.appErrors().toStdString();
    const std::optional<int> status = scene.terminateApp();
    EXPECT_TRUE(exitedCleanly(status, scene.appErrors()));
    EXPECT_EQ(folders.waitedOn(), QString()) << "something waited on the FIFO";
}
