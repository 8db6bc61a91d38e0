#pragma once

#include <QObject>

namespace morvanex::ui {

// The location authorisation, in the order the system numbers it.
enum class LocationStatus {
    notDetermined,
    restricted,
    denied,
    authorizedAlways,
    authorizedWhenInUse,
};

// Whether the application may learn where the machine is, which some systems require before
// they name the Wi-Fi network. Linux withholds no network name, so the shared instance starts
// granted and asking changes nothing; tests put it in other states. Main thread only.
class LocationPermission : public QObject {
    Q_OBJECT
public:
    explicit LocationPermission(LocationStatus status = LocationStatus::authorizedWhenInUse);

    // The process's one instance, made on first use and kept until the process ends.
    static LocationPermission& shared();

    LocationStatus status() const { return status_; }
    // Stores the status the system reports; announces a change.
    void setStatus(LocationStatus status);

    // Asks for permission while in use. With nothing to ask on this system, the answer is
    // immediate: granted.
    void request();

signals:
    void statusChanged();

private:
    LocationStatus status_;
};

} // namespace morvanex::ui
