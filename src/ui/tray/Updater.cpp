#include "ui/tray/Updater.h"

#include "base/BuildInfo.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <utility>

namespace morvanex::ui {

namespace {

// The feed as an address, or an invalid one when it is empty or not an absolute address.
QUrl feedFrom(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative()) {
        qCWarning(log::ui) << "The update feed" << trimmed
                           << "is not an absolute address; no updates are offered";
        return {};
    }
    return url;
}

// The policy may only change on the main thread.
void onMainThread(std::function<void()> work) {
    const QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread())
        work();
    else
        platform::postToMain(std::move(work));
}

} // namespace

Updater& Updater::shared() {
    static Updater updater(QString::fromUtf8(BuildInfo::feedURL),
                           [] { return desktopController(shared().feedURL()); });
    return updater;
}

bool Updater::settingsWindowShowing() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](const QWidget* window) {
        return window->isVisible() && window->objectName() == settingsWindowName;
    });
}

UpdaterController Updater::desktopController(const QUrl& feed) {
    return {
        [] {},
        [feed] {
            if (!QDesktopServices::openUrl(feed))
                qCWarning(log::ui) << "Could not open the update feed" << feed.toString();
        },
    };
}

Updater::Updater(const QString& feedURL, MakeController makeController)
    : feed_(feedFrom(feedURL)), makeController_(std::move(makeController)) {}

UpdaterController* Updater::controller() {
    if (!hasFeed())
        return nullptr;
    if (!controller_)
        controller_ = std::make_unique<UpdaterController>(makeController_ ? makeController_()
                                                                          : UpdaterController{});
    return controller_.get();
}

void Updater::willHandleShowingUpdate(bool handleShowingUpdate) {
    if (!handleShowingUpdate)
        return;
    onMainThread([this] {
        if (hooks.setPolicy)
            hooks.setPolicy(ActivationPolicy::regular);
        if (hooks.activate)
            hooks.activate();
    });
}

void Updater::willFinishUpdateSession() {
    onMainThread([this] {
        if (hooks.settingsWindowVisible && hooks.settingsWindowVisible())
            return;
        if (hooks.setPolicy)
            hooks.setPolicy(ActivationPolicy::accessory);
    });
}

} // namespace morvanex::ui
