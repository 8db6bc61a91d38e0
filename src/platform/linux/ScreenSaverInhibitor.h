#pragma once

#include <QDBusConnection>
#include <QString>
#include <chrono>
#include <cstdint>
#include <optional>

namespace morvanex::platform {

// An inhibition of the desktop's screen saver and display blanking through the
// org.freedesktop.ScreenSaver service of the session bus. Held until the object is destroyed,
// which sends UnInhibit without waiting for the answer. The desktop also drops it when our
// connection to the bus closes. Move-only.
class ScreenSaverInhibitor {
public:
    // Asks the session's screen saver, waiting at most `bound`. Nothing when no desktop
    // offers the service, it refuses, or it does not answer in time.
    static std::optional<ScreenSaverInhibitor> take(const QDBusConnection& bus,
                                                    const QString& application,
                                                    const QString& reason,
                                                    std::chrono::milliseconds bound);

    ScreenSaverInhibitor(ScreenSaverInhibitor&& other) noexcept;
    ScreenSaverInhibitor& operator=(ScreenSaverInhibitor&& other) noexcept;
    ScreenSaverInhibitor(const ScreenSaverInhibitor&) = delete;
    ScreenSaverInhibitor& operator=(const ScreenSaverInhibitor&) = delete;
    ~ScreenSaverInhibitor();

    std::uint32_t cookie() const { return cookie_; }

private:
    ScreenSaverInhibitor(QDBusConnection bus, std::uint32_t cookie)
        : bus_(std::move(bus)), cookie_(cookie), held_(true) {}
    void release();

    QDBusConnection bus_;
    std::uint32_t cookie_ = 0;
    bool held_ = false;
};

} // namespace morvanex::platform
