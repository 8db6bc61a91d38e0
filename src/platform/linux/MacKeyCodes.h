#pragma once

#include <cstdint>
#include <optional>

// Stored shortcuts name keys by the hardware virtual key codes of the keyboards the settings
// format was made for (the physical key, not the character). These convert them to and from
// X11 key symbols of a US layout, which identify the same physical keys.
namespace morvanex::platform {

std::optional<std::uint32_t> keysymForMacKeyCode(std::uint32_t keyCode);
std::optional<std::uint32_t> macKeyCodeForKeysym(std::uint32_t keysym);

} // namespace morvanex::platform
