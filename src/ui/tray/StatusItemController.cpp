#include "ui/tray/StatusItemController.h"

#include "app/Hub.h"
#include "base/AppActions.h"
#include "base/AppSettings.h"
#include "platform/Log.h"
#include "ui/menubar/MenuBarContent.h"
#include "ui/menubar/MenuBarRenderer.h"
#include "ui/tray/StatusItemModules.h"
#include "ui/tray/TraySquare.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <utility>

namespace morvanex::ui {

namespace {

const QString kCup = QStringLiteral("cup.and.saucer.fill");
const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

// A refused registration is tried again after 0.1 s, then after twice the pause before, up to
// 2 s; a watcher that still refuses after this many tries is given up on for that item.
constexpr int kFirstPauseMs = 100;
constexpr int kLongestPauseMs = 2000;
constexpr int kTries = 12;
// A watcher without a panel yet is waited on this long for one, then told of the items anyway.
constexpr int kHostWaitMs = 3000;

// How long a watcher that has just appeared, and its panel, are given before the first item.
constexpr int kPanelSettleMs = 1000;

// After a registration the next waits for the panel to read the item and then go quiet this
// long, and at most the bound before it.
constexpr int kQuietMs = 50;
constexpr int kPaceMs = 250;

// The pause before try `refusals` + 1.
int pause(int refusals) {
    return std::min(kFirstPauseMs << std::min(refusals - 1, 8), kLongestPauseMs);
}

QString nextConnectionName() {
    static std::atomic<int> last{0};
    return QStringLiteral("morvanex-status-items-%1").arg(++last);
}

} // namespace

StatusItemController::StatusItemController(Hub& hub, AppSettings& settings, DropdownHooks dropdown,
                                           QObject* parent)
    : QObject(parent), hub_(hub), settings_(settings), dropdown_(std::move(dropdown)) {
    pace_.setSingleShot(true);
    connect(&pace_, &QTimer::timeout, this, &StatusItemController::paced);
}

StatusItemController::~StatusItemController() {
    delete watcherWatch_;
    if (bus_.isConnected())
        QDBusConnection::disconnectFromBus(bus_.name());
}

const std::vector<StatusItemController::Entry>& StatusItemController::entries() const {
    return entries_;
}

void StatusItemController::rebuild() {
    if (dropdown_.close)
        dropdown_.close();
    ++pass_;
    sequence_.clear();
    paced_ = nullptr;
    pace_.stop();
    entries_.clear();
    anchors_.clear();
    items_.clear();
    watchForWatcher();

    const std::vector<ModuleKind> shown = shownModules(settings_.config(), hub_.battery.present);
    for (const ModuleKind kind : shown) {
        auto item = std::make_unique<StatusItem>(itemId(kind), itemTitle(kind), busAddress,
                                                 StatusItem::Registration::onRequest);
        StatusItem* raw = item.get();
        connect(raw, &StatusItem::activated, this, [this, kind, raw](QRect anchor) {
            anchors_[raw] = anchor;
            if (dropdown_.toggle)
                dropdown_.toggle(kind, anchor);
        });
        connect(raw, &StatusItem::menuAboutToShow, this, [this] {
            if (dropdown_.close)
                dropdown_.close();
        });
        connect(raw, &StatusItem::imageRead, this, [this, raw] {
            if (raw == paced_)
                imageRead();
        });
        raw->setMenuProvider([this](QMenu& menu) { fillContextMenu(menu); });
        items_.push_back(std::move(item));
        entries_.push_back(Entry{kind, raw});
    }
    startRegistration(false);
    refresh();
}

void StatusItemController::watchForWatcher() {
    if (watcherWatch_ && watchedAddress_ == busAddress)
        return;
    delete watcherWatch_;
    watcherWatch_ = nullptr;
    if (bus_.isConnected())
        QDBusConnection::disconnectFromBus(bus_.name());
    const QString name = nextConnectionName();
    bus_ = busAddress.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)
                                : QDBusConnection::connectToBus(busAddress, name);
    watchedAddress_ = busAddress;
    if (!bus_.isConnected())
        return; // the items say so, and sit on the tray icon
    // One watch for all items: a panel restart is one notice, whatever the number of items.
    watcherWatch_ = new QDBusServiceWatcher(kWatcherService, bus_,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    bus_.connect(kWatcherService, kWatcherPath, kWatcherService,
                 QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(hostRegistered()));
    connect(watcherWatch_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                if (newOwner.isEmpty()) {
                    ++pass_; // nobody to tell until the next watcher comes
                    sequence_.clear();
                    return;
                }
                startRegistration(true);
            });
}

