#include "platform/linux/LogindInhibitor.h"

#include "platform/Log.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <unistd.h>
#include <utility>

namespace morvanex::platform {

std::optional<LogindInhibitor> LogindInhibitor::take(const QDBusConnection& bus,
                                                     const Request& request,
                                                     std::chrono::milliseconds bound) {
    if (!bus.isConnected()) {
        qCWarning(log::platform, "No system bus to ask logind to keep the machine awake: %s",
                  qUtf8Printable(bus.lastError().message()));
        return std::nullopt;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << request.what << request.who << request.why << request.mode;
    const int timeout = int(std::clamp<std::chrono::milliseconds::rep>(
        bound.count(), 1, std::numeric_limits<int>::max()));
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeout);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qCWarning(log::platform, "logind did not take the %s lock: %s",
                  qUtf8Printable(request.what), qUtf8Printable(reply.errorMessage()));
        return std::nullopt;
    }
    const QVariant argument = reply.arguments().value(0);
    const auto descriptor = argument.metaType() == QMetaType::fromType<QDBusUnixFileDescriptor>()
                                ? argument.value<QDBusUnixFileDescriptor>()
                                : QDBusUnixFileDescriptor();
    if (reply.arguments().size() != 1 || !descriptor.isValid()) {
        qCWarning(log::platform, "logind answered the %s lock without a file descriptor",
                  qUtf8Printable(request.what));
        return std::nullopt;
    }
    // Our own copy: the message's copy closes with the message.
    const int fd = ::fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        qCWarning(log::platform, "The logind lock could not be kept: %s", std::strerror(errno));
        return std::nullopt;
    }
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
