#pragma once

#include "base/SettingsEnums.h"
#include "monitors/KeepAwake.h"
#include "platform/Roots.h"
#include "platform/linux/WatcherPlacement.h"
#include "ui/tray/StatusItem.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QMenu>
#include <QObject>
#include <QRect>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QDBusServiceWatcher;

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
//
// The items tell the watcher they are there one at a time, in the sequence that makes the
// panel show the configured order from left to right: last to first where the panel puts each
// new item at the left, first to last where it appends. That happens after every rebuild and
// again whenever a watcher appears (a panel restart), each item once per watcher, once a panel
// uses it; a refused registration is tried again after a short pause.
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
    // In the configured order, which the panel shows from left to right: front() is the
    // leftmost item.
    const std::vector<Entry>& entries() const;
    std::function<void()> checkForUpdates; // empty: no "Check for Updates…" item
    std::function<void()> quit = [] { QCoreApplication::quit(); };

    // The bus the items join from the next rebuild on; empty: the session bus.
    QString busAddress;
    // Where the process behind the watcher is looked up, to tell how its panel places items.
    platform::Roots roots = platform::Roots::system();

    // The context menu as every item shows it, filled into `menu`.
    void fillContextMenu(QMenu& menu);
    // Where an item's dropdown opens: its last click, else defaultAnchor on the primary screen.
    QRect anchor(const StatusItem* item) const;

private slots:
    // The watcher announced a panel.
    void hostRegistered();

private:
    // Watches the watcher's name on a connection of the controller's own at busAddress.
    void watchForWatcher();
    // Starts telling the watcher of the items afresh; `join`: a watcher just appeared, and
    // items still on the tray icon move over to it first.
    void startRegistration(bool join);
    // Registers sequence_[next_] of pass `pass`, then the rest, each once the one before it
    // was taken (or given up on).
    void registerNext(quint64 pass);
    // Registers the items of pass `pass` once a panel uses the watcher.
    void awaitHost(quint64 pass);
    // A panel uses the watcher: registers the items of pass `pass`, after a moment when the
    // watcher has just appeared.
    void panelReady(quint64 pass);
    // `item` was taken: the next follows once the panel has read it (see imageRead, paced).
    void paceAfter(StatusItem* item, quint64 pass);
    void imageRead();
    void paced();
    void startKeepAwake(KeepAwake::Duration duration);
    void stopKeepAwake();

    Hub& hub_;
    AppSettings& settings_;
    DropdownHooks dropdown_;
    std::vector<std::unique_ptr<StatusItem>> items_; // in the configured order
    QDBusConnection bus_{QString()};                 // where the watcher's name is watched
    QString watchedAddress_;
    QDBusServiceWatcher* watcherWatch_ = nullptr; // child
    // One registration pass at a time: a newer pass (a rebuild, another watcher) makes the
    // answers and pauses of an older one moot.
    quint64 pass_ = 0;
    std::vector<StatusItem*> sequence_; // the items of the current pass, in registration order
    std::size_t next_ = 0;
    int refusals_ = 0;        // of sequence_[next_], or of the question whether a panel is there
    quint64 hostAwaited_ = 0; // the pass waiting for a panel to use the watcher
    bool settle_ = false;     // the current pass follows a watcher that has just appeared
    QTimer pace_;             // until the next registration
    StatusItem* paced_ = nullptr; // the item registered last, while pace_ runs
    quint64 pacedPass_ = 0;
    QElapsedTimer pacedSince_;
    std::vector<Entry> entries_;
    std::map<const StatusItem*, QRect> anchors_;
};

} // namespace morvanex::ui
