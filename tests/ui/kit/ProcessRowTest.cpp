#include "ui/kit/ProcessRow.h"

#include "ui/kit/TextLine.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

ProcessSample sample(std::int32_t pid, const QString& name) {
    ProcessSample process;
    process.pid = pid;
    process.name = name;
    return process;
}

QStringList titles(const std::vector<ProcessMenuEntry>& entries) {
    QStringList result;
    for (const auto& entry : entries)
        result << (entry.action ? entry.title : QStringLiteral("---"));
    return result;
}

// Stand-ins that write what happened, in order, into one log.
PanelEnv recordingEnv(QStringList& log, bool hasLocation = true) {
    PanelEnv env;
    env.panelActions.dismiss = [&log] { log << "dismiss"; };
    env.processActions.quit = [&log](std::int32_t pid) { log << QString("quit %1").arg(pid); };
    env.processActions.forceQuit = [&log](std::int32_t pid, const QString& name) {
        log << QString("forceQuit %1 %2").arg(pid).arg(name);
    };
    env.processActions.showInFinder = [&log](std::int32_t pid) {
        log << QString("show %1").arg(pid);
    };
    env.processActions.openActivityMonitor = [&log] { log << "monitor"; };
    env.processActions.hasLocation = [hasLocation](std::int32_t) { return hasLocation; };
    // The desktop's programs as a GNOME machine names them, whatever this machine has.
    env.linkName = [](platform::SystemLink link) -> std::optional<QString> {
        if (link == platform::SystemLink::fileManager)
            return QStringLiteral("Files");
        if (link == platform::SystemLink::systemMonitor)
            return QStringLiteral("System Monitor");
        return std::nullopt;
    };
    return env;
}

const ProcessMenuPrograms gnome{QStringLiteral("Files"), QStringLiteral("System Monitor")};

} // namespace

TEST(ProcessRowActions, ProtectedAndOrdinaryProcesses) {
    const QStringList all{"Quit", "Force Quit…", "---", "Show in Files", "Open System Monitor"};
    const QStringList only{"Show in Files", "Open System Monitor"};
    const std::int32_t self = std::int32_t(QCoreApplication::applicationPid());
    struct Case {
        std::int32_t pid;
        const char* name;
        QStringList expected;
    };
    const Case cases[] = {
        {0, "idle", only},
        {1, "anything", only},
        {self, "morvanex", only},
        {4242, "loginwindow", only},
        {4242, "launchd", only},
        {4242, "WindowServer", only},
        {4242, "kernel_task", only},
        {4242, "Xorg", only},
        {4242, "gnome-shell", only},
        {2, "kthreadd-child", all},
        {4242, "editor", all},
        // Protected names match exactly.
        {4242, "Launchd", all},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.pid));
        EXPECT_EQ(titles(processMenu(c.pid, c.name, true, gnome)), c.expected);
    }
}

TEST(ProcessRowActions, ProgramsNamedAsInstalledAndAbsentWhereNone) {
    struct Case {
        ProcessMenuPrograms programs;
        const char* name;
        QStringList expected;
    };
    const Case cases[] = {
        {{"Dolphin", "System Monitor"},
         "editor",
         {"Quit", "Force Quit…", "---", "Show in Dolphin", "Open System Monitor"}},
        {{std::nullopt, "System Monitor"},
         "editor",
         {"Quit", "Force Quit…", "---", "Open System Monitor"}},
        {{"Files", std::nullopt}, "editor", {"Quit", "Force Quit…", "---", "Show in Files"}},
        // Nothing to hand over to: no divider after the quit items, and a protected process
        // has nothing at all.
        {{}, "editor", {"Quit", "Force Quit…"}},
        {{}, "Xorg", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.join(", ").toStdString());
        EXPECT_EQ(titles(processMenu(4242, c.name, true, c.programs)), c.expected);
    }
}

TEST(ProcessRowActions, ShowInFinderDisabledWithoutLocation) {
    for (const bool hasLocation : {true, false}) {
        const auto entries = processMenu(4242, "editor", hasLocation, gnome);
        for (const auto& entry : entries)
            EXPECT_EQ(entry.enabled, entry.action != ProcessAction::showInFinder || hasLocation)
                << entry.title.toStdString();
    }
}

TEST(ProcessRowActions, EveryActionButQuitClosesTheDropdownFirst) {
    const ProcessSample process = sample(4242, "editor");
    struct Case {
        ProcessAction action;
        QStringList expected;
    };
    const Case cases[] = {
        {ProcessAction::quit, {"quit 4242"}},
        {ProcessAction::forceQuit, {"dismiss", "forceQuit 4242 editor"}},
        {ProcessAction::showInFinder, {"dismiss", "show 4242"}},
        {ProcessAction::openActivityMonitor, {"dismiss", "monitor"}},
    };
    for (const Case& c : cases) {
        QStringList log;
        const PanelEnv env = recordingEnv(log);
        runProcessAction(c.action, process, env.panelActions, env.processActions);
        EXPECT_EQ(log, c.expected);
    }
}

TEST(ProcessRowActions, MenuItemsRunTheirActions) {
    QStringList log;
    const PanelEnv env = recordingEnv(log, false);
    ProcessRow row(sample(4242, "editor"), "1.0%", std::nullopt, Tint::blue, env);
    std::unique_ptr<QMenu> menu(row.makeMenu(nullptr));
    QStringList shown;
    for (QAction* action : menu->actions())
        shown << (action->isSeparator() ? QStringLiteral("---") : action->text());
    EXPECT_EQ(shown,
              (QStringList{"Quit", "Force Quit…", "---", "Show in Files", "Open System Monitor"}));
    EXPECT_FALSE(menu->actions().at(3)->isEnabled());
    menu->actions().at(1)->trigger();
    EXPECT_EQ(log, (QStringList{"dismiss", "forceQuit 4242 editor"}));
    EXPECT_EQ(row.actionsButton()->accessibleName(), "Actions for editor");
}

