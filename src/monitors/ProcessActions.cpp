#include "monitors/ProcessActions.h"

#include "platform/SystemLinks.h"
#include "platform/linux/ProcessTable.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <csignal>

namespace morvanex::ProcessActions {

const QSet<QString>& protectedNames() {
    static const QSet<QString> names{
        QStringLiteral("loginwindow"), QStringLiteral("launchd"), QStringLiteral("WindowServer"),
        QStringLiteral("kernel_task"),
        // The first process and the kernel's thread parent.
        QStringLiteral("systemd"), QStringLiteral("init"), QStringLiteral("kthreadd"),
        // Display servers.
        QStringLiteral("Xorg"), QStringLiteral("Xwayland"), QStringLiteral("X"),
        // Login screens.
        QStringLiteral("gdm"), QStringLiteral("gdm3"), QStringLiteral("sddm"),
        QStringLiteral("lightdm"),
        // Desktop shells and compositors.
        QStringLiteral("gnome-shell"), QStringLiteral("plasmashell"),
        QStringLiteral("kwin_wayland"), QStringLiteral("kwin_x11"), QStringLiteral("xfwm4"),
        // Session managers.
        QStringLiteral("gnome-session-binary"), QStringLiteral("ksmserver"),
        QStringLiteral("xfce4-session"), QStringLiteral("mate-session"),
        QStringLiteral("cinnamon-session"), QStringLiteral("lxsession")};
    return names;
}

bool canQuit(std::int32_t pid, const QString& name) {
    return !protectedNames().contains(name) && pid >= 2 &&
           pid != QCoreApplication::applicationPid();
}

QUrl locationOfExecutable(const QString& path) {
    const qsizetype bundle = path.indexOf(QLatin1String(".app/"));
    if (bundle >= 0)
        return QUrl::fromLocalFile(path.left(bundle + 4));
    return QUrl::fromLocalFile(path);
}

std::optional<QUrl> location(std::int32_t pid, const platform::Roots& roots) {
    const QByteArray path = platform::ProcessTable(roots).executablePath(pid);
    if (path.isEmpty())
        return std::nullopt;
    return locationOfExecutable(QString::fromUtf8(path));
}

void showInFinder(std::int32_t pid, const platform::Roots& roots, const QDBusConnection& bus) {
    const auto url = location(pid, roots);
    if (!url)
        return;
    const QString fileManager = QStringLiteral("org.freedesktop.FileManager1");
    QDBusMessage call =
        QDBusMessage::createMethodCall(fileManager, QStringLiteral("/org/freedesktop/FileManager1"),
                                       fileManager, QStringLiteral("ShowItems"));
    call << QStringList{url->toString(QUrl::FullyEncoded)} << QString(); // no startup id
    bus.asyncCall(call);
}

void quit(const ProcessHandle& handle) {
    handle.signal(SIGTERM);
}

void forceQuit(std::int32_t pid, const QString& name, const Confirm& confirm) {
    // Taken before asking: while the question is open the process may exit and its id go to
    // another process, which must not receive the kill.
    const ProcessHandle handle(pid);
    const QString message = QStringLiteral("Force quit “") + name + QStringLiteral("”?");
    const QString informative = QStringLiteral("You will lose any unsaved changes.");
    if (confirm && confirm(message, informative))
        handle.signal(SIGKILL);
}

void openActivityMonitor() {
    platform::SystemLinks::open(platform::SystemLink::systemMonitor);
}

} // namespace morvanex::ProcessActions
