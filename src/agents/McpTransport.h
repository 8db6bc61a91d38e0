#pragma once

#include <QByteArray>

// The agent server's reply channel. The protocol owns standard output: any other byte there
// (a library's message, a child process that inherited the descriptor) would corrupt the stream
// the client reads. So at start the process moves the client's standard output to a private
// descriptor used only for replies, and points descriptor 1 at standard error.
namespace morvanex::mcp {

class ProtocolOutput {
public:
    // Takes over standard output as described above. Without a usable standard output the
    // channel is closed and every write fails.
    static ProtocolOutput takeStandardOutput();

    // Writes to `fd`, which the channel then owns; -1 for a closed channel.
    explicit ProtocolOutput(int fd);
    ProtocolOutput(ProtocolOutput&& other) noexcept;
    ProtocolOutput& operator=(ProtocolOutput&& other) noexcept;
    ProtocolOutput(const ProtocolOutput&) = delete;
    ProtocolOutput& operator=(const ProtocolOutput&) = delete;
    ~ProtocolOutput();

    // Writes every byte, waiting while the pipe is full. False when the client has gone (the
    // pipe's reading end is closed) or the channel is closed; the caller then ends quietly.
    bool write(const QByteArray& bytes);

    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

} // namespace morvanex::mcp
