#pragma once

#include "base/SettingsEnums.h"
#include "services/ConnectedDevice.h"
#include "ui/kit/PanelEnv.h"
#include "ui/panels/PanelSection.h"

#include <QString>
#include <QWidget>
#include <optional>

namespace morvanex::ui {

// The panel of one connected phone or tablet: its name and charge, a hint when it does not
// trust this computer, its battery, storage and an "About" card. Looks the device up again
// after every change of the hub and shows "Disconnected" once it has left the list.
class DevicePanel : public QWidget {
    Q_OBJECT
public:
    DevicePanel(const PanelEnv& env, const QString& deviceID, QWidget* parent = nullptr);

    void refresh();

    // The device's header and cards, stacked.
    static QWidget* content(const ConnectedDevice& device, TempUnit unit, Appearance appearance);
    // The header shown once the device is gone.
    static QWidget* missing(Appearance appearance);

    // Spacing between the sections, as the panel shell stacks its children.
    static constexpr int sectionSpacing = 8;

private:
    struct Model {
        std::optional<ConnectedDevice> device;
        TempUnit unit = TempUnit::celsius;
        bool operator==(const Model&) const = default;
    };

    PanelEnv env_;
    QString deviceID_;
    PanelSection* section_ = nullptr;
    LastBuilt<Model> last_;
};

} // namespace morvanex::ui
