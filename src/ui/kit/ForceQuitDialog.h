#pragma once

#include <QString>
#include <cstdint>

namespace morvanex::ui {

// The warning that stands before a force quit, showing the process's icon when there is one;
// true when the user chose "Force Quit". Modal; brings the application to the front.
bool confirmForceQuit(std::int32_t pid, const QString& message, const QString& informative);

} // namespace morvanex::ui
