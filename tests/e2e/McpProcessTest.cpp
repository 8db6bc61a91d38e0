#include "e2e/ChildProcess.h"
#include "e2e/ErrorFile.h"
#include "e2e/ExitCheck.h"
#include "e2e/PipedMcpServer.h"
#include "support/Pipe.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

using namespace morvanex::test;
using namespace std::chrono_literals;

namespace {

// SIGPIPE ignored for the test's length: writing to a server that has ended must fail, not
// end the test binary.
class McpProcess : public testing::Test {
protected:
    void SetUp() override { previous_ = std::signal(SIGPIPE, SIG_IGN); }
    void TearDown() override { std::signal(SIGPIPE, previous_); }

private:
    void (*previous_)(int) = SIG_DFL;
};

QByteArray requests(int count, const char* method) {
    QByteArray all;
    for (int id = 0; id < count; ++id)
        all += R"({"jsonrpc":"2.0","id":)" + QByteArray::number(id) + R"(,"method":")" + method +
               "\"}\n";
    return all;
}

// Writes everything to `fd` on a thread of its own (stopping at a failure), then closes it.
class Feeder {
public:
    Feeder(int fd, QByteArray bytes)
        : thread_([fd, bytes = std::move(bytes)] {
              for (qsizetype sent = 0; sent < bytes.size();) {
                  const ssize_t n =
                      ::write(fd, bytes.constData() + sent, std::size_t(bytes.size() - sent));
                  if (n <= 0)
                      break;
                  sent += n;
              }
              ::close(fd);
          }) {}
    ~Feeder() { thread_.join(); }

private:
    std::thread thread_;
};

QByteArray target(pid_t pid, int fd) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/fd/%d", int(pid), fd);
    char buffer[4096];
    const ssize_t length = ::readlink(path, buffer, sizeof buffer);
    return length > 0 ? QByteArray(buffer, length) : QByteArray();
}

// A client that sends many requests and reads nothing leaves the server's output full; the
// server must still end at SIGTERM, with status 0, dropping what the client never took.
TEST_F(McpProcess, TerminationEndsAServerWhoseClientDoesNotRead) {
    ErrorFile errors;
    PipedMcpServer server(errors.fd());
    ASSERT_TRUE(server.started());
    // Standard input stays open: only the signal can end the server.
    const Feeder feeder(::dup(server.input.write), requests(3000, "tools/list"));

    // Once the pipe is full the server cannot write another byte until the client reads: the
    // bytes in it stop growing (a little short of its capacity, as it fills by pages).
    const int capacity = ::fcntl(server.output.read, F_GETPIPE_SZ);
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    int buffered = 0;
    for (int previous = -1; (buffered != previous || buffered <= capacity / 2) &&
                            std::chrono::steady_clock::now() < deadline;) {
        previous = buffered;
        std::this_thread::sleep_for(500ms);
        ASSERT_EQ(::ioctl(server.output.read, FIONREAD, &buffered), 0);
    }
    ASSERT_GT(buffered, capacity / 2) << errors.text();

    ASSERT_EQ(::kill(server.process->pid(), SIGTERM), 0);
    const std::optional<int> status = server.process->waitFor(10s);
    EXPECT_TRUE(waitStatusClean(status, errors.bytes()));
}

// A SIGTERM while the server is still starting (it has just moved its standard output aside,
// its very first step) ends it normally too, not by the signal's default action.
TEST_F(McpProcess, TerminationRightAtTheStartEndsTheServerNormally) {
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        ErrorFile errors;
        PipedMcpServer server(errors.fd());
        ASSERT_TRUE(server.started());

        const pid_t pid = server.process->pid();
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        bool tookOver = false;
        while (!tookOver && std::chrono::steady_clock::now() < deadline) {
            const QByteArray standardError = target(pid, 2);
            tookOver = !standardError.isEmpty() && target(pid, 1) == standardError;
        }
        ASSERT_TRUE(tookOver) << errors.text();
        ASSERT_EQ(::kill(pid, SIGTERM), 0);
        const std::optional<int> status = server.process->waitFor(10s);
        EXPECT_TRUE(waitStatusClean(status, errors.bytes()));
    }
}

// Started without a standard input, the server reads an empty one: it ends at once with status
// 0 and writes nothing.
TEST_F(McpProcess, AMissingStandardInputIsAnEmptyOne) {
    Pipe output;
    ErrorFile errors;
    const auto server = startMcpServer(-1, output.write, errors.fd());
    ASSERT_TRUE(server->started());
    output.closeWrite();
    const std::optional<int> status = server->waitFor(30s);
    EXPECT_TRUE(waitStatusClean(status, errors.bytes()));
    char byte = 0;
    ::fcntl(output.read, F_SETFL, O_NONBLOCK);
    EXPECT_EQ(::read(output.read, &byte, 1), 0) << "the server wrote to its output";
}

// A client that reads slowly gets every reply, in order, before the server ends at the end of
// its input.
TEST_F(McpProcess, ASlowReaderGetsEveryReplyInOrder) {
    ErrorFile errors;
    PipedMcpServer server(errors.fd());
    ASSERT_TRUE(server.started());
    constexpr int count = 2000;
    { const Feeder feeder(std::exchange(server.input.write, -1), requests(count, "tools/list")); }

    QByteArray received;
    char chunk[4096];
    const auto deadline = std::chrono::steady_clock::now() + 120s;
    for (ssize_t n; std::chrono::steady_clock::now() < deadline &&
                    (n = ::read(server.output.read, chunk, sizeof chunk)) > 0;) {
        received.append(chunk, n);
        std::this_thread::sleep_for(1ms);
    }
    const std::optional<int> status = server.process->waitFor(30s);
    EXPECT_TRUE(waitStatusClean(status, errors.bytes()));

    ASSERT_TRUE(received.endsWith('\n'));
    const QList<QByteArray> lines = received.chopped(1).split('\n');
    ASSERT_EQ(lines.size(), count);
    for (int id = 0; id < count; ++id) {
        const QJsonObject reply = QJsonDocument::fromJson(lines[id]).object();
        ASSERT_EQ(reply.value("id"), id) << lines[id].left(200).toStdString();
        ASSERT_TRUE(reply.value("result").toObject().contains("tools"));
    }
}

} // namespace
