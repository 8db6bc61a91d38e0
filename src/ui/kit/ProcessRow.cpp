#include "ui/kit/ProcessRow.h"

#include "ui/kit/AppIconCache.h"
#include "ui/kit/Card.h"
#include "ui/kit/Fills.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/kit/TextLine.h"

#include <QBoxLayout>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <QToolButton>
#include <cmath>

namespace morvanex::ui {

std::vector<ProcessMenuEntry> processMenu(std::int32_t pid, const QString& name, bool hasLocation,
                                          const ProcessMenuPrograms& programs) {
    std::vector<ProcessMenuEntry> entries;
    if (ProcessActions::canQuit(pid, name)) {
        entries.push_back({ProcessAction::quit, QStringLiteral("Quit"), true});
        entries.push_back({ProcessAction::forceQuit, QStringLiteral("Force Quit…"), true});
    }
    std::vector<ProcessMenuEntry> handOver;
    if (programs.fileManager)
        handOver.push_back({ProcessAction::showInFinder,
                            QStringLiteral("Show in ") + *programs.fileManager, hasLocation});
    if (programs.systemMonitor)
        handOver.push_back({ProcessAction::openActivityMonitor,
                            QStringLiteral("Open ") + *programs.systemMonitor, true});
    if (!entries.empty() && !handOver.empty())
        entries.push_back({std::nullopt, QString(), true});
    entries.insert(entries.end(), handOver.begin(), handOver.end());
    return entries;
}

void runProcessAction(ProcessAction action, const ProcessSample& process,
                      const PanelActions& panelActions, const ProcessActionHooks& hooks) {
    // Copies first: closing the dropdown may destroy the row and the menu that hold the
    // arguments.
    const std::int32_t pid = process.pid;
    const QString name = process.name;
    const ProcessActionHooks act = hooks;
    const auto dismiss = [closeDropdown = panelActions.dismiss] {
        if (closeDropdown)
            closeDropdown();
    };
    switch (action) {
    case ProcessAction::quit:
        if (act.quit)
            act.quit(pid);
        break;
    case ProcessAction::forceQuit:
        dismiss();
        if (act.forceQuit)
            act.forceQuit(pid, name);
        break;
    case ProcessAction::showInFinder:
        dismiss();
        if (act.showInFinder)
            act.showInFinder(pid);
        break;
    case ProcessAction::openActivityMonitor:
        dismiss();
        if (act.openActivityMonitor)
            act.openActivityMonitor();
        break;
    }
}

QString processActionsLabel(const QString& name) {
    return QStringLiteral("Actions for ") + name;
}

namespace {

// The process's icon in an 18-point square, or a faint rounded square when it has none.
class ProcessIcon : public QWidget {
public:
    ProcessIcon(std::optional<QImage> image, Appearance appearance, QWidget* parent = nullptr)
        : QWidget(parent), image_(std::move(image)), appearance_(appearance) {
        setFixedSize(18, 18);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (image_) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(QRectF(rect()), *image_);
        } else {
            fillRoundedRect(painter, QRectF(rect()), 4, primaryFill(appearance_, 0.1));
        }
    }

private:
    std::optional<QImage> image_;
    Appearance appearance_;
};

// The usage bar under the name: a faint full-width capsule with the used part in colour.
class ProcessBar : public QWidget {
public:
    ProcessBar(double fraction, QColor color, Appearance appearance, QWidget* parent = nullptr)
        : QWidget(parent), fraction_(std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0),
          color_(color), appearance_(appearance) {
        setFixedHeight(3);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        fillCapsule(painter, QRectF(rect()), primaryFill(appearance_, 0.1));
        if (fraction_ > 0)
            fillCapsule(painter, QRectF(0, 0, width() * fraction_, height()), color_);
    }

private:
    double fraction_;
    QColor color_;
    Appearance appearance_;
};

// Paints the accent background of the highlighted row; lives in the row's parent, under it.
class HighlightBackground : public QWidget {
public:
    HighlightBackground(Appearance appearance, QWidget* parent)
        : QWidget(parent), appearance_(appearance) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        fillRoundedRect(painter, QRectF(rect()), 6,
                        withOpacity(color(Tint::accent, appearance_), 0.18));
    }

private:
    Appearance appearance_;
};

} // namespace

