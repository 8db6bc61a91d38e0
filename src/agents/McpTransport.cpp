#include "agents/McpTransport.h"

#include "platform/Log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace morvanex::mcp {

int takeStandardOutput() {
    std::fflush(stdout);
    // Above the standard three, and closed in child processes: replies are the server's alone.
    const int replies = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    return replies;
}

ProtocolOutput::ProtocolOutput(int fd, Callback onGone) : fd_(fd), onGone_(std::move(onGone)) {
    if (fd_ < 0)
        return;
    // The flag belongs to the open file, which the client's side may share (a terminal, say):
    // it is put back as it was when the channel ends.
    originalFlags_ = ::fcntl(fd_, F_GETFL);
    if (originalFlags_ >= 0 && (originalFlags_ & O_NONBLOCK) == 0 &&
        ::fcntl(fd_, F_SETFL, originalFlags_ | O_NONBLOCK) != 0)
        qCWarning(log::agents, "cannot make the reply channel non-blocking: %s",
                  std::strerror(errno));
}

ProtocolOutput::~ProtocolOutput() {
    writable_.reset(); // before the descriptor it watches closes
    if (fd_ < 0)
        return;
    if (originalFlags_ >= 0)
        ::fcntl(fd_, F_SETFL, originalFlags_);
    ::close(fd_);
}

bool ProtocolOutput::write(const QByteArray& bytes) {
    if (gone_)
        return false;
    if (fd_ < 0) {
        fail();
        return false;
    }
    if (bytes.isEmpty())
        return true;
    queue_.push_back(bytes);
    queuedBytes_ += bytes.size();
    // While the client is behind, the notifier drains the queue; writing now would only fail.
    if (!writable_ || !writable_->isEnabled())
        drain();
    return !gone_;
}

void ProtocolOutput::whenFlushed(Callback done) {
    onFlushed_ = std::move(done);
    if (queue_.empty())
        notifyFlushed();
}

void ProtocolOutput::drain() {
    while (!queue_.empty()) {
        const QByteArray& front = queue_.front();
        const ssize_t written = ::write(fd_, front.constData() + sentOfFront_,
                                        std::size_t(front.size() - sentOfFront_));
        if (written > 0) {
            sentOfFront_ += written;
            queuedBytes_ -= written;
            if (sentOfFront_ == front.size()) {
                queue_.pop_front();
                sentOfFront_ = 0;
            }
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            watchWritable(true); // the pipe is full: go on when the client has read some
            return;
        }
        // EPIPE (SIGPIPE is ignored) is the client going away, nothing worth a message.
        if (written < 0 && errno != EPIPE)
            qCWarning(log::agents, "cannot write a reply: %s", std::strerror(errno));
        fail();
        return;
    }
    watchWritable(false);
    notifyFlushed();
}

void ProtocolOutput::fail() {
    gone_ = true;
    queue_.clear();
    sentOfFront_ = 0;
    queuedBytes_ = 0;
    watchWritable(false);
    if (Callback gone = std::exchange(onGone_, {}))
        gone();
    notifyFlushed(); // nothing more will go out: whoever waits for that need not wait longer
}

void ProtocolOutput::watchWritable(bool watch) {
    if (!watch) {
        if (writable_)
            writable_->setEnabled(false);
        return;
    }
    if (!writable_) {
        writable_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
        QObject::connect(writable_.get(), &QSocketNotifier::activated, writable_.get(),
                         [this] { drain(); });
    }
    writable_->setEnabled(true);
}

void ProtocolOutput::notifyFlushed() {
    if (Callback done = std::exchange(onFlushed_, {}))
        done();
}

} // namespace morvanex::mcp
