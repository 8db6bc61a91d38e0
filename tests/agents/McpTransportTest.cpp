#include "agents/McpTransport.h"

#include "agents/McpLineReader.h"
#include "support/Pipe.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace morvanex;
using namespace morvanex::mcp;
using morvanex::test::Pipe;

namespace {

// Runs the main thread's events until `done` holds (a hang guard, not a timing check).
bool processUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(30000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

struct SplitRow {
    const char* name;
    std::vector<QByteArray> chunks;
    std::vector<QByteArray> lines;
    std::optional<QByteArray> last;
};

TEST(McpLineBuffer, CutsLinesAtLineFeedsWhateverTheChunks) {
    const SplitRow rows[] = {
        {"one line", {"abc\n"}, {"abc"}, std::nullopt},
        {"crlf", {"a\r\nb\r\n"}, {"a", "b"}, std::nullopt},
        {"crlf split across chunks", {"a\r", "\nb"}, {"a"}, QByteArray("b")},
        {"line split across chunks", {"{\"id\"", ":1}\n"}, {"{\"id\":1}"}, std::nullopt},
        {"empty lines kept for the blank test", {"\n\r\n"}, {"", ""}, std::nullopt},
        {"lone carriage return stays", {"a\rb\n"}, {"a\rb"}, std::nullopt},
        {"last line without line end", {"x\ny"}, {"x"}, QByteArray("y")},
        {"nothing after the last line end", {"x\n"}, {"x"}, std::nullopt},
    };
    for (const SplitRow& row : rows) {
        SCOPED_TRACE(row.name);
        LineBuffer buffer;
        std::vector<QByteArray> lines;
        for (const QByteArray& chunk : row.chunks) {
            for (QByteArray& line : buffer.append(chunk.constData(), std::size_t(chunk.size())))
                lines.push_back(std::move(line));
        }
        EXPECT_EQ(lines, row.lines);
        EXPECT_EQ(buffer.finish(), row.last);
    }
}

TEST(McpLineBuffer, BlankMeansOnlySpacesAndTabs) {
    EXPECT_TRUE(isBlankLine(""));
    EXPECT_TRUE(isBlankLine(" \t  "));
    EXPECT_FALSE(isBlankLine(" x "));
    EXPECT_FALSE(isBlankLine("\r")); // not horizontal white space: handled (as a parse error)
    EXPECT_FALSE(isBlankLine("\v"));
}

TEST(McpLineReader, HandsLinesToTheMainThreadInOrderThenTheEnd) {
    Pipe pipe;
    QStringList lines;
    bool ended = false;
    int linesAtEnd = -1;
    LineReader reader(
        pipe.read, [&](const QString& line) { lines.append(line); },
        [&] {
            ended = true;
            linesAtEnd = int(lines.size());
        });
    pipe.send("first\r\n   \n\t\n");
    pipe.send("bad \xff\xfe bytes\nsec");
    pipe.send("ond\nlast without line end");
    pipe.closeWrite();
    ASSERT_TRUE(processUntil([&] { return ended; }));
    EXPECT_EQ(lines, QStringList({"first", QStringLiteral("bad \ufffd\ufffd bytes"), "second",
                                  "last without line end"}));
    EXPECT_EQ(linesAtEnd, 4); // every line before the end
}

TEST(McpLineReader, StopsWhileWaitingForInput) {
    Pipe pipe;
    bool called = false;
    {
        LineReader reader(
            pipe.read, [&](const QString&) { called = true; }, [&] { called = true; });
        pipe.send("queued but never handled\n");
        // The destructor must not wait for input that never comes.
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
}

TEST(McpLineReader, AnUnreadableDescriptorIsTheEndOfInput) {
    bool ended = false;
    LineReader reader(
        -1, [](const QString&) {}, [&] { ended = true; });
    EXPECT_TRUE(processUntil([&] { return ended; }));
}

// SIGPIPE ignored for the test's length, as the server ignores it.
class McpProtocolOutput : public testing::Test {
protected:
    void SetUp() override { previous_ = std::signal(SIGPIPE, SIG_IGN); }
    void TearDown() override { std::signal(SIGPIPE, previous_); }

private:
    void (*previous_)(int) = SIG_DFL;
};

// Reads a pipe on a thread of its own until the writing end closes, pausing between reads like
// a client busy with other work.
class SlowReader {
public:
    SlowReader(int fd, std::chrono::microseconds pause)
        : thread_([this, fd, pause] {
              char chunk[4096];
              ssize_t n;
              while ((n = ::read(fd, chunk, sizeof chunk)) > 0) {
                  received_.append(chunk, n);
                  std::this_thread::sleep_for(pause);
              }
          }) {}
    // Everything read, once the writing end has closed.
    QByteArray finish() {
        thread_.join();
        return received_;
    }

private:
    QByteArray received_;
    std::thread thread_;
};

QByteArray numberedLines(int count) {
    QByteArray all;
    for (int i = 0; i < count; ++i)
        all += R"({"jsonrpc":"2.0","id":)" + QByteArray::number(i) + R"(,"result":{"pad":")" +
               QByteArray(200 + i % 50, 'x') + "\"}}\n";
    return all;
}

TEST_F(McpProtocolOutput, WritesEveryByteAndReportsAClientThatHasGone) {
    Pipe pipe;
    int goneCalls = 0;
    ProtocolOutput output(::dup(pipe.write), [&] { ++goneCalls; });
    const QByteArray line = "{\"jsonrpc\":\"2.0\",\"id\":1,\"result\":{}}\n";
    EXPECT_TRUE(output.write(line));
    EXPECT_EQ(output.queuedBytes(), 0);
    QByteArray received(line.size(), '\0');
    EXPECT_EQ(::read(pipe.read, received.data(), std::size_t(received.size())), line.size());
    EXPECT_EQ(received, line);

    pipe.closeRead();
    EXPECT_FALSE(output.write(line));
    EXPECT_FALSE(output.write(line));
    EXPECT_EQ(goneCalls, 1);
    bool flushed = false;
    output.whenFlushed([&] { flushed = true; });
    EXPECT_TRUE(flushed); // nothing will ever go out: no reason to wait

    int closedCalls = 0;
    EXPECT_FALSE(ProtocolOutput(-1, [&] { ++closedCalls; }).write(line));
    EXPECT_EQ(closedCalls, 1);
}

// A client that does not read must not hold up the caller: the replies wait in order and go out
// as the client reads, however slowly, and the end waits for the last of them.
TEST_F(McpProtocolOutput, AClientThatDoesNotReadNeverHoldsUpTheWriter) {
    Pipe pipe;
    const QByteArray all = numberedLines(4000); // about 15 times what the pipe holds
    std::atomic<bool> returned{false};
    // Without queueing, the writes below would wait for a reader that never comes; this guard
    // then reads the pipe so that the test fails instead of hanging.
    std::thread guard([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!returned && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        char chunk[65536];
        pollfd readable{pipe.read, POLLIN, 0};
        while (!returned) {
            if (::poll(&readable, 1, 10) > 0) [[maybe_unused]]
                const ssize_t n = ::read(pipe.read, chunk, sizeof chunk);
        }
    });
    std::optional<ProtocolOutput> output(std::in_place, std::exchange(pipe.write, -1));
    for (const QByteArray& line : all.split('\n')) {
        if (!line.isEmpty())
            output->write(line + '\n');
    }
    const bool heldUp = output->queuedBytes() == 0;
    returned = true;
    guard.join();
    ASSERT_FALSE(heldUp) << "the writes waited for the client";

    bool flushed = false;
    output->whenFlushed([&] { flushed = true; });
    EXPECT_FALSE(flushed);
    SlowReader reader(pipe.read, std::chrono::microseconds(200));
    ASSERT_TRUE(processUntil([&] { return flushed; }));
    EXPECT_EQ(output->queuedBytes(), 0);
    output.reset();                  // closes the pipe: the reader sees the end
    EXPECT_EQ(reader.finish(), all); // whole and in order
}

TEST_F(McpProtocolOutput, AClientThatLeavesWhileRepliesWaitIsNoticed) {
    Pipe pipe;
    bool gone = false;
    ProtocolOutput output(std::exchange(pipe.write, -1), [&] { gone = true; });
    const QByteArray big(1 << 20, 'x');
    EXPECT_TRUE(output.write(big));
    EXPECT_GT(output.queuedBytes(), 0);
    EXPECT_FALSE(gone);
    pipe.closeRead();
    EXPECT_TRUE(processUntil([&] { return gone; }));
    EXPECT_EQ(output.queuedBytes(), 0);
    EXPECT_FALSE(output.write("more\n"));
}

TEST_F(McpProtocolOutput, TheClientsNonBlockingPipeLosesNothingAndKeepsItsFlag) {
    struct Row {
        const char* name;
        bool clientNonBlocking;
    };
    for (const Row& row : {Row{"blocking pipe", false}, Row{"non-blocking pipe", true}}) {
        SCOPED_TRACE(row.name);
        Pipe pipe;
        if (row.clientNonBlocking)
            ::fcntl(pipe.write, F_SETFL, ::fcntl(pipe.write, F_GETFL) | O_NONBLOCK);
        const QByteArray big(1 << 20, 'x');
        SlowReader reader(pipe.read, std::chrono::microseconds(0));
        {
            // The channel shares the open pipe with the client's descriptor, flags included.
            ProtocolOutput output(::dup(pipe.write));
            EXPECT_TRUE(output.write(big));
            bool flushed = false;
            output.whenFlushed([&] { flushed = true; });
            EXPECT_TRUE(processUntil([&] { return flushed; }));
        }
        // The flag is put back as the client had it.
        EXPECT_EQ((::fcntl(pipe.write, F_GETFL) & O_NONBLOCK) != 0, row.clientNonBlocking);
        pipe.closeWrite();
        EXPECT_EQ(reader.finish().size(), big.size());
    }
}

} // namespace
