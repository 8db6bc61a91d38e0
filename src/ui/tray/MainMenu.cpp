#include "ui/tray/MainMenu.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <utility>

namespace morvanex::ui {

namespace {

QAction* addItem(QMenu* menu, const QString& title, const QKeySequence& shortcut,
                 std::function<void()> action) {
    QAction* item = menu->addAction(title);
    item->setShortcut(shortcut);
    QObject::connect(item, &QAction::triggered, item, [action = std::move(action)] {
        if (action)
            action();
    });
    return item;
}

} // namespace

void sendStandardKey(QWidget* widget, QKeySequence::StandardKey key) {
    if (!widget)
        return;
    const QList<QKeySequence> bindings = QKeySequence::keyBindings(key);
    if (bindings.isEmpty() || bindings.first().isEmpty())
        return;
    const QKeyCombination combination = bindings.first()[0];
    QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, combination.key(), combination.keyboardModifiers());
    QCoreApplication::sendEvent(widget, &release);
}

QMenuBar* makeMainMenu(const MainMenuActions& actions, QWidget* parent) {
    auto* bar = new QMenuBar(parent);

    QMenu* application = bar->addMenu(QStringLiteral("Morvanex"));
    addItem(application, QStringLiteral("About Morvanex"), {}, actions.about);
    if (actions.checkForUpdates)
        addItem(application, QStringLiteral("Check for Updates…"), {}, actions.checkForUpdates);
    application->addSeparator();
    addItem(application, QStringLiteral("Settings…"), QKeySequence(Qt::CTRL | Qt::Key_Comma),
            actions.settings);
    application->addSeparator();
    addItem(application, QStringLiteral("Quit Morvanex"), QKeySequence(Qt::CTRL | Qt::Key_Q),
            actions.quit);

    // Each edit item hands the focused widget the key its platform binds to the command, so a
    // line edit, a text view or a spin box does exactly what that key does in it.
    QMenu* edit = bar->addMenu(QStringLiteral("Edit"));
    const auto focused = actions.focusWidget;
    const auto toFocus = [focused](QKeySequence::StandardKey key) {
        return [focused, key] {
            QWidget* widget = focused ? focused() : QApplication::focusWidget();
            sendStandardKey(widget, key);
        };
    };
    addItem(edit, QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z),
            toFocus(QKeySequence::Undo));
    addItem(edit, QStringLiteral("Redo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
            toFocus(QKeySequence::Redo));
    edit->addSeparator();
    addItem(edit, QStringLiteral("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X),
            toFocus(QKeySequence::Cut));
    addItem(edit, QStringLiteral("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C),
            toFocus(QKeySequence::Copy));
    addItem(edit, QStringLiteral("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V),
            toFocus(QKeySequence::Paste));
    addItem(edit, QStringLiteral("Select All"), QKeySequence(Qt::CTRL | Qt::Key_A),
            toFocus(QKeySequence::SelectAll));

    QMenu* window = bar->addMenu(QStringLiteral("Window"));
    addItem(window, QStringLiteral("Close"), QKeySequence(Qt::CTRL | Qt::Key_W), actions.close);
    addItem(window, QStringLiteral("Minimize"), QKeySequence(Qt::CTRL | Qt::Key_M),
            actions.minimize);
    return bar;
}

} // namespace morvanex::ui
