#pragma once

namespace morvanex::ui {

// Runs the tray application to its end and returns the exit status. A second start while one
// runs asks the first to show its settings window and returns at once.
int runTrayApplication(int& argc, char** argv);

} // namespace morvanex::ui
