#include "platform/linux/LogindInhibitor.h"

#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <algorithm>
#include <fcntl.h>
#include <limits>
#include <unistd.h>
#include <utility>

namespace morvanex::platform {

std::optional<LogindInhibitor> LogindInhibitor::take(const QDBusConnection& bus,
                                                     const Request& request,
                                                     std::chrono::milliseconds bound) {
    if (!bus.isConnected())
        return std::nullopt;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << request.what << request.who << request.why << request.mode;
    const int timeout = int(std::clamp<std::chrono::milliseconds::rep>(
        bound.count(), 1, std::numeric_limits<int>::max()));
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeout);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return std::nullopt;
    const QVariant argument = reply.arguments().constFirst();
    if (argument.metaType() != QMetaType::fromType<QDBusUnixFileDescriptor>())
        return std::nullopt;
    const auto descriptor = argument.value<QDBusUnixFileDescriptor>();
    if (!descriptor.isValid())
        return std::nullopt;
    // Our own copy: the message's copy closes with the message.
    const int fd = ::fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return std::nullopt;
    return LogindInhibitor(fd);
}

LogindInhibitor::LogindInhibitor(LogindInhibitor&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)) {}

LogindInhibitor& LogindInhibitor::operator=(LogindInhibitor&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

LogindInhibitor::~LogindInhibitor() {
    release();
}

void LogindInhibitor::release() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

} // namespace morvanex::platform
