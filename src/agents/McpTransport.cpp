#include "agents/McpTransport.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <utility>

namespace morvanex::mcp {

ProtocolOutput ProtocolOutput::takeStandardOutput() {
    std::fflush(stdout);
    // Above the standard three, and closed in child processes: replies are the server's alone.
    const int replies = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    return ProtocolOutput(replies);
}

ProtocolOutput::ProtocolOutput(int fd) : fd_(fd) {}

ProtocolOutput::ProtocolOutput(ProtocolOutput&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)) {}

ProtocolOutput& ProtocolOutput::operator=(ProtocolOutput&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

ProtocolOutput::~ProtocolOutput() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool ProtocolOutput::write(const QByteArray& bytes) {
    if (fd_ < 0)
        return false;
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd_, data, std::size_t(left));
        if (written > 0) {
            data += written;
            left -= written;
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A client may hand over a non-blocking pipe: wait until it drains.
            pollfd ready{fd_, POLLOUT, 0};
            if (::poll(&ready, 1, -1) < 0 && errno != EINTR)
                return false;
            continue;
        }
        return false; // EPIPE (SIGPIPE is ignored) or another failure: the client is gone
    }
    return true;
}

} // namespace morvanex::mcp
