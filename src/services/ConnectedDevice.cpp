#include "services/ConnectedDevice.h"

#include "services/DeviceModelNames.h"

namespace morvanex {

std::optional<QString> ConnectedDevice::modelName() const {
    if (!productType)
        return std::nullopt;
    if (const auto model = deviceModelName(*productType))
        return model;
    return productType;
}

QString ConnectedDevice::displayName() const {
    // An empty text names nothing, and the result must never be empty.
    if (name && !name->isEmpty())
        return *name;
    if (productType && !productType->isEmpty())
        return *modelName();
    if (deviceClass && !deviceClass->isEmpty())
        return *deviceClass;
    return QStringLiteral("iPhone");
}

QString ConnectedDevice::symbol() const {
    if (deviceClass == QStringLiteral("iPad"))
        return QStringLiteral("ipad");
    if (deviceClass == QStringLiteral("iPod"))
        return QStringLiteral("ipodtouch");
    return QStringLiteral("iphone");
}

} // namespace morvanex
