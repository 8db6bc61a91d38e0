#include "ui/tray/AppDelegate.h"

#include "app/HotKeys.h"
#include "app/Hub.h"
#include "base/AppActions.h"
#include "base/AppSettings.h"
#include "platform/Notifier.h"
#include "ui/kit/AppearanceMode.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/menubar/MenuBarPreviewImages.h"
#include "ui/settings/SettingsPanes.h"
#include "ui/settings/SettingsView.h"
#include "ui/tray/AppShutdown.h"
#include "ui/tray/DropdownController.h"
#include "ui/tray/HotKeyActions.h"
#include "ui/tray/MainMenu.h"
#include "ui/tray/PanelRoot.h"
#include "ui/tray/SettingsReactions.h"
#include "ui/tray/StatusItemController.h"
#include "ui/tray/Updater.h"

#include <QApplication>
#include <QEvent>
#include <QLayout>
#include <QMenuBar>
#include <QTimer>

namespace morvanex::ui {

AppDelegate::AppDelegate(AppSettings& settings, MakeHub makeHub, QObject* parent)
    : QObject(parent), settings_(settings), makeHub_(std::move(makeHub)) {}

AppDelegate::~AppDelegate() {
    AppActions::openSettings = [] {};
    HotKeyCenter::shared().onTrigger = nullptr;
    if (settingsWindow_) {
        // The window's own teardown sends events (children leaving) through its filters while
        // it is no longer a SettingsView; this filter must not see them.
        settingsWindow_->removeEventFilter(this);
        delete settingsWindow_.data();
    }
}

Hub& AppDelegate::hub() {
    if (!hub_)
        hub_ = makeHub_ ? makeHub_(settings_) : std::make_unique<Hub>(settings_);
    return *hub_;
}

void AppDelegate::applicationDidFinishLaunching() {
    apply(currentAppearanceMode());
    // Rules, events and insights reach the desktop's notifications from here on.
    Notifier::shared().setup();

    QPointer<AppDelegate> self(this);
    AppActions::openSettings = [self] {
        if (self)
            self->showSettings();
    };

    Hub& live = hub();
    AppSettings* settings = &settings_;
    dropdown_ = std::make_unique<DropdownController>(
        [&live, settings](ModuleKind kind, PanelActions actions,
                          std::function<void(double)> onHeightChange) -> QWidget* {
            PanelEnv env;
            env.hub = &live;
            env.settings = settings;
            env.panelActions = std::move(actions);
            env.appearance = currentAppearance();
            return new PanelRoot(kind, std::move(env), std::move(onHeightChange));
        });
    dropdown_->openSettings = [] { AppActions::openSettings(); };
    DropdownController* dropdown = dropdown_.get();
    statusController_ = std::make_unique<StatusItemController>(
        live, settings_,
        DropdownHooks{[dropdown](ModuleKind kind, QRect anchor) { dropdown->toggle(kind, anchor); },
                      [dropdown] { dropdown->close(); }});
    Updater& updater = Updater::shared();
    if (updater.hasFeed())
        statusController_->checkForUpdates = [&updater] {
            if (UpdaterController* controller = updater.controller())
                controller->checkForUpdates();
        };
    updater.hooks = {[self](ActivationPolicy policy) {
                         if (self)
                             self->policy_.setPolicy(policy);
                     },
                     [self] {
                         if (self)
                             self->policy_.activate();
                     },
                     &Updater::settingsWindowShowing};

    StatusItemController* items = statusController_.get();
    connect(&live, &Hub::ticked, items, [items] { items->refresh(); });
    subscribeSettingsReactions(settings_, this, live,
                               {[items] { items->rebuild(); }, [items] { items->refresh(); },
                                [](const std::map<QString, HotKey>& table) {
                                    applyHotKeys(HotKeyCenter::shared(), table);
                                }});

    live.start(Hub::Mode::application);
    items->rebuild();
    if (updater.hasFeed())
        if (UpdaterController* controller = updater.controller())
            controller->startUpdater();

    HotKeyCenter& center = HotKeyCenter::shared();
    center.onTrigger = hotKeyHandler(live,
                                     {[self] {
                                          if (self)
                                              self->showSettings();
                                      },
                                      [self](ModuleKind kind) {
                                          if (self && self->statusController_)
                                              self->statusController_->toggleDropdown(kind);
                                      }},
                                     this);
    applyHotKeys(center, settings_.config().hotKeys);
}

void AppDelegate::applicationShouldHandleReopen() {
    showSettings();
}

void AppDelegate::applicationWillTerminate() {
    if (terminated_)
        return;
    terminated_ = true;
    if (dropdown_)
        dropdown_->close();
    if (hub_)
        shutDown(*hub_);
}

void AppDelegate::showAbout() {
    PanelDefaults::shared().setValue(PanelKeys::settingsPane, QStringLiteral("about"));
    showSettings();
}

void AppDelegate::buildSettingsWindow() {
    SettingsEnv env;
    env.panel.hub = &hub();
    env.panel.settings = &settings_;
    env.panel.appearance = currentAppearance();
    settingsAppearance_ = env.panel.appearance;
    env.menuBarPreview = menuBarPreviewImages();
    auto* view = new SettingsView(std::move(env), PanelDefaults::shared());
    view->setObjectName(Updater::settingsWindowName);
    view->setAttribute(Qt::WA_DeleteOnClose, false);

    QPointer<AppDelegate> self(this);
    QPointer<SettingsView> window(view);
    MainMenuActions actions;
    actions.about = [self] {
        if (self)
            self->showAbout();
    };
    if (Updater::shared().hasFeed())
        actions.checkForUpdates = [] {
            if (UpdaterController* controller = Updater::shared().controller())
                controller->checkForUpdates();
        };
    actions.settings = [self] {
        if (self)
            self->showSettings();
    };
    actions.quit = [] { QCoreApplication::quit(); };
    actions.close = [window] {
        if (window)
            window->close();
    };
    actions.minimize = [window] {
        if (window)
            window->showMinimized();
    };
    // The main menu shows only while the settings window is open: it is that window's bar.
    view->layout()->setMenuBar(makeMainMenu(actions, view));
    view->restoreWindowGeometry();
    view->installEventFilter(this);
    settingsWindow_ = view;
}

void AppDelegate::showSettings() {
    if (!settingsWindow_)
        buildSettingsWindow();
    policy_.setPolicy(ActivationPolicy::regular);
    policy_.activate();
    settingsWindow_->showNormal();
    settingsWindow_->raise();
    settingsWindow_->activateWindow();
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
    // The event type first: reading the window pointer casts to the window's class, which a
    // window in its own teardown no longer is.
    const QEvent::Type type = event->type();
    if (type != QEvent::Close && type != QEvent::ApplicationPaletteChange)
        return QObject::eventFilter(watched, event);
    if (watched == settingsWindow_) {
        // Closing the window only hides it; the same window serves the next opening.
        if (type == QEvent::Close)
            policy_.setPolicy(ActivationPolicy::accessory);
        // The window draws in the appearance it was made with: a change (the user's choice on
        // the General pane, or the desktop's scheme) makes it anew, once control is back in
        // the event loop, since the click that chose it is still running inside the window.
        if (type == QEvent::ApplicationPaletteChange && currentAppearance() != settingsAppearance_)
            QTimer::singleShot(0, this, [this] { remakeSettingsWindow(); });
    }
    return QObject::eventFilter(watched, event);
}

void AppDelegate::remakeSettingsWindow() {
    if (!settingsWindow_ || currentAppearance() == settingsAppearance_)
        return;
    const QByteArray geometry = settingsWindow_->saveGeometry();
    const bool visible = settingsWindow_->isVisible();
    SettingsView* old = settingsWindow_;
    old->removeEventFilter(this);
    old->hide();
    old->deleteLater();
    buildSettingsWindow();
    settingsWindow_->restoreGeometry(geometry);
    if (visible) {
        settingsWindow_->show();
        settingsWindow_->raise();
        settingsWindow_->activateWindow();
    }
}

} // namespace morvanex::ui
