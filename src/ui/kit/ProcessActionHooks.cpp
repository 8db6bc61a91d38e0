#include "ui/kit/ProcessActionHooks.h"

#include "ui/kit/ForceQuitDialog.h"

namespace morvanex::ui {

ProcessActionHooks ProcessActionHooks::system(Confirm confirm) {
    if (!confirm)
        confirm = confirmForceQuit;
    ProcessActionHooks hooks;
    hooks.quit = [](std::int32_t pid) { ProcessActions::quit(ProcessActions::ProcessHandle(pid)); };
    hooks.forceQuit = [confirm = std::move(confirm)](std::int32_t pid, const QString& name) {
        // ProcessActions takes hold of the process before the question is asked, so an id
        // reused while the dialog is open never receives the kill.
        ProcessActions::forceQuit(pid, name,
                                  [&](const QString& message, const QString& informative) {
                                      return confirm(pid, message, informative);
                                  });
    };
    hooks.showInFinder = [](std::int32_t pid) { ProcessActions::showInFinder(pid); };
    hooks.openActivityMonitor = [] { ProcessActions::openActivityMonitor(); };
    hooks.hasLocation = [](std::int32_t pid) { return ProcessActions::location(pid).has_value(); };
    return hooks;
}

} // namespace morvanex::ui