// The figure at the trailing edge and the actions button laid over it: the figure keeps its
// place while hidden, the button sits at the same trailing edge.
class ValueSlot : public QWidget {
public:
    ValueSlot(const QString& value, QToolButton* button, Appearance appearance, QWidget* parent)
        : QWidget(parent), value_(value), button_(button), appearance_(appearance) {
        button_->setParent(this);
        button_->hide();
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    bool showsValue() const { return !hovering_; }
    void setValue(const QString& value) {
        if (value == value_)
            return;
        value_ = value;
        updateGeometry();
        update();
    }
    void setHovering(bool hovering) {
        hovering_ = hovering;
        button_->setVisible(hovering);
        update();
    }

    QSize sizeHint() const override {
        const QFontMetricsF metrics(font());
        const QSize button = button_->sizeHint();
        return {std::max(int(std::ceil(metrics.horizontalAdvance(value_))) + 1, button.width()),
                std::max(int(std::ceil(metrics.height())), button.height())};
    }

protected:
    void resizeEvent(QResizeEvent*) override {
        const QSize button = button_->sizeHint();
        button_->setGeometry(width() - button.width(), (height() - button.height()) / 2,
                             button.width(), button.height());
    }
    void paintEvent(QPaintEvent*) override {
        if (hovering_)
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setPen(color(Tint::primaryText, appearance_));
        painter.drawText(QRectF(rect()), Qt::AlignRight | Qt::AlignVCenter, value_);
    }

private:
    QString value_;
    QToolButton* button_;
    Appearance appearance_;
    bool hovering_ = false;
};

ProcessRow::ProcessRow(const ProcessSample& process, const QString& value,
                       std::optional<double> fraction, Tint barColor, const PanelEnv& env,
                       QWidget* parent)
    : QWidget(parent), process_(process), env_(env) {
    setAttribute(Qt::WA_Hover);
    setFont(Fonts::font(13));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);

    auto* line = new QWidget;
    line->setMinimumHeight(19);
    auto* main = new QHBoxLayout(line);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(8);
    main->addWidget(new ProcessIcon(AppIconCache::shared().icon(process.pid), env.appearance), 0,
                    Qt::AlignVCenter);
    name_ = new TextLine(process.name, Fonts::font(13), env.color(Tint::primaryText));
    main->addWidget(name_, 0, Qt::AlignVCenter);
    addFlexibleSpace(main, 8);

    button_ = new QToolButton;
    button_->setAutoRaise(true);
    button_->setPopupMode(QToolButton::InstantPopup);
    button_->setIcon(
        SymbolIcon::icon(QStringLiteral("ellipsis.circle"), 13, env.color(Tint::secondaryText)));
    button_->setIconSize(QSize(15, 15));
    button_->setStyleSheet(
        QStringLiteral("QToolButton { border: none; padding: 0; background: transparent; }"
                       "QToolButton::menu-indicator { image: none; width: 0; }"));
    button_->setAccessibleName(processActionsLabel(process.name));
    button_->setToolTip(processActionsLabel(process.name));
    button_->setMenu(makeMenu(button_));
    connect(button_->menu(), &QMenu::aboutToShow, this, [this] { menuOpen_ = true; });
    connect(button_->menu(), &QMenu::aboutToHide, this, [this] {
        menuOpen_ = false;
        setHovering(underMouse());
    });

    slot_ = new ValueSlot(value, button_, env.appearance, line);
    slot_->setFont(Fonts::font(13, QFont::Medium));
    main->addWidget(slot_, 0, Qt::AlignVCenter | Qt::AlignRight);
    column->addWidget(line);

    if (fraction) {
        auto* barLine = new QHBoxLayout;
        barLine->setContentsMargins(26, 0, 0, 0);
        hasBar_ = true;
        barLine->addWidget(new ProcessBar(*fraction, env.color(barColor), env.appearance));
        column->addLayout(barLine);
    }
}

bool ProcessRow::setReading(const ProcessSample& process, const QString& value) {
    if (hasBar_ || process.pid != process_.pid || process.name != process_.name)
        return false;
    process_ = process;
    slot_->setValue(value);
    return true;
}

