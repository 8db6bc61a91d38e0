#pragma once

#include "app/HotKeys.h"
#include "ui/kit/PanelEnv.h"
#include "ui/settings/ShortcutSession.h"

#include <QWidget>
#include <map>

class QLabel;
class QPushButton;

namespace morvanex::ui {

class ShortcutRecorder;

// Global shortcuts for the thirteen actions: a recorder per action, one combination per action
// at most, the global hot keys released while a recorder listens.
class ShortcutsPane : public QWidget {
    Q_OBJECT
public:
    ShortcutsPane(const PanelEnv& env, HotKeyCenter& hotKeys, QWidget* parent = nullptr);

    ShortcutRecorder* recorder(const HotKeyAction& action) const;
    QLabel* noteLabel() const { return note_; }
    QPushButton* clearAllButton() const { return clearAll_; }
    ShortcutSession& session() { return session_; }

private:
    void refresh();

    PanelEnv env_;
    HotKeyCenter& hotKeys_;
    ShortcutSession session_;
    std::map<QString, ShortcutRecorder*> recorders_;
    QLabel* note_;
    QPushButton* clearAll_;
};

} // namespace morvanex::ui
