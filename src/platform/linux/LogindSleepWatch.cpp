#include "platform/linux/LogindSleepWatch.h"

#include "platform/Log.h"

#include <QDBusError>

namespace morvanex::platform {
namespace {

// Any sender: naming logind's well-known name would make the connection look its owner up
// with a blocking call. Only logind sends this signal from its manager object.
const QString anySender;
const QString path = QStringLiteral("/org/freedesktop/login1");
const QString interface = QStringLiteral("org.freedesktop.login1.Manager");
const QString signal = QStringLiteral("PrepareForSleep");

} // namespace

LogindSleepWatch::LogindSleepWatch(QDBusConnection bus, std::function<void()> onResume)
    : bus_(std::move(bus)), onResume_(std::move(onResume)) {
    watching_ = bus_.isConnected() &&
                bus_.connect(anySender, path, interface, signal, this, SLOT(prepareForSleep(bool)));
    if (!watching_)
        qCWarning(log::platform, "Wake-ups from sleep cannot be watched: %s",
                  qUtf8Printable(bus_.isConnected() ? QStringLiteral("the signal was refused")
                                                    : bus_.lastError().message()));
}

LogindSleepWatch::~LogindSleepWatch() {
    if (watching_)
        bus_.disconnect(anySender, path, interface, signal, this, SLOT(prepareForSleep(bool)));
}

void LogindSleepWatch::prepareForSleep(bool starting) {
    // Sent with true before the machine sleeps and with false once it is awake again.
    if (!starting && onResume_)
        onResume_();
}

} // namespace morvanex::platform
