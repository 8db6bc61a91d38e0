// Calendar files that make libical work without end (a time zone changing its clock every second
// since 1970, a line of many megabytes) or that block whoever opens them (a FIFO) once kept every
// mode from ending: the agent server at the end of its input and at SIGTERM, and the report.

#include "e2e/ChildProcess.h"
#include "e2e/RunBinary.h"
#include "support/FifoGuard.h"
#include "support/FixtureTree.h"
#include "support/Pipe.h"
#include "support/TestEnv.h"

#include <QFile>
#include <array>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace morvanex::test;
using namespace std::chrono_literals;

namespace {

const QByteArray secondlyZone =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTIMEZONE\r\nTZID:Attack\r\nBEGIN:STANDARD\r\n"
    "DTSTART:19700101T000000\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0000\r\n"
    "RRULE:FREQ=SECONDLY\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\nBEGIN:VEVENT\r\nUID:zoned\r\n"
    "SUMMARY:Zoned\r\nDTSTART;TZID=Attack:20300115T100000\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";

// The hostile calendars in the home of the runs' environment, beside a FIFO one.
class HostileCalendars : public testing::Test {
protected:
    void SetUp() override {
        previous_ = std::signal(SIGPIPE, SIG_IGN);
        const QString home = localEnvironment().value(QStringLiteral("HOME"));
        const QString data = home + QStringLiteral("/.local/share");
        writeFile(data, QStringLiteral("calendars/attack/zone.ics"), secondlyZone);
        writeFile(data, QStringLiteral("calendars/attack/long.ics"),
                  "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:long\r\nDTSTART:20300115T090000Z\r\n"
                  "SUMMARY:" +
                      QByteArray(16 * 1024 * 1024, 'x') + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
        fifo_ = std::make_unique<FifoGuard>(data + QStringLiteral("/calendars/attack/fifo.ics"));
        ASSERT_TRUE(fifo_->made());
    }
    void TearDown() override {
        fifo_.reset();
        std::signal(SIGPIPE, previous_);
    }

    // The agent server reading `input`, its replies on `output`, with standard error dropped.
    static std::unique_ptr<ChildProcess> startServer(const Pipe& input, const Pipe& output) {
        return std::make_unique<ChildProcess>(morvanexCommand({QStringLiteral("--mcp")}),
                                              localEnvironment(),
                                              std::array<int, 3>{input.read, output.write, -1});
    }

    // Sends a request and waits (generously) for its reply line: by then the server runs its
    // hub, which reads the calendars.
    static void awaitReply(const Pipe& input, const Pipe& output) {
        input.send(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})"
                   "\n");
        pollfd readable{output.read, POLLIN, 0};
        ASSERT_EQ(::poll(&readable, 1, 60'000), 1) << "no reply";
    }

    std::unique_ptr<FifoGuard> fifo_;

private:
    void (*previous_)(int) = SIG_DFL;
};

bool exitedWithZero(const std::optional<int>& status) {
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

} // namespace

TEST_F(HostileCalendars, TheAgentServerEndsAtTheEndOfItsInput) {
    Pipe input;
    Pipe output;
    const auto server = startServer(input, output);
    ASSERT_TRUE(server->started());
    input.closeRead();
    output.closeWrite();
    awaitReply(input, output);
    input.closeWrite();
    const std::optional<int> status = server->waitFor(30s);
    EXPECT_TRUE(exitedWithZero(status)) << describeStatus(status);
    EXPECT_FALSE(fifo_->released()) << "something waited on the FIFO";
}

TEST_F(HostileCalendars, TheAgentServerEndsAtSigterm) {
    Pipe input;
    Pipe output;
    const auto server = startServer(input, output);
    ASSERT_TRUE(server->started());
    input.closeRead();
    output.closeWrite();
    awaitReply(input, output);
    ASSERT_EQ(::kill(server->pid(), SIGTERM), 0);
    const std::optional<int> status = server->waitFor(30s);
    EXPECT_TRUE(exitedWithZero(status)) << describeStatus(status);
    EXPECT_FALSE(fifo_->released()) << "something waited on the FIFO";
}

TEST_F(HostileCalendars, TheReportFinishes) {
    const RunResult result = runMorvanex({QStringLiteral("--dump")}, localEnvironment(), {}, {},
                                         std::chrono::milliseconds(120'000));
    EXPECT_FALSE(result.crashed) << result.standardError.toStdString();
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    EXPECT_FALSE(result.standardOutput.isEmpty());
    EXPECT_FALSE(fifo_->released()) << "something waited on the FIFO";
}
