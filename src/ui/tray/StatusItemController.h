#pragma once

#include "base/SettingsEnums.h"
#include "monitors/KeepAwake.h"
#include "ui/tray/StatusItem.h"

#include <QCoreApplication>
#include <QMenu>
#include <QObject>
#include <QRect>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace morvanex {
class AppSettings;
class Hub;
} // namespace morvanex

namespace morvanex::ui {

struct DropdownHooks { // the delegate wires these to DropdownController
    std::function<void(ModuleKind, QRect anchor)> toggle;
    std::function<void()> close;
};

// The application's items in the desktop's panel: one per shown module in the configured
// order, redrawn from the hub on every refresh. A click toggles the module's dropdown under
// the item; the context menu offers keep-awake durations, settings, updates and quit.
class StatusItemController : public QObject {
    Q_OBJECT
public:
    struct Entry {
        ModuleKind kind;
        StatusItem* item; // owned by the controller
    };

    StatusItemController(Hub& hub, AppSettings& settings, DropdownHooks dropdown,
                         QObject* parent = nullptr);
    ~StatusItemController() override;

    // Closes the dropdown, replaces every item from the settings, then refreshes.
    void rebuild();
    // Redraws every item's image from the live readings.
    void refresh();
    // Toggles `kind`'s dropdown under the first item of that kind, else under the leftmost.
    void toggleDropdown(ModuleKind kind);
    // In the reverse of the configured order: back() is the leftmost item.
    const std::vector<Entry>& entries() const;
    std::function<void()> checkForUpdates; // empty: no "Check for Updates…" item
    std::function<void()> quit = [] { QCoreApplication::quit(); };

    // The bus the items join from the next rebuild on; empty: the session bus.
    QString busAddress;

    // The context menu as every item shows it, filled into `menu`.
    void fillContextMenu(QMenu& menu);
    // Where an item's dropdown opens: its last click, else defaultAnchor on the primary screen.
    QRect anchor(const StatusItem* item) const;

private:
    // Registers the items from `index` on with the watcher, in creation order.
    void registerFrom(std::size_t index);
    void startKeepAwake(KeepAwake::Duration duration);
    void stopKeepAwake();

    Hub& hub_;
    AppSettings& settings_;
    DropdownHooks dropdown_;
    std::vector<std::unique_ptr<StatusItem>> items_; // in creation order
    StatusItem* awaiting_ = nullptr;                 // registered, the watcher's answer not yet in
    std::size_t nextToRegister_ = 0;
    bool restartRegistration_ = false; // a watcher appeared: register every item again
    std::vector<Entry> entries_;
    std::map<const StatusItem*, QRect> anchors_;
};

} // namespace morvanex::ui
