#include "ui/tray/TrayApplication.h"

#include "base/AppSettings.h"
#include "platform/QuitOnSignals.h"
#include "platform/SingleInstance.h"
#include "ui/tray/AppDelegate.h"

#include <QApplication>

namespace morvanex::ui {

int runTrayApplication(int& argc, char** argv) {
    // Only X11 lets the dropdown be placed under the item that opened it; under Wayland the
    // XWayland server serves. Without any X server Qt's own choice (Wayland) still runs, with
    // the dropdown as an ordinary window.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvanex"));
    QApplication::setDesktopFileName(QStringLiteral("morvanex"));
    // The tray lives on with every window closed.
    QApplication::setQuitOnLastWindowClosed(false);

    platform::SingleInstance instance;
    if (const std::optional<int> code = instance.exitCode())
        return *code;

    platform::QuitOnSignals quitOnSignals;
    AppDelegate delegate(AppSettings::shared());
    instance.onShowSettings = [&delegate] { delegate.applicationShouldHandleReopen(); };
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &delegate,
                     [&delegate] { delegate.applicationWillTerminate(); });
    delegate.applicationDidFinishLaunching();
    const int status = QApplication::exec();
    delegate.applicationWillTerminate();
    return status;
}

} // namespace morvanex::ui
