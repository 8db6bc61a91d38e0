#pragma once

#include <QObject>
#include <functional>

namespace morvanex::platform {

// The object a later start of the application calls on the session bus (see SingleInstance).
// Runs `showSettings` as it is when the call arrives, so it may be set after exporting.
class SingleInstanceEndpoint : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.morvanex.Morvanex")
public:
    explicit SingleInstanceEndpoint(const std::function<void()>& showSettings)
        : showSettings_(showSettings) {}

public slots:
    void ShowSettings();

private:
    const std::function<void()>& showSettings_;
};

} // namespace morvanex::platform
