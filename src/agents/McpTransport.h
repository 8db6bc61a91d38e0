#pragma once

#include <QByteArray>
#include <QSocketNotifier>
#include <deque>
#include <functional>
#include <memory>

// The agent server's reply channel. The protocol owns standard output: any other byte there
// (a library's message, a child process that inherited the descriptor) would corrupt the stream
// the client reads. So at start the process moves the client's standard output to a private
// descriptor used only for replies, and points descriptor 1 at standard error.
namespace morvanex::mcp {

// Takes over standard output as described above and returns the private descriptor, or -1
// without a usable standard output.
int takeStandardOutput();

// Writes replies to the client in order without ever making the main thread wait for it: what
// the client has not taken yet stays queued and goes out from the event loop as it reads. So a
// client that stops reading delays its own replies, never the event loop (a signal still ends
// the process). Main thread only.
class ProtocolOutput {
public:
    using Callback = std::function<void()>;

    // Writes to `fd`, which the channel then owns; -1 for a closed channel. The descriptor is
    // made non-blocking while the channel lives. `onGone` runs once, when a write finds the
    // client gone (the pipe's reading end closed) or the channel closed.
    explicit ProtocolOutput(int fd, Callback onGone = {});
    ProtocolOutput(const ProtocolOutput&) = delete;
    ProtocolOutput& operator=(const ProtocolOutput&) = delete;
    // Drops whatever is still queued, restores the descriptor's flags and closes it.
    ~ProtocolOutput();

    // Queues the bytes after every earlier write and writes as much as the descriptor takes now.
    // False, the bytes dropped, once the client is gone or the channel is closed.
    bool write(const QByteArray& bytes);

    // Calls `done` once every byte written so far has reached the descriptor, or the client is
    // gone: at once when nothing is queued. A later call replaces an earlier one still waiting.
    void whenFlushed(Callback done);

    // Bytes written but not taken by the client yet.
    qsizetype queuedBytes() const { return queuedBytes_; }

private:
    void drain();
    void fail();
    void watchWritable(bool watch);
    void notifyFlushed();

    int fd_ = -1;
    int originalFlags_ = -1;
    Callback onGone_;
    Callback onFlushed_;
    std::deque<QByteArray> queue_;
    qsizetype sentOfFront_ = 0; // bytes of queue_.front() already written
    qsizetype queuedBytes_ = 0;
    bool gone_ = false;
    // Made when the client first falls behind: it needs the thread's event dispatcher.
    std::unique_ptr<QSocketNotifier> writable_;
};

} // namespace morvanex::mcp
