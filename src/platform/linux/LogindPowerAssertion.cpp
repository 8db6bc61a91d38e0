#include "platform/linux/LogindPowerAssertion.h"

#include "platform/linux/LogindInhibitor.h"
#include "platform/linux/LogindSleepWatch.h"
#include "platform/linux/ScreenSaverInhibitor.h"

#include <optional>

namespace morvanex::platform {
namespace {

const QString application = QStringLiteral("Morvanex");

// The system stays awake through a logind sleep lock. For the display, logind's idle lock
// stops the session's idle action and the screen saver's inhibition stops the desktop from
// blanking; a desktop without that service still keeps the system awake.
struct KeepAwakeAssertion {
    LogindInhibitor inhibitor;
    std::optional<ScreenSaverInhibitor> screenSaver;
};

HeldToken takeAssertion(const QDBusConnection& systemBus, const QDBusConnection& sessionBus,
                        std::chrono::milliseconds bound, bool keepDisplayOn, const QString& name) {
    const LogindInhibitor::Request request{keepDisplayOn ? QStringLiteral("idle:sleep")
                                                         : QStringLiteral("sleep"),
                                           application, name, QStringLiteral("block")};
    auto inhibitor = LogindInhibitor::take(systemBus, request, bound);
    if (!inhibitor)
        return {};
    std::optional<ScreenSaverInhibitor> screenSaver;
    if (keepDisplayOn)
        screenSaver = ScreenSaverInhibitor::take(sessionBus, application, name, bound);
    return std::make_shared<KeepAwakeAssertion>(
        KeepAwakeAssertion{std::move(*inhibitor), std::move(screenSaver)});
}

HeldToken watch(const QDBusConnection& systemBus, std::function<void()> onResume) {
    auto watcher = std::make_shared<LogindSleepWatch>(systemBus, std::move(onResume));
    if (!watcher->isWatching())
        return {};
    return watcher;
}

} // namespace

PowerAssertions PowerAssertions::system() {
    // The buses are looked up at each use: creating the object connects to nothing.
    const std::chrono::milliseconds bound(1000);
    return {
        [bound](bool keepDisplayOn, const QString& name) {
            return takeAssertion(QDBusConnection::systemBus(), QDBusConnection::sessionBus(), bound,
                                 keepDisplayOn, name);
        },
        [](std::function<void()> onResume) {
            return watch(QDBusConnection::systemBus(), std::move(onResume));
        },
    };
}

PowerAssertions PowerAssertions::over(QDBusConnection systemBus, QDBusConnection sessionBus,
                                      std::chrono::milliseconds bound) {
    return {
        [systemBus, sessionBus, bound](bool keepDisplayOn, const QString& name) {
            return takeAssertion(systemBus, sessionBus, bound, keepDisplayOn, name);
        },
        [systemBus](std::function<void()> onResume) {
            return watch(systemBus, std::move(onResume));
        },
    };
}

} // namespace morvanex::platform
