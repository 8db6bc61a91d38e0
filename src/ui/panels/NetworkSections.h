#pragma once

#include "monitors/InterfaceInfo.h"
#include "monitors/WiFiInfo.h"
#include "ui/kit/BoolBinding.h"
#include "ui/kit/PreviewOverrides.h"
#include "ui/panels/LocationPermission.h"
#include "ui/panels/NetworkTexts.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace morvanex {
class NetworkMonitor;
}

// The network panel's sections, each built from a plain value of what it shows: the panel
// compares the value with the last one and builds the section again only when it changed.
namespace morvanex::ui::network {

struct HeaderModel {
    QString subtitle;
    QString download;
    QString upload;
    bool operator==(const HeaderModel&) const = default;
};
HeaderModel headerModel(const NetworkMonitor& monitor, bool bits);
QWidget* buildHeader(const HeaderModel& model, Appearance appearance);

struct InternetModel {
    Status status;
    std::optional<QString> publicIP;
    QString pingLabel;
    QString pingText;
    std::optional<QString> router;
    std::optional<QString> dns;
    std::optional<QString> vpn;
    bool operator==(const InternetModel&) const = default;
};
InternetModel internetModel(const NetworkMonitor& monitor);
QWidget* buildInternetCard(const InternetModel& model, Appearance appearance);

struct WiFiModel {
    WiFiInfo wifi;
    LocationStatus location = LocationStatus::notDetermined;
    bool operator==(const WiFiModel&) const = default;
};
// `askLocation` runs on a tap of "Allow Location…".
QWidget* buildWiFiCard(const WiFiModel& model, const std::function<void()>& askLocation,
                       Appearance appearance);

struct InterfacesModel {
    std::vector<InterfaceInfo> interfaces;
    std::optional<QString> primaryInterface;
    bool bits = false;
    bool operator==(const InterfacesModel&) const = default;
};
QWidget* buildInterfaces(const InterfacesModel& model, BoolBinding expanded,
                         const PreviewOverrides& overrides, Appearance appearance);

} // namespace morvanex::ui::network
