// Calendar files that make libical work without end (a time zone changing its clock every second
// since 1970, a line of many megabytes) or that block whoever opens them (a FIFO) once kept every
// mode from ending: the agent server at the end of its input and at SIGTERM, and the report.

#include "e2e/ChildProcess.h"
#include "e2e/PipedMcpServer.h"
#include "e2e/RunBinary.h"
#include "support/FifoGuard.h"
#include "support/FixtureTree.h"
#include "support/HostileCalendars.h"
#include "support/Pipe.h"
#include "support/TestEnv.h"

#include <QFile>
#include <chrono>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace morvanex::test;
using namespace std::chrono_literals;

namespace {

// The hostile calendars in the home of the runs' environment, beside a FIFO one.
class HostileCalendars : public testing::Test {
protected:
    void SetUp() override {
        previous_ = std::signal(SIGPIPE, SIG_IGN);
        const QString home = localEnvironment().value(QStringLiteral("HOME"));
        const QString data = home + QStringLiteral("/.local/share");
        writeFile(data, QStringLiteral("calendars/attack/zone.ics"),
                  secondlyZoneCalendar("20300115T100000"));
        writeFile(data, QStringLiteral("calendars/attack/long.ics"),
                  longLineCalendar(16 * 1024 * 1024, "20300115T090000"));
        fifo_ = std::make_unique<FifoGuard>(data + QStringLiteral("/calendars/attack/fifo.ics"));
        ASSERT_TRUE(fifo_->made());
    }
    void TearDown() override {
        fifo_.reset();
        std::signal(SIGPIPE, previous_);
    }

    // Starts the agent server and waits (generously) for its reply to a first request: by then
    // it runs its hub, which reads the calendars. Then `end` asks it to end, and it must exit
    // normally without anything having waited on the FIFO.
    void expectServerEnds(const std::function<void(PipedMcpServer&)>& end) {
        PipedMcpServer server;
        ASSERT_TRUE(server.started());
        server.input.send(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})"
                          "\n");
        pollfd readable{server.output.read, POLLIN, 0};
        ASSERT_EQ(::poll(&readable, 1, 60'000), 1) << "no reply";
        end(server);
        if (HasFatalFailure())
            return;
        EXPECT_TRUE(server.endsCleanly(30s));
        EXPECT_FALSE(fifo_->released()) << "something waited on the FIFO";
    }

    std::unique_ptr<FifoGuard> fifo_;

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
    EXPECT_FALSE(fifo_->released()) << "something waited on the FIFO";
}
