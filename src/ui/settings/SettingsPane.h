#pragma once

#include "base/EnumText.h"

#include <QString>
#include <QVariant>

namespace morvanex::ui {

// The panes of the settings window, in sidebar order; stored by case name under "settings.pane".
enum class SettingsPane {
    general,
    menuBar,
    overview,
    shortcuts,
    notifications,
    weather,
    time,
    agents,
    about
};

// The pane a stored value names: exactly one of the raw values (case-sensitive); a missing key,
// another type or any other string is General.
SettingsPane storedPane(const QVariant& stored);

// The sidebar footer: "Morvanex " and the version, or "Morvanex" alone when there is none.
QString versionLine(const QString& version);

} // namespace morvanex::ui

namespace morvanex {
template <> struct EnumCases<ui::SettingsPane> {
    static constexpr std::array cases{
        std::pair{ui::SettingsPane::general, std::string_view("general")},
        std::pair{ui::SettingsPane::menuBar, std::string_view("menuBar")},
        std::pair{ui::SettingsPane::overview, std::string_view("overview")},
        std::pair{ui::SettingsPane::shortcuts, std::string_view("shortcuts")},
        std::pair{ui::SettingsPane::notifications, std::string_view("notifications")},
        std::pair{ui::SettingsPane::weather, std::string_view("weather")},
        std::pair{ui::SettingsPane::time, std::string_view("time")},
        std::pair{ui::SettingsPane::agents, std::string_view("agents")},
        std::pair{ui::SettingsPane::about, std::string_view("about")}};
};
} // namespace morvanex
