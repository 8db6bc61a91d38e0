#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace morvanex::mcp {

// Cuts a byte stream into lines. A line ends at a line feed; a carriage return right before
// it belongs to the line end too.
class LineBuffer {
public:
    // The lines these bytes complete, without their line ends.
    std::vector<QByteArray> append(const char* data, std::size_t size);
    // At the end of input: the last line when it had no line end (and is not empty).
    std::optional<QByteArray> finish();

private:
    QByteArray pending_;
};

// Whether a line holds nothing but spaces and tabs.
bool isBlankLine(const QByteArray& line);

// Reads lines from a descriptor on a thread of its own and hands each one that is not blank,
// decoded from UTF-8 with replacement characters, to the main thread's event loop, in order;
// after the last line, the end of input. The thread does nothing else: every line is handled on
// the main thread, one at a time.
class LineReader {
public:
    using LineHandler = std::function<void(const QString& line)>;
    using EndHandler = std::function<void()>;

    // Starts reading `fd` (not owned). The handlers run on the main thread.
    LineReader(int fd, LineHandler onLine, EndHandler onEnd);
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;
    // Stops the thread, even while it waits for input, and joins it. Lines it has posted but the
    // main thread has not handled yet are dropped.
    ~LineReader();

private:
    struct Handlers;
    class StopSignal {
    public:
        StopSignal();
        StopSignal(const StopSignal&) = delete;
        StopSignal& operator=(const StopSignal&) = delete;
        ~StopSignal();
        int fd() const { return fd_; }
        void raise() const;

    private:
        int fd_;
    };

    static void readLoop(int fd, int stopFd, std::shared_ptr<Handlers> handlers);

    std::shared_ptr<Handlers> handlers_;
    StopSignal stop_;
    std::thread thread_; // last: started once everything it uses exists, joined first
};

} // namespace morvanex::mcp
