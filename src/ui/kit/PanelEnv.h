#pragma once

#include "base/SettingsEnums.h"
#include "platform/SystemLinks.h"
#include "ui/kit/Palette.h"
#include "ui/kit/PreviewOverrides.h"
#include "ui/kit/ProcessActionHooks.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <optional>

namespace morvanex {
class AppSettings;
class Hub;
} // namespace morvanex

namespace morvanex::ui {

// Closes the dropdown that shows the panel.
struct PanelActions {
    std::function<void()> dismiss = [] {};
};

// Shows a module's panel inside the same dropdown, marking the process when one is given.
struct OpenModuleAction {
    std::function<void(ModuleKind, std::optional<std::int32_t>)> action =
        [](ModuleKind, std::optional<std::int32_t>) {};
};

// Shows a connected device's panel inside the same dropdown; absent where no shell offers it.
struct OpenDeviceAction {
    std::function<void(const QString&)> action;
};

// What a panel tree receives from whoever shows it, handed down by value: the live hub and
// settings, the actions of the dropdown and the panel shell, the process to mark, the state a
// render forces, and the appearance to draw in. A view that needs to change one of them for its
// own subtree passes down a modified copy, so an inner writer replaces an outer one there.
struct PanelEnv {
    Hub* hub = nullptr;
    AppSettings* settings = nullptr;
    PanelActions panelActions;
    OpenModuleAction openModule;
    OpenDeviceAction openDevice;
    std::optional<std::int32_t> highlightedProcess;
    PreviewOverrides previewOverrides;
    Appearance appearance = Appearance::light;
    // What process rows do with a process (renders and tests put stand-ins here).
    ProcessActionHooks processActions = ProcessActionHooks::system();
    // Hands the user over to one of the desktop's own programs (settings pages, the system
    // monitor, the disk utility); nothing happens when none is installed.
    std::function<void(platform::SystemLink)> openLink = [](platform::SystemLink link) {
        platform::SystemLinks::open(link);
    };
    // The name of the desktop's own program that a link opens ("System Monitor", "Disks",
    // "Files"); nothing when none is installed, and then the item that would open it is left
    // out rather than doing nothing.
    std::function<std::optional<QString>(platform::SystemLink)> linkName =
        [](platform::SystemLink link) -> std::optional<QString> {
        if (auto program = platform::SystemLinks::installed(link))
            return program->name;
        return std::nullopt;
    };
    // Opens an address (a meeting's video-call link) in the desktop's program for it.
    std::function<void(const QUrl&)> openURL = [](const QUrl& url) {
        QDesktopServices::openUrl(url);
    };

    QColor color(Tint tint) const { return ui::color(tint, appearance); }
};

} // namespace morvanex::ui
