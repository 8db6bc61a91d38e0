#pragma once

#include "base/SettingsEnums.h"
#include "platform/SystemLinks.h"
#include "ui/kit/PanelFooter.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace morvanex {
class NetworkMonitor;
} // namespace morvanex

namespace morvanex::ui {

// What the footer items do; the panel shell fills these from its environment.
struct FooterActions {
    std::function<void()> dismiss;
    std::function<void()> openSettings;
    // Stores the settings window's pane before it opens ("overview", "weather").
    std::function<void(const QString& pane)> selectSettingsPane;
    std::function<void(platform::SystemLink)> openLink;
    // The name of the program a link opens, nothing when none is installed (then its item is
    // left out); unset counts as nothing installed.
    std::function<std::optional<QString>(platform::SystemLink)> linkName;
    std::function<void(const QString& text)> copy;
    std::function<void()> refreshWeather;
};

// The address "Copy Local IP Address" copies: the first IPv4 address of the first listed
// interface named as the primary one; nothing without a primary interface, when it is not
// listed, or when it holds no IPv4 address.
std::optional<QString> copyableLocalAddress(const NetworkMonitor& network);

// The footer of the panel shown: the panel's own items, then the settings item. An item that
// hands over to one of the desktop's programs is there only when one is installed, and is
// called by that program's name ("Open System Monitor"). Every item closes the dropdown before
// it does its own work.
std::vector<FooterItem> footerItems(std::optional<ModuleKind> shown, bool deviceShown,
                                    const std::optional<QString>& localAddress,
                                    const FooterActions& actions);

// The settings item's key hint: Control stands in for the other system's Command key.
inline const QString settingsShortcutText = QStringLiteral("Ctrl+,");

} // namespace morvanex::ui
