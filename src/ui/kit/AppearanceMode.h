#pragma once

#include "base/EnumText.h"
#include "platform/UserDefaults.h"
#include "ui/kit/Palette.h"

#include <QPalette>
#include <QString>

namespace morvanex {

// Whether windows and panels follow the desktop or stay light or dark; stored by raw value.
enum class AppearanceMode { system, light, dark };

template <> struct EnumCases<AppearanceMode> {
    static constexpr std::array cases{std::pair{AppearanceMode::system, std::string_view("system")},
                                      std::pair{AppearanceMode::light, std::string_view("light")},
                                      std::pair{AppearanceMode::dark, std::string_view("dark")}};
};

} // namespace morvanex

namespace morvanex::ui {

inline const QString appearanceKey = QStringLiteral("appearance");

// "System", "Light", "Dark".
QString label(AppearanceMode mode);

// The stored mode: "light" and "dark" as written; a missing key, "system" or any other string
// (other letter case included) is `system`.
AppearanceMode
currentAppearanceMode(const platform::UserDefaults& defaults = platform::UserDefaults::standard());
void storeAppearanceMode(AppearanceMode mode,
                         platform::UserDefaults defaults = platform::UserDefaults::standard());

// Gives the whole application the mode's palette (Fusion style with our named colours), so open
// windows and panels switch at once. `system` follows the desktop: the settings portal's colour
// scheme once it answers, else the platform's own palette, else light.
void apply(AppearanceMode mode);

// What `system` resolves to right now.
Appearance systemAppearance();

// The application palette of one appearance, from the named colours.
QPalette appearancePalette(Appearance appearance);

} // namespace morvanex::ui
