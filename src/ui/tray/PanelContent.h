#pragma once

#include "base/SettingsEnums.h"
#include "ui/kit/PanelEnv.h"
#include "ui/kit/PanelFooter.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

class QVBoxLayout;

namespace morvanex::ui {

class BackRow;

// The same frame around every module's panel in a dropdown: a back row while another panel is
// drilled into, the panel, and the footer of the panel's actions ending in the settings item.
// The overview drills into a module's panel (optionally marking a process) or a connected
// device's panel without leaving the dropdown; the back row returns to the dropdown's own
// panel. That navigation state lives here, so every opening of a dropdown starts fresh.
class PanelContent : public QWidget {
    Q_OBJECT
public:
    // Reads the hub, settings, panel actions, preview overrides and appearance of `env`; the
    // module, device and process actions are written here for the panel shown.
    PanelContent(ModuleKind kind, PanelEnv env, QWidget* parent = nullptr);

    ModuleKind kind() const { return kind_; }
    ModuleKind shown() const;
    std::optional<QString> shownDevice() const;
    std::vector<FooterItem> footerItems() const;

    BackRow* backRow() const { return backRow_; }
    QWidget* panel() const { return panel_; }
    PanelFooter* footer() const { return footer_; }
    // The height the content wants at its fixed width.
    int naturalHeight() const;

    // The drilled-into state, as the overview sets it.
    void openModule(ModuleKind kind, std::optional<std::int32_t> process);
    void openDevice(const QString& identifier);
    void goBack();

    // Who decides what a drill-down shows; pure, so tests can read the precedence directly.
    static ModuleKind shownKind(ModuleKind kind, std::optional<ModuleKind> detail,
                                const PreviewOverrides& preview);
    static std::optional<QString> shownDeviceID(ModuleKind kind,
                                                const std::optional<QString>& device,
                                                const PreviewOverrides& preview);
    // "Overview" for the combined module, the module's title otherwise.
    static QString backTitle(ModuleKind kind);

    static constexpr int width = 340;
    static constexpr int spacing = 8;

private:
    void rebuild();
    // Rebuilds once control is back in the event loop: the panel asking for it is still on
    // the stack.
    void rebuildSoon();
    QWidget* makePanel(const PanelEnv& env) const;
    PanelEnv panelEnv();

    const ModuleKind kind_;
    const PanelEnv env_;
    std::optional<ModuleKind> detail_;
    std::optional<QString> device_;
    std::optional<std::int32_t> highlighted_;
    bool rebuildPending_ = false;

    QVBoxLayout* column_ = nullptr;
    BackRow* backRow_ = nullptr;
    QPointer<QWidget> panel_;
    PanelFooter* footer_ = nullptr;
};

} // namespace morvanex::ui
