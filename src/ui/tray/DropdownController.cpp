#include "ui/tray/DropdownController.h"

#include "platform/Log.h"
#include "ui/tray/DropdownPanel.h"
#include "ui/tray/DropdownPlacement.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <cmath>
#include <utility>

namespace morvanex::ui {

static_assert(DropdownPanel::panelWidth == DropdownMetrics::width, "one dropdown width");

namespace {

QWidget* widgetOf(const QWindow* window) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowHandle() == window)
            return widget;
    }
    return nullptr;
}

// Menus and combo-box lists pop up over whatever opened them and go away by themselves; a press
// or a focus change in one says nothing about the dropdown.
bool isPopup(Qt::WindowType type) {
    return type == Qt::Popup || type == Qt::ToolTip;
}

enum class DropdownKey { none, escape, settings };

// Escape whatever the modifiers; Ctrl+"," with Control alone (Ctrl stands in for Command).
DropdownKey dropdownKey(const QKeyEvent& event) {
    if (event.key() == Qt::Key_Escape)
        return DropdownKey::escape;
    const Qt::KeyboardModifiers modifiers =
        event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier |
                             Qt::MetaModifier | Qt::KeypadModifier);
    if (event.key() == Qt::Key_Comma && modifiers == Qt::ControlModifier)
        return DropdownKey::settings;
    return DropdownKey::none;
}

} // namespace

DropdownController::DropdownController(DropdownContentFactory factory, QObject* parent)
    : QObject(parent), visibleFrame([](QRect anchor) { return visibleFrameFor(anchor); }),
      factory_(std::move(factory)) {}

DropdownController::~DropdownController() {
    removeMonitors();
    // panel_ goes with the controller; nothing of the panel's is running at this point.
}

void DropdownController::toggle(ModuleKind kind, QRect anchor) {
    // A click on the open item's own icon first reaches us as a press outside the panel (or as
    // the panel losing the focus) and closes it; the item's toggle that follows would reopen
    // it. That toggle is the same click, so it is spent here and the dropdown stays closed.
    if (const std::optional<OutsideClose> closed = std::exchange(lastOutsideClose_, std::nullopt);
        closed && !panel_ && closed->kind == kind && now() - closed->at <= reopenGuard) {
        return;
    }
    if (panel_ && panel_->isVisible() && kind_ == kind) {
        close();
        return;
    }
    show(kind, anchor);
}

void DropdownController::show(ModuleKind kind, QRect anchor) {
    closeFor(Cause::request);
    lastOutsideClose_.reset();
    kind_ = kind;
    anchor_ = anchor;

    panel_ = std::make_unique<DropdownPanel>();
    DropdownPanel* panel = panel_.get();
    const quint64 generation = ++generation_;
    const QPointer<DropdownController> self(this);
    // Callbacks of a closed panel's content (its panel may still be awaiting deletion) never
    // reach the one open now.
    const auto closeThis = [self, generation] {
        if (self && self->generation_ == generation)
            self->close();
    };
    panel->onCancel = closeThis;

    PanelActions actions;
    actions.dismiss = closeThis;
    // Each panel starts from its own content's height, never from the previous panel's: the
    // first report while the content is being built, else its size hint, else the fallback.
    contentHeight_ = fallbackContentHeight;
    heightReported_ = false;
    building_ = true;
    QWidget* content = factory_ ? factory_(kind, actions,
                                           [self, generation](double height) {
                                               if (self && self->generation_ == generation)
                                                   self->report(height);
                                           })
                                : nullptr;
    building_ = false;
    if (content == nullptr) {
        qCWarning(log::ui) << "the dropdown's content factory gave no content for" << title(kind);
        closeFor(Cause::request);
        return;
    }
    if (!heightReported_) {
        const int hint = content->sizeHint().height();
        contentHeight_ = hint > 0 ? double(hint) : fallbackContentHeight;
    }

    panel->setContent(content);
    layout();
    // Laying the content out at its new size may make it report a new height.
    if (QLayout* contentLayout = content->layout())
        contentLayout->activate();
    layout();

    if (QGuiApplication::platformName().startsWith(QStringLiteral("wayland"))) {
        static bool told = false;
        if (!told) {
            told = true;
            qCInfo(log::ui) << "under Wayland the dropdown opens where the compositor puts it";
        }
    }
    panel->show(); // a new window: shown on top of the others
    panel->activateWindow();
    installMonitors();
}

void DropdownController::close() {
    closeFor(Cause::request);
}

