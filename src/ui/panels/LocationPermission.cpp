#include "ui/panels/LocationPermission.h"

namespace morvanex::ui {

LocationPermission::LocationPermission(LocationStatus status) : status_(status) {}

LocationPermission& LocationPermission::shared() {
    static LocationPermission instance;
    return instance;
}

void LocationPermission::setStatus(LocationStatus status) {
    if (status == status_)
        return;
    status_ = status;
    emit statusChanged();
}

void LocationPermission::request() {
    setStatus(LocationStatus::authorizedWhenInUse);
}

} // namespace morvanex::ui
