#pragma once

#include "monitors/ProcessActions.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace morvanex::ui {

// What the process rows do with a process, one callback per action, so that renders and tests
// can stand in for the real operations. The default record acts on the machine.
struct ProcessActionHooks {
    // Asks the process to end (SIGTERM through a handle on it). The dropdown stays open.
    std::function<void(std::int32_t pid)> quit;
    // Asks the user first, holding the process meanwhile, then kills it.
    std::function<void(std::int32_t pid, const QString& name)> forceQuit;
    std::function<void(std::int32_t pid)> showInFinder;
    std::function<void()> openActivityMonitor;
    // Whether the process has a place on disk to show.
    std::function<bool(std::int32_t pid)> hasLocation;

    // Asks whether to force quit the process; true to go ahead.
    using Confirm =
        std::function<bool(std::int32_t pid, const QString& message, const QString& informative)>;

    // The machine's own operations, the force-quit question asked through `confirm` (by
    // default the force-quit dialog).
    static ProcessActionHooks system(Confirm confirm = {});
};

} // namespace morvanex::ui
