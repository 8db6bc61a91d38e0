#include "agents/McpTransport.h"

#include "agents/McpLineReader.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStringList>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace morvanex;
using namespace morvanex::mcp;

namespace {

// Both ends of a pipe, closed on destruction.
struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int fds[2];
        EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        read = fds[0];
        write = fds[1];
    }
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    void closeRead() {
        if (read >= 0)
            ::close(std::exchange(read, -1));
    }
    void closeWrite() {
        if (write >= 0)
            ::close(std::exchange(write, -1));
    }
    void send(const QByteArray& bytes) const {
        ASSERT_EQ(::write(write, bytes.constData(), std::size_t(bytes.size())), bytes.size());
    }
};

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

TEST(McpProtocolOutput, WritesEveryByteAndReportsAClientThatHasGone) {
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    Pipe pipe;
    ProtocolOutput output(::dup(pipe.write));
    const QByteArray line = "{\"jsonrpc\":\"2.0\",\"id\":1,\"result\":{}}\n";
    EXPECT_TRUE(output.write(line));
    QByteArray received(line.size(), '\0');
    EXPECT_EQ(::read(pipe.read, received.data(), std::size_t(received.size())), line.size());
    EXPECT_EQ(received, line);

    pipe.closeRead();
    EXPECT_FALSE(output.write(line));
    EXPECT_FALSE(ProtocolOutput(-1).write(line));
    std::signal(SIGPIPE, previous);
}

TEST(McpProtocolOutput, ALongReplyWaitsForTheReaderInsteadOfBeingCut) {
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    Pipe pipe;
    // A non-blocking pipe, as some clients hand over: a full pipe must not lose bytes.
    ::fcntl(pipe.write, F_SETFL, ::fcntl(pipe.write, F_GETFL) | O_NONBLOCK);
    const QByteArray big(1 << 20, 'x');
    QByteArray received;
    std::thread reader([&] {
        char chunk[4096];
        ssize_t n;
        while ((n = ::read(pipe.read, chunk, sizeof chunk)) > 0)
            received.append(chunk, n);
    });
    {
        ProtocolOutput output(std::exchange(pipe.write, -1));
        EXPECT_TRUE(output.write(big));
    } // closes the writing end: the reader sees the end
    reader.join();
    EXPECT_EQ(received.size(), big.size());
    std::signal(SIGPIPE, previous);
}

} // namespace