void DropdownController::closeFor(Cause cause) {
    removeMonitors();
    if (panel_) {
        if (cause == Cause::outside && kind_)
            lastOutsideClose_ = OutsideClose{*kind_, now()};
        ++generation_;
        panel_->hide();
        // Closing often runs inside one of the panel's own event handlers (Escape, a footer
        // row's click): it is deleted once that handler has returned.
        panel_.release()->deleteLater();
    }
    kind_.reset();
    panelActivated_ = false;
}

bool DropdownController::isOpen() const {
    return panel_ != nullptr;
}

std::optional<ModuleKind> DropdownController::kind() const {
    return kind_;
}

QWidget* DropdownController::panel() const {
    return panel_.get();
}

void DropdownController::report(double height) {
    if (!std::isfinite(height) || height <= 0)
        return;
    if (building_) {
        contentHeight_ = height;
        heightReported_ = true;
        return;
    }
    if (std::abs(height - contentHeight_) <= 0.5)
        return;
    contentHeight_ = height;
    layout(); // the anchored edge stays where it is; the other follows the height
}

void DropdownController::layout() {
    if (!panel_)
        return;
    const QRect frame = visibleFrame ? visibleFrame(anchor_) : visibleFrameFor(anchor_);
    if (frame.isEmpty())
        return;
    panel_->setGeometry(dropdownFrame(anchor_, frame, contentHeight_));
}

void DropdownController::installMonitors() {
    if (monitoring_ || qApp == nullptr)
        return;
    monitoring_ = true;
    qApp->installEventFilter(this);
    focusConnection_ = connect(qGuiApp, &QGuiApplication::focusWindowChanged, this,
                               &DropdownController::focusChanged);
    // The panel may have got the focus while it was being shown.
    if (panel_ && panel_->windowHandle() != nullptr &&
        QGuiApplication::focusWindow() == panel_->windowHandle()) {
        panelActivated_ = true;
    }
}

void DropdownController::removeMonitors() {
    if (!monitoring_)
        return;
    monitoring_ = false;
    if (qApp != nullptr)
        qApp->removeEventFilter(this);
    disconnect(focusConnection_);
}

void DropdownController::focusChanged(QWindow* window) {
    if (!panel_)
        return;
    if (window != nullptr) {
        if (isPopup(window->type()))
            return;
        const QWidget* widget = widgetOf(window);
        if (window == panel_->windowHandle() || (widget != nullptr && belongsToPanel(widget))) {
            panelActivated_ = true;
            return;
        }
    }
    // Until the panel has had the focus its absence means nothing: the dropdown is often
    // shown while another application is active, and the focus arrives a moment later.
    if (!panelActivated_)
        return;
    closeFor(Cause::outside);
}

bool DropdownController::belongsToPanel(const QWidget* widget) const {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (w == panel_.get())
            return true;
    }
    return false;
}

void DropdownController::pressed(QObject* receiver) {
    if (!panel_ || !receiver->isWidgetType())
        return; // the widget the press goes to is told right after its window
    const auto* widget = static_cast<const QWidget*>(receiver);
    const QWidget* window = widget->window();
    if (isPopup(window->windowType()))
        return;
    // Our own tray icon (where no status-item host runs): its click decides.
    if (window->inherits("QSystemTrayIconSys"))
        return;
    if (belongsToPanel(widget))
        return;
    closeFor(Cause::outside);
}

bool DropdownController::keyPressed(const QKeyEvent& event) {
    const DropdownKey key = dropdownKey(event);
    if (key == DropdownKey::none || !claimsKeys())
        return false;
    const std::function<void()> open = openSettings;
    closeFor(Cause::request);
    if (key == DropdownKey::settings && open)
        open();
    return true;
}

bool DropdownController::claimsKeys() const {
    // An open menu takes its own Escape.
    return panel_ && panel_->isVisible() && QApplication::activePopupWidget() == nullptr;
}

bool DropdownController::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
        pressed(watched);
        return false; // the press goes on to where it was going
    case QEvent::ShortcutOverride: {
        // A shortcut elsewhere in the application must not take our keys first: claiming the
        // override makes them arrive as key presses.
        if (dropdownKey(*static_cast<QKeyEvent*>(event)) != DropdownKey::none && claimsKeys())
            event->accept();
        return false;
    }
    case QEvent::KeyPress:
        return keyPressed(*static_cast<QKeyEvent*>(event));
    default:
        return false;
    }
}

} // namespace morvanex::ui
