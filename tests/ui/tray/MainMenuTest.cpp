#include "ui/tray/MainMenu.h"

#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <map>
#include <memory>

using namespace morvanex::ui;

namespace {

// The menus' titles, and under each its items' titles ("-" for a separator).
std::vector<std::pair<QString, QStringList>> layout(const QMenuBar& bar) {
    std::vector<std::pair<QString, QStringList>> menus;
    for (const QAction* menuAction : bar.actions()) {
        QStringList items;
        for (const QAction* item : menuAction->menu()->actions())
            items << (item->isSeparator() ? QStringLiteral("-") : item->text());
        menus.emplace_back(menuAction->text(), items);
    }
    return menus;
}

QAction* item(const QMenuBar& bar, const QString& title) {
    for (const QAction* menuAction : bar.actions())
        for (QAction* action : menuAction->menu()->actions())
            if (action->text() == title)
                return action;
    return nullptr;
}

// Actions that count their calls by name.
struct Calls {
    std::map<QString, int> count;
    std::function<void()> counter(const char* name) {
        return [this, name] { ++count[QString::fromUtf8(name)]; };
    }
    MainMenuActions actions(bool withFeed) {
        MainMenuActions a;
        a.about = counter("about");
        if (withFeed)
            a.checkForUpdates = counter("checkForUpdates");
        a.settings = counter("settings");
        a.quit = counter("quit");
        a.close = counter("close");
        a.minimize = counter("minimize");
        return a;
    }
};

} // namespace

TEST(MainMenu, MenusAndItemsInOrderWithAndWithoutAFeed) {
    const QStringList edit = {"Undo", "Redo", "-", "Cut", "Copy", "Paste", "Select All"};
    const QStringList window = {"Close", "Minimize"};
    for (const bool withFeed : {false, true}) {
        SCOPED_TRACE(withFeed ? "with feed" : "without feed");
        Calls calls;
        const std::unique_ptr<QMenuBar> bar(makeMainMenu(calls.actions(withFeed)));
        QStringList application = {"About Morvanex"};
        if (withFeed)
            application << QStringLiteral("Check for Updates…");
        application << "-" << QStringLiteral("Settings…") << "-"
                    << "Quit Morvanex";
        const std::vector<std::pair<QString, QStringList>> expected = {
            {"Morvanex", application}, {"Edit", edit}, {"Window", window}};
        EXPECT_EQ(layout(*bar), expected);
    }
}

TEST(MainMenu, ShortcutsAndActions) {
    Calls calls;
    const std::unique_ptr<QMenuBar> bar(makeMainMenu(calls.actions(true)));
    struct Case {
        QString title;
        QKeySequence shortcut;
        const char* action; // nullptr: an edit item
    };
    const std::vector<Case> cases = {
        {"About Morvanex", {}, "about"},
        {QStringLiteral("Check for Updates…"), {}, "checkForUpdates"},
        {QStringLiteral("Settings…"), QKeySequence(QStringLiteral("Ctrl+,")), "settings"},
        {"Quit Morvanex", QKeySequence(QStringLiteral("Ctrl+Q")), "quit"},
        {"Undo", QKeySequence(QStringLiteral("Ctrl+Z")), nullptr},
        {"Redo", QKeySequence(QStringLiteral("Ctrl+Shift+Z")), nullptr},
        {"Cut", QKeySequence(QStringLiteral("Ctrl+X")), nullptr},
        {"Copy", QKeySequence(QStringLiteral("Ctrl+C")), nullptr},
        {"Paste", QKeySequence(QStringLiteral("Ctrl+V")), nullptr},
        {"Select All", QKeySequence(QStringLiteral("Ctrl+A")), nullptr},
        {"Close", QKeySequence(QStringLiteral("Ctrl+W")), "close"},
        {"Minimize", QKeySequence(QStringLiteral("Ctrl+M")), "minimize"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title.toStdString());
        QAction* action = item(*bar, c.title);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->shortcut(), c.shortcut);
        if (!c.action)
            continue;
        const std::map<QString, int> before = calls.count;
        action->trigger();
        std::map<QString, int> expected = before;
        ++expected[QString::fromUtf8(c.action)];
        EXPECT_EQ(calls.count, expected); // its own callback, once, and no other
    }
}

TEST(MainMenu, EditItemsActOnTheFocusedEditor) {
    QLineEdit editor;
    editor.setText(QStringLiteral("abc"));
    QWidget* focused = &editor;
    MainMenuActions actions;
    actions.focusWidget = [&] { return focused; };
    const std::unique_ptr<QMenuBar> bar(makeMainMenu(actions));
    const auto run = [&](const char* title) { item(*bar, QString::fromUtf8(title))->trigger(); };

    run("Select All");
    EXPECT_EQ(editor.selectedText(), QStringLiteral("abc"));
    run("Copy");
    editor.end(false);
    run("Paste");
    EXPECT_EQ(editor.text(), QStringLiteral("abcabc"));
    run("Undo");
    EXPECT_EQ(editor.text(), QStringLiteral("abc"));
    run("Redo");
    EXPECT_EQ(editor.text(), QStringLiteral("abcabc"));
    run("Select All");
    run("Cut");
    EXPECT_EQ(editor.text(), QString());

    // A spin box edits through its own line, which the key reaches as well.
    QSpinBox spin;
    spin.setValue(42);
    focused = &spin;
    run("Select All");
    run("Cut");
    EXPECT_EQ(spin.text(), QString());

    focused = nullptr; // nothing focused: nothing happens
    run("Paste");
}

TEST(MainMenu, ShortcutsWorkFromTheKeyboardInTheWindow) {
    Calls calls;
    QMainWindow window;
    window.setMenuBar(makeMainMenu(calls.actions(false), &window));
    auto* editor = new QLineEdit(&window);
    window.setCentralWidget(editor);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    editor->setFocus();
    editor->setText(QStringLiteral("abc"));

    QTest::keyClick(editor, Qt::Key_Comma, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(calls.count[QStringLiteral("settings")], 1);
    EXPECT_EQ(calls.count[QStringLiteral("close")], 1);

    // The editor keeps its own keys: select all and cut act on it once.
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(editor->text(), QString());
}
