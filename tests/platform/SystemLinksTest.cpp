#include "platform/SystemLinks.h"

#include <QSet>
#include <gtest/gtest.h>

using morvanex::platform::LinkCommand;
using morvanex::platform::SystemLink;
namespace SystemLinks = morvanex::platform::SystemLinks;

namespace {

// Finds only the named programs, under /opt/bin.
SystemLinks::FindProgram installed(QSet<QString> names) {
    return [names](const QString& name) {
        return names.contains(name) ? QStringLiteral("/opt/bin/") + name : QString();
    };
}

struct Started {
    QString program;
    QStringList arguments;
    int count = 0;
};

SystemLinks::StartDetached recordInto(Started& started, bool succeeds = true) {
    return [&started, succeeds](const QString& program, const QStringList& arguments) {
        started.program = program;
        started.arguments = arguments;
        ++started.count;
        return succeeds;
    };
}

} // namespace

TEST(SystemLinks, FirstInstalledCandidateWins) {
    struct Case {
        SystemLink link;
        QSet<QString> installed;
        LinkCommand expected;
    };
    const Case cases[] = {
        // GNOME's monitor is tried before KDE's.
        {SystemLink::systemMonitor,
         {"plasma-systemmonitor", "gnome-system-monitor"},
         {"/opt/bin/gnome-system-monitor", {}}},
        {SystemLink::systemMonitor, {"ksysguard", "xfce4-taskmanager"}, {"/opt/bin/ksysguard", {}}},
        {SystemLink::diskUtility, {"partitionmanager"}, {"/opt/bin/partitionmanager", {}}},
        // A settings page keeps its page argument with the program that was found.
        {SystemLink::networkSettings,
         {"systemsettings", "nm-connection-editor"},
         {"/opt/bin/systemsettings", {"kcm_networkmanagement"}}},
        {SystemLink::batterySettings,
         {"gnome-control-center", "systemsettings"},
         {"/opt/bin/gnome-control-center", {"power"}}},
        {SystemLink::dateTimeSettings,
         {"gnome-control-center"},
         {"/opt/bin/gnome-control-center", {"datetime"}}},
        // Calendar access is given through the desktop's online accounts.
        {SystemLink::calendarPrivacySettings,
         {"gnome-control-center"},
         {"/opt/bin/gnome-control-center", {"online-accounts"}}},
        {SystemLink::calendarPrivacySettings,
         {"systemsettings"},
         {"/opt/bin/systemsettings", {"kcm_kaccounts"}}},
        {SystemLink::calendar, {"korganizer"}, {"/opt/bin/korganizer", {}}},
        {SystemLink::onlineAccountsSettings,
         {"systemsettings"},
         {"/opt/bin/systemsettings", {"kcm_kaccounts"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.program.toStdString());
        Started started;
        EXPECT_TRUE(SystemLinks::open(c.link, installed(c.installed), recordInto(started)));
        EXPECT_EQ(started.count, 1);
        EXPECT_EQ(started.program, c.expected.program);
        EXPECT_EQ(started.arguments, c.expected.arguments);
    }
}

TEST(SystemLinks, NothingInstalledStartsNothing) {
    Started started;
    EXPECT_FALSE(SystemLinks::open(SystemLink::diskUtility, installed({"gnome-calendar"}),
                                   recordInto(started)));
    EXPECT_EQ(started.count, 0);
    EXPECT_FALSE(SystemLinks::command(SystemLink::diskUtility, installed({})));
}

TEST(SystemLinks, FailedStartIsReportedAsFailure) {
    Started started;
    EXPECT_FALSE(SystemLinks::open(SystemLink::systemMonitor, installed({"ksysguard"}),
                                   recordInto(started, false)));
    EXPECT_EQ(started.count, 1);
}

TEST(SystemLinks, OtherSystemsIdentifiersMapToLinks) {
    EXPECT_EQ(SystemLinks::forIdentifier("com.apple.ActivityMonitor"), SystemLink::systemMonitor);
    EXPECT_EQ(SystemLinks::forIdentifier("com.apple.DiskUtility"), SystemLink::diskUtility);
    EXPECT_EQ(SystemLinks::forIdentifier(
                  "x-apple.systempreferences:com.apple.Network-Settings.extension"),
              SystemLink::networkSettings);
    EXPECT_EQ(SystemLinks::forIdentifier(
                  "x-apple.systempreferences:com.apple.Date-Time-Settings.extension"),
              SystemLink::dateTimeSettings);
    EXPECT_EQ(SystemLinks::forIdentifier("com.apple.Terminal"), std::nullopt);
    EXPECT_EQ(SystemLinks::forIdentifier(""), std::nullopt);
}

TEST(SystemLinks, InstalledProgramIsCalledByItsDesktopEntry) {
    using morvanex::platform::DesktopEntry;
    using morvanex::platform::InstalledProgram;
    const auto entry = [](const char* exec, const char* name, bool noDisplay = false) {
        DesktopEntry e;
        e.execName = exec;
        e.name = name;
        e.noDisplay = noDisplay;
        return e;
    };
    const std::vector<DesktopEntry> entries{
        // A helper of the file manager kept out of menus comes before its own entry here; the
        // one shown in menus names the program.
        entry("nautilus", "Autorun Prompt", true),
        entry("nautilus", "Files"),
        entry("dolphin", "Dolphin"),
        entry("gnome-control-center", "Settings"),
        entry("gnome-disks", ""), // no name given
    };
    struct Case {
        SystemLink link;
        QSet<QString> installed;
        std::optional<InstalledProgram> expected;
    };
    const Case cases[] = {
        {SystemLink::fileManager, {"nautilus", "dolphin"}, {{{"/opt/bin/nautilus", {}}, "Files"}}},
        {SystemLink::fileManager, {"dolphin"}, {{{"/opt/bin/dolphin", {}}, "Dolphin"}}},
        // Installed, but no entry names it: the link's generic name.
        {SystemLink::fileManager, {"thunar"}, {{{"/opt/bin/thunar", {}}, "File Manager"}}},
        {SystemLink::diskUtility, {"gnome-disks"}, {{{"/opt/bin/gnome-disks", {}}, "Disks"}}},
        {SystemLink::systemMonitor,
         {"mate-system-monitor"},
         {{{"/opt/bin/mate-system-monitor", {}}, "System Monitor"}}},
        {SystemLink::dateTimeSettings,
         {"gnome-control-center"},
         {{{"/opt/bin/gnome-control-center", {"datetime"}}, "Settings"}}},
        // An entry alone does not make a program installed.
        {SystemLink::fileManager, {}, std::nullopt},
        {SystemLink::diskUtility, {"nautilus"}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringList(c.installed.begin(), c.installed.end()).join(',').toStdString());
        EXPECT_EQ(SystemLinks::installed(c.link, installed(c.installed), entries), c.expected);
    }
}
