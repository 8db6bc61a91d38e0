#include "ui/tray/StatusItemController.h"

#include "app/Hub.h"
#include "base/AppActions.h"
#include "base/AppSettings.h"
#include "ui/menubar/MenuBarContent.h"
#include "ui/menubar/MenuBarRenderer.h"
#include "ui/tray/StatusItemModules.h"
#include "ui/tray/TraySquare.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace morvanex::ui {

namespace {

const QString kCup = QStringLiteral("cup.and.saucer.fill");

} // namespace

StatusItemController::StatusItemController(Hub& hub, AppSettings& settings, DropdownHooks dropdown,
                                           QObject* parent)
    : QObject(parent), hub_(hub), settings_(settings), dropdown_(std::move(dropdown)) {}

StatusItemController::~StatusItemController() = default;

const std::vector<StatusItemController::Entry>& StatusItemController::entries() const {
    return entries_;
}

void StatusItemController::rebuild() {
    if (dropdown_.close)
        dropdown_.close();
    entries_.clear();
    anchors_.clear();
    awaiting_ = nullptr;
    restartRegistration_ = false;
    items_.clear();

    // Made last to first, and told to the watcher in that same sequence: hosts that put each
    // new item at the left then show them in the configured order, at the first start and
    // after every change alike.
    const std::vector<ModuleKind> shown = shownModules(settings_.config(), hub_.battery.present);
    for (auto kind = shown.rbegin(); kind != shown.rend(); ++kind) {
        auto item = std::make_unique<StatusItem>(itemId(*kind), itemTitle(*kind), busAddress,
                                                 StatusItem::Registration::onRequest);
        StatusItem* raw = item.get();
        connect(raw, &StatusItem::activated, this, [this, kind = *kind, raw](QRect anchor) {
            anchors_[raw] = anchor;
            if (dropdown_.toggle)
                dropdown_.toggle(kind, anchor);
        });
        connect(raw, &StatusItem::menuAboutToShow, this, [this] {
            if (dropdown_.close)
                dropdown_.close();
        });
        connect(raw, &StatusItem::registrationAnswered, this, [this, raw] {
            if (raw != awaiting_)
                return;
            registerFrom(std::exchange(restartRegistration_, false) ? 0 : nextToRegister_);
        });
        // A watcher that appears later (a panel restart) hears of every item again, in order.
        // Each item notices it on its own connection: the notices are gathered into one pass,
        // and a pass still waiting on an answer starts over once that answer is in.
        connect(raw, &StatusItem::watcherAppeared, this, [this] {
            if (restartRegistration_)
                return;
            restartRegistration_ = true;
            QTimer::singleShot(0, this, [this] {
                if (!awaiting_ && std::exchange(restartRegistration_, false))
                    registerFrom(0);
            });
        });
        raw->setMenuProvider([this](QMenu& menu) { fillContextMenu(menu); });
        items_.push_back(std::move(item));
        entries_.push_back(Entry{*kind, raw});
    }
    registerFrom(0);
    refresh();
}

void StatusItemController::registerFrom(std::size_t index) {
    // One at a time, each after the watcher answered the one before: the items' connections
    // are separate, and calls sent together on several of them reach the watcher in any order.
    awaiting_ = nullptr;
    for (; index < items_.size(); ++index) {
        StatusItem* item = items_[index].get();
        if (!item->usesWatcher())
            continue;
        awaiting_ = item;
        nextToRegister_ = index + 1;
        item->registerWithWatcher();
        return;
    }
}

void StatusItemController::refresh() {
    const Config& config = settings_.config();
    if (entries_.empty())
        return;
    const ModuleKind leftmost = entries_.back().kind;
    for (const Entry& entry : entries_) {
        const ModuleConfig module = itemModule(config, entry.kind);
        std::vector<MenuBarPart> parts = MenuBarContent::parts(module, hub_, config);
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
    const Entry& chosen = found != entries_.end() ? *found : entries_.back();
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