ProcessRow::~ProcessRow() {
    delete highlight_.data();
}

bool ProcessRow::isHighlighted() const {
    return env_.highlightedProcess && *env_.highlightedProcess == process_.pid;
}

bool ProcessRow::showsValue() const {
    return slot_->showsValue();
}

QMenu* ProcessRow::makeMenu(QWidget* parent) const {
    auto* menu = new QMenu(parent);
    // Rebuilt each time it opens: whether the process still has a place on disk can change.
    const auto fill = [menu, process = process_, env = env_] {
        menu->clear();
        const bool hasLocation =
            env.processActions.hasLocation && env.processActions.hasLocation(process.pid);
        const auto name = [&env](platform::SystemLink link) {
            return env.linkName ? env.linkName(link) : std::nullopt;
        };
        const ProcessMenuPrograms programs{name(platform::SystemLink::fileManager),
                                           name(platform::SystemLink::systemMonitor)};
        for (const ProcessMenuEntry& entry :
             processMenu(process.pid, process.name, hasLocation, programs)) {
            if (!entry.action) {
                menu->addSeparator();
                continue;
            }
            QAction* item = menu->addAction(entry.title);
            item->setEnabled(entry.enabled);
            const ProcessAction action = *entry.action;
            QObject::connect(item, &QAction::triggered, menu, [action, process, env] {
                runProcessAction(action, process, env.panelActions, env.processActions);
            });
        }
    };
    fill();
    connect(menu, &QMenu::aboutToShow, menu, fill);
    return menu;
}

void ProcessRow::setHovering(bool hovering) {
    hovering = hovering || menuOpen_;
    if (hovering == hovering_)
        return;
    hovering_ = hovering;
    slot_->setHovering(hovering);
}

void ProcessRow::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    setHovering(true);
}

void ProcessRow::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setHovering(false);
}

void ProcessRow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = makeMenu(this);
    if (menu->actions().isEmpty()) { // nothing to offer for this process on this machine
        delete menu;
        return;
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void ProcessRow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    syncHighlight();
}

void ProcessRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    syncHighlight();
}

void ProcessRow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    syncHighlight();
}

void ProcessRow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (highlight_)
        highlight_->hide();
}

void ProcessRow::syncHighlight() {
    // The background reaches beyond the row, so it is drawn by a sibling under the row.
    if (!isHighlighted() || !parentWidget())
        return;
    if (highlight_ && highlight_->parentWidget() != parentWidget())
        delete highlight_.data();
    if (!highlight_)
        highlight_ = new HighlightBackground(env_.appearance, parentWidget());
    highlight_->setGeometry(geometry().adjusted(-highlightOutsetX, -highlightOutsetY,
                                                highlightOutsetX, highlightOutsetY));
    highlight_->stackUnder(this);
    highlight_->setVisible(isVisible());
}

ProcessCard::ProcessCard(const QString& title, const std::optional<QString>& trailing,
                         const std::vector<std::pair<ProcessSample, QString>>& rows,
                         const QString& emptyText, const PanelEnv& env, QWidget* parent)
    : QWidget(parent) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new Card(6, env.appearance);
    outer->addWidget(card);
    card->add(new CardHeader(title, trailing, nullptr, env.appearance));
    if (rows.empty()) {
        empty_ = new TextLine(emptyText, Fonts::font(13), env.color(Tint::tertiaryText));
        card->add(empty_);
    }
    for (const auto& [process, value] : rows)
        card->add(new ProcessRow(process, value, std::nullopt, Tint::blue, env));
}

bool ProcessCard::setRows(const std::vector<std::pair<ProcessSample, QString>>& rows) {
    const std::vector<ProcessRow*> shown = this->rows();
    if (shown.size() != rows.size() || (empty_ != nullptr) != rows.empty())
        return false;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (shown[i]->process().pid != rows[i].first.pid ||
            shown[i]->process().name != rows[i].first.name)
            return false;
    for (std::size_t i = 0; i < rows.size(); ++i)
        shown[i]->setReading(rows[i].first, rows[i].second);
    return true;
}

std::vector<ProcessRow*> ProcessCard::rows() const {
    const auto found = findChildren<ProcessRow*>();
    return {found.begin(), found.end()};
}

} // namespace morvanex::ui
