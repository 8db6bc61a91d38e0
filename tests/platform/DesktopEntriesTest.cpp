#include "platform/DesktopEntries.h"

#include "support/FixtureTree.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace morvanex::platform;

TEST(DesktopEntries, ExecProgramName) {
    const std::pair<const char*, const char*> cases[] = {
        {"/usr/bin/gedit %U", "gedit"},
        {"firefox-esr %u", "firefox-esr"},
        {"env GDK_BACKEND=x11 LANG=C /opt/tool/bin/tool --flag", "tool"},
        {"/usr/bin/env FOO=1 bar", "bar"},
        {"\"/opt/My Tools/run me\" --x", "run me"},
        {"", ""},
        {"%U", ""},
    };
    for (const auto& [exec, name] : cases)
        EXPECT_EQ(execProgramName(QString::fromUtf8(exec)), QString::fromUtf8(name)) << exec;
}

TEST(DesktopEntries, ParsesOnlyVisibleApplications) {
    const auto entry = parseDesktopEntry("# comment\n[Desktop Entry]\nType=Application\n"
                                         "Exec=/usr/bin/editor %F\nIcon=editor\nIcon[de]=anders\n"
                                         "StartupWMClass=Editor\n[Desktop Action new]\n"
                                         "Exec=other\nIcon=other\n",
                                         "editor.desktop");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->execName, "editor");
    EXPECT_EQ(entry->icon, "editor");
    EXPECT_EQ(entry->startupWMClass, "Editor");

    EXPECT_FALSE(parseDesktopEntry("[Desktop Entry]\nType=Link\nIcon=x\n", "a.desktop"));
    EXPECT_FALSE(
        parseDesktopEntry("[Desktop Entry]\nType=Application\nHidden=true\nIcon=x\n", "a.desktop"));
    EXPECT_FALSE(parseDesktopEntry("Type=Application\nIcon=x\n", "a.desktop"));
}

TEST(DesktopEntries, EarlierFolderHidesSameIdAndMatchingPrefersExec) {
    QTemporaryDir dir;
    const QString user = dir.path() + "/user";
    const QString system = dir.path() + "/system";
    using morvanex::test::writeFile;
    writeFile(user, "applications/viewer.desktop",
              "[Desktop Entry]\nType=Application\nExec=viewer\nIcon=viewer-mine\n");
    writeFile(system, "applications/viewer.desktop",
              "[Desktop Entry]\nType=Application\nExec=viewer\nIcon=viewer-system\n");
    writeFile(system, "applications/kde/klass.desktop",
              "[Desktop Entry]\nType=Application\nExec=launcher\nStartupWMClass=Worker\n"
              "Icon=klass\n");
    writeFile(system, "applications/named.desktop",
              "[Desktop Entry]\nType=Application\nExec=start-worker\nIcon=worker\n");
    writeFile(system, "applications/noicon.desktop",
              "[Desktop Entry]\nType=Application\nExec=bare\n");

    const auto entries = loadDesktopEntries({user, system, dir.path() + "/missing"});
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(iconForProgram(entries, "viewer"), "viewer-mine");
    // StartupWMClass (any case) comes before an icon named after the program.
    EXPECT_EQ(iconForProgram(entries, "worker"), "klass");
    EXPECT_EQ(iconForProgram(entries, "bare"), "");
    EXPECT_EQ(iconForProgram(entries, ""), "");
    const auto kde = std::find_if(entries.begin(), entries.end(),
                                  [](const DesktopEntry& e) { return e.icon == "klass"; });
    ASSERT_NE(kde, entries.end());
    EXPECT_EQ(kde->id, "kde-klass.desktop");
}

TEST(DesktopEntries, NamesComeFromTheUnlocalisedNameKey) {
    const auto entry = parseDesktopEntry("[Desktop Entry]\nType=Application\nName[de]=Dateien\n"
                                         "Name=Files\nExec=nautilus --new-window %U\n"
                                         "NoDisplay=true\nIcon=org.gnome.Nautilus\n",
                                         "org.gnome.Nautilus.desktop");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "Files");
    EXPECT_TRUE(entry->noDisplay);
    EXPECT_EQ(nameForProgram({*entry}, "nautilus"), "Files");
    EXPECT_EQ(nameForProgram({*entry}, "dolphin"), "");
    EXPECT_EQ(nameForProgram({*entry}, ""), "");
}
