#pragma once

#include <QString>
#include <optional>

// The widgets half of the executable lives in a library of its own near it, loaded only by the
// modes that draw (the tray application and --dump). The agent server and the agent command
// never map Qt's GUI libraries, fonts or graphics stack.
namespace morvanex::platform::GuiLibrary {

// What the entry of the library runs.
enum class Mode { application = 0, dump = 1 };

// The library's entry: runs the mode to its end and returns the exit status. `outputDirectory`
// is null when the mode has none.
using Entry = int (*)(int argc, char** argv, int mode, const char* outputDirectory);

// The library's file name and its exported entry symbol.
inline constexpr const char* fileName = "libmorvanex-gui.so";
inline constexpr const char* entrySymbol = "morvanex_gui_main";

// Loads the library where the program's parts are (see ProgramFolder), once (it stays loaded),
// and finds its entry. On failure returns nothing and sets `error` to a one-line reason.
std::optional<Entry> load(QString& error);

} // namespace morvanex::platform::GuiLibrary
