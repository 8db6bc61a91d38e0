#pragma once

#include <QString>
#include <functional>
#include <memory>

class QFileSystemWatcher;

namespace morvanex::platform {

// The socket of the daemon through which the device library reaches attached iPhones and
// iPads (usbmuxd). The daemon runs once such a device has been plugged in, so before its
// socket exists no device can be listed, and the library need not be loaded. Main thread only.
class MultiplexerSocket {
public:
    // The daemon's usual socket; none (nothing to wait for) when the environment gives the
    // library another address (USBMUXD_SOCKET_ADDRESS).
    static QString systemPath();

    // `path` empty: the daemon is taken to be there.
    explicit MultiplexerSocket(QString path);
    MultiplexerSocket(const MultiplexerSocket&) = delete;
    MultiplexerSocket& operator=(const MultiplexerSocket&) = delete;
    ~MultiplexerSocket();

    // Whether the socket exists now.
    bool present() const;
    // Calls `appeared` once, later, from the event loop, when the socket exists; at once (but
    // still later) when it does already or the folder that would hold it cannot be watched.
    // A second call replaces the first's function.
    void whenPresent(std::function<void()> appeared);

    const QString path;

private:
    void check();

    std::unique_ptr<QFileSystemWatcher> watcher_;
    std::function<void()> appeared_;
    bool unwatchable_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace morvanex::platform