void StatusItemController::startRegistration(bool join) {
    const quint64 pass = ++pass_;
    sequence_.clear();
    next_ = 0;
    refusals_ = 0;
    settle_ = join;
    paced_ = nullptr;
    pace_.stop();
    if (join)
        for (const auto& item : items_)
            item->useWatcher();
    if (!bus_.isConnected() || std::none_of(items_.begin(), items_.end(),
                                            [](const auto& item) { return item->usesWatcher(); }))
        return;
    platform::askNewItemPlacement(bus_, kWatcherService, roots, this,
                                  [this, pass](platform::NewItemPlacement placement) {
                                      if (pass != pass_)
                                          return;
                                      for (const auto& item : items_)
                                          if (item->usesWatcher())
                                              sequence_.push_back(item.get());
                                      if (placement == platform::NewItemPlacement::leftmost)
                                          std::reverse(sequence_.begin(), sequence_.end());
                                      awaitHost(pass);
                                  });
}

void StatusItemController::awaitHost(quint64 pass) {
    // A panel reads the items already registered when it starts, in an order of its own, and
    // adds those that register while it starts once more: items are told only once the panel
    // is there.
    QDBusMessage ask = QDBusMessage::createMethodCall(
        kWatcherService, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    ask << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(ask), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, pass](QDBusPendingCallWatcher* reply) {
                reply->deleteLater();
                if (pass != pass_)
                    return;
                const QDBusMessage answer = reply->reply();
                if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty()) {
                    // A watcher that owns its name before it answers on it.
                    if (++refusals_ < kTries) {
                        QTimer::singleShot(pause(refusals_), this,
                                           [this, pass] { awaitHost(pass); });
                        return;
                    }
                    qCWarning(log::ui) << "the status notifier watcher does not say whether a"
                                       << "panel uses it:" << reply->error().message();
                } else if (!answer.arguments().first().value<QDBusVariant>().variant().toBool()) {
                    hostAwaited_ = pass;
                    QTimer::singleShot(kHostWaitMs, this, [this, pass] {
                        if (hostAwaited_ == pass)
                            hostRegistered();
                    });
                    return;
                }
                panelReady(pass);
            });
}

void StatusItemController::hostRegistered() {
    if (hostAwaited_ == 0 || hostAwaited_ != pass_)
        return;
    hostAwaited_ = 0;
    panelReady(pass_);
}

void StatusItemController::panelReady(quint64 pass) {
    refusals_ = 0;
    if (!settle_) {
        registerNext(pass);
        return;
    }
    // A panel that has just started sets up its view after it registered with the watcher;
    // an item that arrives meanwhile can be shown twice, or out of turn.
    QTimer::singleShot(kPanelSettleMs, this, [this, pass] { registerNext(pass); });
}

void StatusItemController::registerNext(quint64 pass) {
    // One at a time, each after the watcher answered the one before: the items' connections
    // are separate, and calls sent together on several of them reach the watcher in any order.
    if (pass != pass_ || next_ >= sequence_.size())
        return;
    StatusItem* item = sequence_[next_];
    item->registerWithWatcher([this, pass, item](bool accepted) {
        if (pass != pass_)
            return;
        if (!accepted && ++refusals_ < kTries) {
            QTimer::singleShot(pause(refusals_), this, [this, pass] { registerNext(pass); });
            return;
        }
        if (!accepted)
            qCWarning(log::ui) << "the status notifier watcher refused item" << item->id() << kTries
                               << "times; it is not tried again until the watcher"
                               << "restarts or the items change";
        ++next_;
        refusals_ = 0;
        paceAfter(item, pass);
    });
}

