#pragma once

#include "base/SettingsEnums.h"
#include "ui/kit/PanelEnv.h"

#include <QObject>
#include <QRect>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QKeyEvent;
class QWidget;
class QWindow;

namespace morvanex::ui {

class DropdownPanel;

// Builds what the dropdown shows for `kind`; `dismiss` closes the dropdown; `onHeightChange`
// must be called with the content's height (the factory passes it on to PanelRoot).
using DropdownContentFactory = std::function<QWidget*(ModuleKind kind, PanelActions actions,
                                                      std::function<void(double)> onHeightChange)>;

// Owns at most one open dropdown: places it under the status item that asked for it, hosts the
// factory's content in it, follows the content's height, and closes it on a second click of
// the same item, on a click anywhere else, on Escape or on Ctrl+",".
//
// While a dropdown is open the controller watches:
//  - the keyboard focus: once the panel has had it, its loss to another application (or to a
//    window of ours that is not the panel's and not a pop-up menu) closes the dropdown;
//  - mouse presses anywhere in this application: a press outside the panel closes it, except
//    in a pop-up menu (which belongs to whatever opened it) or in our own tray icon (its click
//    decides);
//  - key presses anywhere in this application: Escape with any modifiers closes; Ctrl+"," with
//    exactly Control closes and then calls `openSettings`. Both are consumed only while a panel
//    is visible and no pop-up menu is open; everything else is passed on.
class DropdownController : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;

    // A toggle of the same module this soon after a click outside closed its dropdown is the
    // second half of that click (the press on the item's own icon closed it first) and does
    // nothing, so the click closes the dropdown instead of reopening it.
    static constexpr std::chrono::milliseconds reopenGuard{300};
    // The content height assumed when the content tells nothing better.
    static constexpr double fallbackContentHeight = 420;

    explicit DropdownController(DropdownContentFactory factory, QObject* parent = nullptr);
    ~DropdownController() override;

    void toggle(ModuleKind kind, QRect anchor); // anchor in global screen coordinates
    void show(ModuleKind kind, QRect anchor);
    void close();
    bool isOpen() const;
    std::optional<ModuleKind> kind() const;
    QWidget* panel() const;                     // the open DropdownPanel, or null
    std::function<void()> openSettings = [] {}; // Ctrl+"," while open

    // The height the open panel follows (the last report from its content).
    double contentHeight() const { return contentHeight_; }

    // The clock of the reopen guard (tests step it).
    std::function<Clock::time_point()> now = [] { return Clock::now(); };
    // The visible frame of the anchor's screen (tests give a fixed one).
    std::function<QRect(QRect anchor)> visibleFrame;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Cause { request, outside };

    void closeFor(Cause cause);
    void layout();
    void installMonitors();
    void removeMonitors();
    void report(double height);
    void focusChanged(QWindow* window);
    bool keyPressed(const QKeyEvent& event);
    bool claimsKeys() const;
    void pressed(QObject* receiver);
    bool belongsToPanel(const QWidget* widget) const;

    struct OutsideClose {
        ModuleKind kind;
        Clock::time_point at;
    };

    DropdownContentFactory factory_;
    std::unique_ptr<DropdownPanel> panel_;
    QRect anchor_;
    double contentHeight_ = fallbackContentHeight;
    bool heightReported_ = false;
    std::optional<ModuleKind> kind_;
    quint64 generation_ = 0; // tells the open panel's callbacks from a closed one's
    bool building_ = false;  // the factory is building the content
    bool monitoring_ = false;
    bool panelActivated_ = false;
    QMetaObject::Connection focusConnection_;
    std::optional<OutsideClose> lastOutsideClose_;
};

} // namespace morvanex::ui
