#pragma once

#include <QDBusConnection>
#include <QObject>
#include <functional>

namespace morvanex::platform {

// Calls `onResume` whenever logind reports that the machine has woken from sleep, for as long
// as the object lives. Timers run on a clock that stands still during sleep, so whatever must
// happen at a wall-clock time checks again here. The callback runs on the thread the object
// lives on.
class LogindSleepWatch : public QObject {
    Q_OBJECT

public:
    LogindSleepWatch(QDBusConnection bus, std::function<void()> onResume);
    ~LogindSleepWatch() override;

    // The subscription was accepted by the bus connection.
    bool isWatching() const { return watching_; }

private slots:
    void prepareForSleep(bool starting);

private:
    QDBusConnection bus_;
    std::function<void()> onResume_;
    bool watching_ = false;
};

} // namespace morvanex::platform
