#pragma once

#include "ui/kit/PanelEnv.h"
#include "ui/panels/NetworkSections.h"
#include "ui/panels/PanelSection.h"

#include <QWidget>

namespace morvanex::ui {

class HistoryGraph;
class LocationPermission;
class PanelDefaults;
class SpeedTestCard;
class TextLine;

// The network module's panel: the connection and live rates, the rate history with the
// session totals, the internet card, the speed test (when its tool is installed), the Wi-Fi
// link and the list of interfaces. Rebuilt from the hub's network monitor after each change.
class NetworkPanel : public QWidget {
    Q_OBJECT
public:
    explicit NetworkPanel(const PanelEnv& env, PanelDefaults& defaults = defaultPanelDefaults(),
                          LocationPermission& location = defaultLocation(),
                          QWidget* parent = nullptr);

    // Reads the monitor again and rebuilds the sections whose contents changed.
    void refresh();

    QWidget* header() const { return header_->content(); }
    HistoryGraph* graph() const { return graph_; }
    TextLine* sessionLine() const { return session_; }
    QWidget* internetCard() const { return internet_->content(); }
    SpeedTestCard* speedTestCard() const { return speedTest_; }
    QWidget* wifiCard() const { return wifi_->content(); }
    QWidget* interfaces() const { return interfaces_->content(); }

    // Spacing between the sections, as the panel shell stacks its children.
    static constexpr int sectionSpacing = 8;

private:
    static PanelDefaults& defaultPanelDefaults();
    static LocationPermission& defaultLocation();
    QWidget* buildGraphCard();

    PanelEnv env_;
    PanelDefaults& defaults_;
    LocationPermission& location_;
    PanelSection* header_ = nullptr;
    HistoryGraph* graph_ = nullptr;
    TextLine* session_ = nullptr;
    PanelSection* internet_ = nullptr;
    PanelSection* speedTestSlot_ = nullptr;
    SpeedTestCard* speedTest_ = nullptr;
    PanelSection* wifi_ = nullptr;
    PanelSection* interfaces_ = nullptr;
    LastBuilt<network::HeaderModel> lastHeader_;
    LastBuilt<network::InternetModel> lastInternet_;
    LastBuilt<std::optional<network::WiFiModel>> lastWiFi_;
    LastBuilt<network::InterfacesModel> lastInterfaces_;
};

} // namespace morvanex::ui
