#pragma once

#include <QDBusConnection>
#include <QString>
#include <chrono>
#include <optional>

namespace morvanex::platform {

// An inhibitor lock of the login manager (logind): while it is held, the operations it names
// ("sleep", "idle", "shutdown", ...) are blocked or delayed. logind hands out the lock as a
// file descriptor and drops it when the last copy is closed, so the lock lives exactly as
// long as this object. Move-only.
class LogindInhibitor {
public:
    struct Request {
        QString what; // colon-separated operations: "sleep", "idle:sleep"
        QString who;  // the application, as logind lists it
        QString why;  // the reason shown beside it
        QString mode; // "block" or "delay"
    };

    // Asks logind on `bus` (the system bus) for the lock, waiting at most `bound` for the
    // answer. Nothing when logind is missing, refuses, or does not answer in time.
    static std::optional<LogindInhibitor> take(const QDBusConnection& bus, const Request& request,
                                               std::chrono::milliseconds bound);

    LogindInhibitor(LogindInhibitor&& other) noexcept;
    LogindInhibitor& operator=(LogindInhibitor&& other) noexcept;
    LogindInhibitor(const LogindInhibitor&) = delete;
    LogindInhibitor& operator=(const LogindInhibitor&) = delete;
    ~LogindInhibitor();

    int fd() const { return fd_; }

private:
    explicit LogindInhibitor(int fd) : fd_(fd) {}
    void release();

    int fd_ = -1;
};

} // namespace morvanex::platform
