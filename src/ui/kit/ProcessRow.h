#pragma once

#include "monitors/ProcessMonitor.h"
#include "ui/kit/PanelEnv.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

class QMenu;
class QToolButton;

namespace morvanex::ui {

class TextLine;
class ValueSlot;

enum class ProcessAction { quit, forceQuit, showInFinder, openActivityMonitor };

// One entry of a process's actions list; an entry without an action is a divider.
struct ProcessMenuEntry {
    std::optional<ProcessAction> action;
    QString title;
    bool enabled = true;

    bool operator==(const ProcessMenuEntry&) const = default;
};

// The desktop's programs a row hands a process over to, by their own names ("Files", "System
// Monitor"); nothing where none is installed.
struct ProcessMenuPrograms {
    std::optional<QString> fileManager;
    std::optional<QString> systemMonitor;
};

// The actions a row offers for a process, in order: "Quit" and "Force Quit…" only for a process
// that may be quit (not protected, not an id below 2, not this program), then, after a divider,
// "Show in <file manager>" (disabled without a place on disk) and "Open <system monitor>", each
// only where that program is installed.
std::vector<ProcessMenuEntry> processMenu(std::int32_t pid, const QString& name, bool hasLocation,
                                          const ProcessMenuPrograms& programs);

// Runs one chosen action. Every action but "Quit" closes the dropdown first.
void runProcessAction(ProcessAction action, const ProcessSample& process,
                      const PanelActions& panelActions, const ProcessActionHooks& hooks);

// The accessible name of a row's actions button.
QString processActionsLabel(const QString& name);

// One process in a panel's list: its icon, its name and a figure at the trailing edge, and
// optionally a thin usage bar under the name. While the pointer is over the row the figure
// gives way to an actions button; a secondary click opens the same actions as a menu. The row
// of the highlighted process sits on an accent-coloured background that reaches a little
// beyond its edges.
class ProcessRow : public QWidget {
    Q_OBJECT
public:
    ProcessRow(const ProcessSample& process, const QString& value, std::optional<double> fraction,
               Tint barColor, const PanelEnv& env, QWidget* parent = nullptr);
    ~ProcessRow() override;

    const ProcessSample& process() const { return process_; }
    // Shows the same process's new figure in place (hover and menu stay); false, changing
    // nothing, for another process or a row with a usage bar.
    bool setReading(const ProcessSample& process, const QString& value);
    bool isHovering() const { return hovering_; }
    bool isHighlighted() const;
    bool showsValue() const;
    QToolButton* actionsButton() const { return button_; }
    TextLine* nameLine() const { return name_; }

    // A fresh menu of the row's actions (the hover button's menu and the context menu).
    QMenu* makeMenu(QWidget* parent) const;

    // How far the highlight reaches beyond the row on each side.
    static constexpr int highlightOutsetX = 6;
    static constexpr int highlightOutsetY = 3;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void setHovering(bool hovering);
    void syncHighlight();

    ProcessSample process_;
    PanelEnv env_;
    bool hovering_ = false;
    bool menuOpen_ = false;
    bool hasBar_ = false;
    TextLine* name_ = nullptr;
    ValueSlot* slot_ = nullptr;
    QToolButton* button_ = nullptr;
    QPointer<QWidget> highlight_;
};

// A card listing processes with their figures (no usage bars), or a grey text when the list is
// empty.
class ProcessCard : public QWidget {
    Q_OBJECT
public:
    ProcessCard(const QString& title, const std::optional<QString>& trailing,
                const std::vector<std::pair<ProcessSample, QString>>& rows,
                const QString& emptyText, const PanelEnv& env, QWidget* parent = nullptr);

    std::vector<ProcessRow*> rows() const;
    // New figures for the same processes in the same order, in place; false (changing
    // nothing) when the list itself changed.
    bool setRows(const std::vector<std::pair<ProcessSample, QString>>& rows);
    TextLine* emptyLine() const { return empty_; } // null when there are rows

private:
    TextLine* empty_ = nullptr;
};

} // namespace morvanex::ui