void StatusItemController::paceAfter(StatusItem* item, quint64 pass) {
    // Panels fetch each new item's properties on their own, and some add the item to their
    // view only then, in whichever order the fetches end: the next item follows once the
    // panel has read this one and gone quiet, or after a bound when no panel reads it.
    paced_ = item;
    pacedPass_ = pass;
    pacedSince_.start();
    pace_.start(kPaceMs);
}

void StatusItemController::imageRead() {
    if (pacedPass_ != pass_ || !pace_.isActive())
        return;
    const qint64 left = kPaceMs - pacedSince_.elapsed();
    if (left > kQuietMs)
        pace_.start(kQuietMs);
}

void StatusItemController::paced() {
    paced_ = nullptr;
    registerNext(pacedPass_);
}

void StatusItemController::refresh() {
    const Config& config = settings_.config();
    if (entries_.empty())
        return;
    const ModuleKind leftmost = entries_.front().kind;
    for (const Entry& entry : entries_) {
        const ModuleConfig module = itemModule(config, entry.kind);
        std::vector<MenuBarPart> parts = MenuBarContent::parts(module, hub_, config);
        // Only a tray slot shows the square face; an item on a watcher is spared drawing it.
        if (entry.item->usesTrayIcon())
            entry.item->setSquareFace(squareFace(module, parts, hub_, config));
        // The keep-awake state shows as a cup at the left edge of the leftmost item.
        if (hub_.keepAwake.isActive && entry.kind == leftmost)
            parts.insert(parts.begin(), MenuBarSymbol{kCup, false});
        entry.item->setImage(MenuBarRenderer::image(std::move(parts), config.monochrome));
    }
}

void StatusItemController::toggleDropdown(ModuleKind kind) {
    if (entries_.empty())
        return;
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [kind](const Entry& e) { return e.kind == kind; });
    const Entry& chosen = found != entries_.end() ? *found : entries_.front();
    if (dropdown_.toggle)
        dropdown_.toggle(kind, anchor(chosen.item));
}

QRect StatusItemController::anchor(const StatusItem* item) const {
    const auto found = anchors_.find(item);
    if (found != anchors_.end())
        return found->second;
    const QScreen* screen = QGuiApplication::primaryScreen();
    return defaultAnchor(screen ? screen->availableGeometry() : QRect());
}

void StatusItemController::fillContextMenu(QMenu& menu) {
    const KeepAwake& keepAwake = hub_.keepAwake;
    QMenu* durations = menu.addMenu(keepAwakeTitle(keepAwake));
    for (const KeepAwake::Duration duration : KeepAwake::allDurations)
        connect(durations->addAction(KeepAwake::label(duration)), &QAction::triggered, this,
                [this, duration] { startKeepAwake(duration); });
    if (keepAwake.isActive) {
        durations->addSeparator();
        connect(durations->addAction(QStringLiteral("Turn Off")), &QAction::triggered, this,
                [this] { stopKeepAwake(); });
    }
    menu.addSeparator();
    QAction* settings = menu.addAction(QStringLiteral("Morvanex Settings…"));
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(settings, &QAction::triggered, this, [] { AppActions::openSettings(); });
    if (checkForUpdates)
        connect(menu.addAction(QStringLiteral("Check for Updates…")), &QAction::triggered, this,
                [this] {
                    if (checkForUpdates)
                        checkForUpdates();
                });
    menu.addSeparator();
    QAction* quitAction = menu.addAction(QStringLiteral("Quit Morvanex"));
    quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quitAction, &QAction::triggered, this, [this] {
        if (quit)
            quit();
    });
}

void StatusItemController::startKeepAwake(KeepAwake::Duration duration) {
    hub_.keepAwake.activate(settings_.config().keepAwakeDisplay,
                            KeepAwake::endTime(duration, hub_.clock.now()));
}

void StatusItemController::stopKeepAwake() {
    hub_.keepAwake.stop(true);
}

} // namespace morvanex::ui
