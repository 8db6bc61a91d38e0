#pragma once

#include <QByteArray>
#include <optional>

// The --dump mode: brings the monitors up for a few seconds and prints one line per area of
// live readings to standard output.
namespace morvanex::DebugDump {

// Builds a hub of its own on the shared settings (never started: no timer, nothing recorded),
// starts sensor discovery, the device subscription and a forced weather fetch, ticks four
// times 1.5 s apart on the main event loop, probes hot-key registration, judges the insight
// as if three minutes had passed, and prints the report, the panel heights and the item widths.
// Needs an application object; runs on the main thread. With `outputDirectory`, then renders
// every module's menu-bar item, every dropdown panel state and every settings pane, dark and
// light, into it as PNG files (the panels from sample data where the machine has none), puts
// back the settings window's stored pane and prints the closing line. The folder is named by
// the bytes given. False when the report could not be written to standard output or a render
// could not be written (each said in one line on standard error): a folder that cannot be made
// or written into skips the renders. SIGTERM or SIGINT during the settings renders ends them,
// puts the stored pane back and ends the process by that signal.
bool run(const std::optional<QByteArray>& outputDirectory);

// The whole mode from the entry point: the application object (on the off-screen platform
// unless the environment chooses one, so no display is needed), then run(); the exit status,
// 0 when run() succeeded, else 1.
int launch(int& argc, char** argv, const std::optional<QByteArray>& outputDirectory);

} // namespace morvanex::DebugDump
