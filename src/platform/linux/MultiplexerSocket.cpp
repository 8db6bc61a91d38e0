#include "platform/linux/MultiplexerSocket.h"

#include "platform/Log.h"
#include "platform/MainQueue.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <utility>

namespace morvanex::platform {

QString MultiplexerSocket::systemPath() {
    if (qEnvironmentVariableIsSet("USBMUXD_SOCKET_ADDRESS"))
        return {};
    return QStringLiteral("/var/run/usbmuxd");
}

MultiplexerSocket::MultiplexerSocket(QString socketPath) : path(std::move(socketPath)) {}

MultiplexerSocket::~MultiplexerSocket() = default;

bool MultiplexerSocket::present() const {
    return path.isEmpty() || QFileInfo::exists(path);
}

void MultiplexerSocket::whenPresent(std::function<void()> appeared) {
    appeared_ = std::move(appeared);
    if (!present() && !watcher_ && !unwatchable_) {
        watcher_ = std::make_unique<QFileSystemWatcher>();
        const QString folder = QFileInfo(path).path();
        if (watcher_->addPath(folder)) {
            QObject::connect(watcher_.get(), &QFileSystemWatcher::directoryChanged, watcher_.get(),
                             [this] { check(); });
        } else {
            qCWarning(log::platform).noquote()
                << "Cannot watch" << folder << "for the device daemon; the device library is"
                << "loaded without waiting for it.";
            unwatchable_ = true;
        }
    }
    // Looked at again from the event loop: the socket may have appeared before the watch began.
    const std::weak_ptr<bool> alive = alive_;
    postToMain([this, alive] {
        if (alive.lock())
            check();
    });
}

void MultiplexerSocket::check() {
    if (!appeared_ || (!unwatchable_ && !present()))
        return;
    // The watcher may be the caller: it stops watching but stays until this object goes.
    if (watcher_)
        watcher_->removePaths(watcher_->directories());
    std::exchange(appeared_, {})();
}

} // namespace morvanex::platform
