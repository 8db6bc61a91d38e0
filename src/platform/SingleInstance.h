#pragma once

#include <QDBusConnection>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace morvanex::platform {

class SingleInstanceEndpoint;

// One tray application per user session. The first start owns a name on the session bus and
// answers ShowSettings() on it; a later start finds the name taken, asks the first to show its
// settings window and should then exit. Without a session bus every start runs alone.
// Claiming waits for the bus (at most a few seconds when the first start does not answer): do it
// before the event loop runs.
class SingleInstance {
public:
    enum class Role {
        primary,   // owns the name; onShowSettings runs when a later start asks
        secondary, // another start owns it and was asked to show its settings
        alone,     // no session bus, or the bus refused: runs without the guarantee
    };

    static inline const QString serviceName = QStringLiteral("org.morvanex.Morvanex");
    static inline const QString objectPath = QStringLiteral("/org/morvanex/Morvanex");
    static inline const QString interfaceName = QStringLiteral("org.morvanex.Morvanex");
    // How long a later start waits for the first to answer.
    static constexpr int showSettingsTimeoutMs = 2000;

    // Claims the name on `bus` (the session bus unless a test hands in its own).
    explicit SingleInstance(QDBusConnection bus = QDBusConnection::sessionBus());
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    // Releases the name.
    ~SingleInstance();

    Role role() const { return role_; }
    // Secondary: whether the first start answered.
    bool reachedFirst() const { return reachedFirst_; }
    // What a later start should exit with: 0 once the first answered, 1 when it did not; nothing
    // for a start that runs (primary or alone).
    std::optional<int> exitCode() const;

    // Gives the name and the object up; a later start then claims it. Safe to call twice.
    void release();

    // Primary: runs on this object's thread when a later start asks. Set it once the settings
    // window can be shown; calls arrive only from the event loop.
    std::function<void()> onShowSettings;

private:
    QDBusConnection bus_;
    Role role_ = Role::alone;
    bool reachedFirst_ = false;
    std::unique_ptr<SingleInstanceEndpoint> endpoint_;
};

} // namespace morvanex::platform
