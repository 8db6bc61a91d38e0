#include "platform/SystemLinks.h"

#include "platform/Log.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <map>
#include <mutex>

namespace morvanex::platform::SystemLinks {

namespace {

LinkCommand gnomeSettings(const char* panel) {
    return {QStringLiteral("gnome-control-center"), {QString::fromLatin1(panel)}};
}

LinkCommand kdeSettings(const char* module) {
    return {QStringLiteral("systemsettings"), {QString::fromLatin1(module)}};
}

LinkCommand program(const char* name) {
    return {QString::fromLatin1(name), {}};
}

} // namespace

const std::vector<LinkCommand>& candidates(SystemLink link) {
    static const std::vector<LinkCommand> network{gnomeSettings("network"),
                                                  kdeSettings("kcm_networkmanagement"),
                                                  program("nm-connection-editor")};
    static const std::vector<LinkCommand> battery{
        gnomeSettings("power"), kdeSettings("kcm_powerdevilprofilesconfig"),
        program("xfce4-power-manager-settings"), program("mate-power-preferences")};
    static const std::vector<LinkCommand> dateTime{gnomeSettings("datetime"),
                                                   kdeSettings("kcm_clock")};
    static const std::vector<LinkCommand> notifications{gnomeSettings("notifications"),
                                                        kdeSettings("kcm_notifications")};
    // Calendars reach this system through the desktop's online accounts, so that is where
    // access to them is given or taken away.
    static const std::vector<LinkCommand> calendarPrivacy{gnomeSettings("online-accounts"),
                                                          kdeSettings("kcm_kaccounts")};
    static const std::vector<LinkCommand> onlineAccounts{gnomeSettings("online-accounts"),
                                                         kdeSettings("kcm_kaccounts")};
    static const std::vector<LinkCommand> systemMonitor{
        program("gnome-system-monitor"), program("plasma-systemmonitor"), program("ksysguard"),
        program("xfce4-taskmanager"), program("mate-system-monitor")};
    static const std::vector<LinkCommand> diskUtility{program("gnome-disks"),
                                                      program("partitionmanager")};
    // Each of these serves org.freedesktop.FileManager1, which shows an item in its folder.
    static const std::vector<LinkCommand> fileManager{program("nautilus"), program("dolphin"),
                                                      program("nemo"),     program("caja"),
                                                      program("thunar"),   program("pcmanfm-qt")};
    static const std::vector<LinkCommand> calendar{program("gnome-calendar"), program("korganizer"),
                                                   program("evolution")};
    switch (link) {
    case SystemLink::networkSettings:
        return network;
    case SystemLink::batterySettings:
        return battery;
    case SystemLink::dateTimeSettings:
        return dateTime;
    case SystemLink::notificationSettings:
        return notifications;
    case SystemLink::calendarPrivacySettings:
        return calendarPrivacy;
    case SystemLink::onlineAccountsSettings:
        return onlineAccounts;
    case SystemLink::systemMonitor:
        return systemMonitor;
    case SystemLink::diskUtility:
        return diskUtility;
    case SystemLink::fileManager:
        return fileManager;
    case SystemLink::calendar:
        return calendar;
    }
    return systemMonitor; // not reached: every link is listed above
}

QString genericName(SystemLink link) {
    switch (link) {
    case SystemLink::systemMonitor:
        return QStringLiteral("System Monitor");
    case SystemLink::diskUtility:
        return QStringLiteral("Disks");
    case SystemLink::fileManager:
        return QStringLiteral("File Manager");
    case SystemLink::calendar:
        return QStringLiteral("Calendar");
    case SystemLink::networkSettings:
    case SystemLink::batterySettings:
    case SystemLink::dateTimeSettings:
    case SystemLink::notificationSettings:
    case SystemLink::calendarPrivacySettings:
    case SystemLink::onlineAccountsSettings:
        break;
    }
    return QStringLiteral("Settings");
}

std::optional<InstalledProgram> installed(SystemLink link, const FindProgram& find,
                                          const std::vector<DesktopEntry>& entries) {
    for (const LinkCommand& candidate : candidates(link)) {
        const QString path = find ? find(candidate.program) : QString();
        if (path.isEmpty())
            continue;
        QString name = nameForProgram(entries, candidate.program);
        if (name.isEmpty())
            name = genericName(link);
        return InstalledProgram{{path, candidate.arguments}, name};
    }
    return std::nullopt;
}

std::optional<InstalledProgram> installed(SystemLink link) {
    // Menus ask on every opening; reading every desktop entry each time would be wasted work.
    static std::mutex mutex;
    static QElapsedTimer age;
    static std::map<SystemLink, std::optional<InstalledProgram>> found;
    static std::optional<std::vector<DesktopEntry>> entries;
    const std::lock_guard lock(mutex);
    if (!age.isValid() || age.hasExpired(60'000)) {
        found.clear();
        entries.reset();
        age.start();
    }
    if (const auto known = found.find(link); known != found.end())
        return known->second;
    if (!entries)
        entries = loadDesktopEntries(desktopDataFolders());
    const auto result = installed(
        link, [](const QString& name) { return QStandardPaths::findExecutable(name); }, *entries);
    found.emplace(link, result);
    return result;
}

std::optional<SystemLink> forIdentifier(const QString& identifier) {
    static const std::pair<const char*, SystemLink> table[] = {
        {"com.apple.ActivityMonitor", SystemLink::systemMonitor},
        {"com.apple.DiskUtility", SystemLink::diskUtility},
        {"com.apple.finder", SystemLink::fileManager},
        {"x-apple.systempreferences:com.apple.Network-Settings.extension",
         SystemLink::networkSettings},
        {"x-apple.systempreferences:com.apple.Battery-Settings.extension",
         SystemLink::batterySettings},
        {"x-apple.systempreferences:com.apple.Date-Time-Settings.extension",
         SystemLink::dateTimeSettings},
        {"x-apple.systempreferences:com.apple.Notifications-Settings.extension",
         SystemLink::notificationSettings},
        {"x-apple.systempreferences:com.apple.preference.security?Privacy_Calendars",
         SystemLink::calendarPrivacySettings},
        {"ical://ekevent/", SystemLink::calendar},
    };
    for (const auto& [text, link] : table)
        if (identifier == QLatin1String(text))
            return link;
    return std::nullopt;
}

std::optional<LinkCommand> command(SystemLink link, const FindProgram& find) {
    if (auto program = installed(link, find, {}))
        return program->command;
    return std::nullopt;
}

bool open(SystemLink link, const FindProgram& find, const StartDetached& start) {
    const auto found = command(link, find);
    if (!found) {
        qCDebug(log::platform) << "no program installed for system link" << static_cast<int>(link);
        return false;
    }
    if (!start || !start(found->program, found->arguments)) {
        qCWarning(log::platform) << "could not start" << found->program << found->arguments;
        return false;
    }
    return true;
}

bool open(SystemLink link) {
    return open(
        link, [](const QString& name) { return QStandardPaths::findExecutable(name); },
        [](const QString& program, const QStringList& arguments) {
            return QProcess::startDetached(program, arguments);
        });
}

} // namespace morvanex::platform::SystemLinks