TEST(ProcessRowActions, ActionOutlivesTheRowThatClosingDestroys) {
    QStringList log;
    PanelEnv env = recordingEnv(log);
    // Closing the dropdown tears down the panel tree: the row, its menu and the menu's items.
    QPointer<ProcessRow> alive;
    env.panelActions.dismiss = [&] {
        log << "dismiss";
        delete alive.data();
    };
    alive = new ProcessRow(sample(4242, "editor"), "1.0%", std::nullopt, Tint::blue, env);
    QMenu* menu = alive->makeMenu(alive);
    menu->actions().at(4)->trigger(); // "Open System Monitor"
    EXPECT_TRUE(alive.isNull());
    EXPECT_EQ(log, (QStringList{"dismiss", "monitor"}));
}

TEST(ProcessRow, HoverSwapsValueForActionsButton) {
    QStringList log;
    ProcessRow row(sample(4242, "editor"), "12.5%", 0.4, Tint::green, recordingEnv(log));
    row.resize(300, row.sizeHint().height());
    row.show();
    EXPECT_TRUE(row.showsValue());
    EXPECT_TRUE(row.actionsButton()->isHidden());

    QEnterEvent enter(QPointF(10, 5), QPointF(10, 5), QPointF(10, 5));
    QCoreApplication::sendEvent(&row, &enter);
    EXPECT_TRUE(row.isHovering());
    EXPECT_FALSE(row.showsValue());
    EXPECT_FALSE(row.actionsButton()->isHidden());
    // The button sits at the trailing edge of the row.
    const QRect button(row.actionsButton()->mapTo(&row, QPoint(0, 0)), row.actionsButton()->size());
    EXPECT_NEAR(button.right(), row.rect().right(), 1);

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&row, &leave);
    EXPECT_FALSE(row.isHovering());
    EXPECT_TRUE(row.showsValue());
    EXPECT_TRUE(row.actionsButton()->isHidden());
}

TEST(ProcessRow, UsageBarStartsUnderTheName) {
    QStringList log;
    ProcessRow withBar(sample(4242, "editor"), "35", 0.35, Tint::green, recordingEnv(log));
    ProcessRow without(sample(4243, "editor"), "35", std::nullopt, Tint::green, recordingEnv(log));
    withBar.resize(300, withBar.sizeHint().height());
    without.resize(300, without.sizeHint().height());
    withBar.show();
    without.show();
    EXPECT_EQ(withBar.nameLine()->mapTo(&withBar, QPoint(0, 0)).x(), 26);
    // The bar row adds its 3 points and the gap of 3 below the main line.
    EXPECT_EQ(withBar.height() - without.height(), 6);
}

TEST(ProcessRow, OnlyTheHighlightedProcessIsHighlighted) {
    QStringList log;
    PanelEnv env = recordingEnv(log);
    ProcessCard none("Top", std::nullopt, {{sample(10, "a"), "1"}, {sample(11, "b"), "2"}},
                     "No data", env);
    for (ProcessRow* row : none.rows())
        EXPECT_FALSE(row->isHighlighted());

    env.highlightedProcess = 11;
    ProcessCard card("Top", QString("% CPU"), {{sample(10, "a"), "1"}, {sample(11, "b"), "2"}},
                     "No data", env);
    card.resize(340, card.sizeHint().height());
    card.show();
    ASSERT_EQ(card.rows().size(), 2u);
    EXPECT_FALSE(card.rows()[0]->isHighlighted());
    ProcessRow* highlighted = card.rows()[1];
    EXPECT_TRUE(highlighted->isHighlighted());
    // The background is a sibling under the row, reaching beyond it on every side.
    QWidget* parent = highlighted->parentWidget();
    const QRect expected = highlighted->geometry().adjusted(-6, -3, 6, 3);
    int found = 0;
    for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->geometry() == expected && child->isVisible())
            ++found;
    EXPECT_EQ(found, 1);
    EXPECT_EQ(card.emptyLine(), nullptr);
}

TEST(ProcessCard, EmptyShowsItsText) {
    PanelEnv env;
    ProcessCard card("Top Processes", QString("% CPU"), {}, "No data yet", env);
    ASSERT_NE(card.emptyLine(), nullptr);
    EXPECT_EQ(card.emptyLine()->fullText(), "No data yet");
    EXPECT_TRUE(card.rows().empty());
}

TEST(ProcessRowActions, ForceQuitAsksThenKills) {
    for (const bool confirmed : {false, true}) {
        QProcess child;
        child.start("sleep", {"30"});
        ASSERT_TRUE(child.waitForStarted());
        const auto pid = std::int32_t(child.processId());
        QString asked;
        const auto hooks = ProcessActionHooks::system(
            [&](std::int32_t askedPid, const QString& message, const QString& informative) {
                EXPECT_EQ(askedPid, pid);
                asked = message + " / " + informative;
                return confirmed;
            });
        PanelActions actions;
        bool dismissed = false;
        actions.dismiss = [&] {
            dismissed = true;
            EXPECT_TRUE(asked.isEmpty()); // the dropdown closes before the question
        };
        runProcessAction(ProcessAction::forceQuit, sample(pid, "sleep"), actions, hooks);
        EXPECT_TRUE(dismissed);
        EXPECT_EQ(asked, "Force quit “sleep”? / You will lose any unsaved changes.");
        if (confirmed) {
            ASSERT_TRUE(child.waitForFinished(60000));
            EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
        } else {
            EXPECT_EQ(child.state(), QProcess::Running);
            child.kill();
            child.waitForFinished();
        }
    }
}
