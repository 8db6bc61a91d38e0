#include "agents/McpLineReader.h"

#include "agents/McpText.h"
#include "platform/MainQueue.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace morvanex::mcp {

std::vector<QByteArray> LineBuffer::append(const char* data, std::size_t size) {
    std::vector<QByteArray> lines;
    pending_.append(data, qsizetype(size));
    qsizetype start = 0;
    for (qsizetype end = pending_.indexOf('\n'); end >= 0; end = pending_.indexOf('\n', start)) {
        qsizetype length = end - start;
        if (length > 0 && pending_.at(end - 1) == '\r')
            --length;
        lines.push_back(pending_.mid(start, length));
        start = end + 1;
    }
    pending_.remove(0, start);
    return lines;
}

std::optional<QByteArray> LineBuffer::finish() {
    if (pending_.isEmpty())
        return std::nullopt;
    return std::exchange(pending_, QByteArray());
}

bool isBlankLine(const QByteArray& line) {
    for (const char c : line) {
        if (c != ' ' && c != '\t')
            return false;
    }
    return true;
}

// Shared between the reader and the work it posts; touched only on the main thread.
struct LineReader::Handlers {
    LineHandler onLine;
    EndHandler onEnd;
    bool alive = true;
};

LineReader::StopSignal::StopSignal() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

LineReader::StopSignal::~StopSignal() {
    if (fd_ >= 0)
        ::close(fd_);
}

void LineReader::StopSignal::raise() const {
    const std::uint64_t one = 1;
    while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

LineReader::LineReader(int fd, LineHandler onLine, EndHandler onEnd)
    : handlers_(std::make_shared<Handlers>(Handlers{std::move(onLine), std::move(onEnd)})),
      thread_(readLoop, fd, stop_.fd(), handlers_) {}

LineReader::~LineReader() {
    handlers_->alive = false;
    stop_.raise();
    thread_.join();
}

void LineReader::readLoop(int fd, int stopFd, std::shared_ptr<Handlers> handlers) {
    pthread_setname_np(pthread_self(), "Morvanex.stdin");
    const auto post = [&handlers](QByteArray line) {
        if (isBlankLine(line))
            return;
        platform::postToMain([handlers, line = std::move(line)] {
            if (handlers->alive && handlers->onLine)
                handlers->onLine(decoded(line));
        });
    };

    LineBuffer buffer;
    std::array<char, 65536> chunk;
    // poll() ignores a negative descriptor and would wait for the stop signal alone.
    for (bool open = fd >= 0; open;) {
        std::array<pollfd, 2> watched{pollfd{fd, POLLIN, 0}, pollfd{stopFd, POLLIN, 0}};
        if (::poll(watched.data(), watched.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break; // cannot wait any more: the end of input
        }
        if (watched[1].revents != 0)
            return; // stopping: the owner is going away and wants no more calls
        const ssize_t count = ::read(fd, chunk.data(), chunk.size());
        if (count > 0) {
            for (QByteArray& line : buffer.append(chunk.data(), std::size_t(count)))
                post(std::move(line));
            continue;
        }
        // The end of input, or a descriptor that cannot be read, ends the loop.
        open = count < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK);
    }
    if (std::optional<QByteArray> last = buffer.finish())
        post(std::move(*last));
    // The main queue runs work in the order it was posted, so every line above is handled
    // before the end is.
    platform::postToMain([handlers] {
        if (handlers->alive && handlers->onEnd)
            handlers->onEnd();
    });
}

} // namespace morvanex::mcp
