#include "ui/settings/ModuleRow.h"

#include "ui/kit/IconTile.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/settings/ModuleList.h"
#include "ui/settings/SettingsForm.h"
#include "ui/settings/SwitchToggle.h"

#include <QApplication>
#include <QComboBox>
#include <QDrag>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>

namespace morvanex::ui {

ModuleRow::ModuleRow(const ModuleConfig& module, std::function<void(const ModuleConfig&)> write,
                     bool showsHandle, Appearance appearance, QWidget* parent)
    : QWidget(parent), module_(module), write_(std::move(write)), showsHandle_(showsHandle) {
    setFixedHeight(32);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);

    auto* handle = new SymbolIcon(
        QStringLiteral("line.3.horizontal"), 11,
        showsHandle ? color(Tint::tertiaryText, appearance) : QColor(Qt::transparent), this);
    if (showsHandle)
        handle->setCursor(Qt::OpenHandCursor);
    layout->addWidget(handle, 0, Qt::AlignVCenter);
    layout->addWidget(new IconTile(ModuleList::tileSymbol(module.kind),
                                   ModuleList::tint(module.kind), 20, 5, 10, appearance, this),
                      0, Qt::AlignVCenter);
    name_ = formLabel(ModuleList::displayName(module.kind), 13,
                      module.enabled ? Tint::primaryText : Tint::secondaryText, appearance, this);
    layout->addWidget(name_, 0, Qt::AlignVCenter);
    layout->addSpacing(12);
    layout->addStretch(1);

    style_ = new QComboBox(this);
    style_->setAccessibleName(QStringLiteral("Style"));
    style_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    const std::vector<DisplayStyle> styles = ModuleList::styles(module.kind);
    int selected = -1;
    for (std::size_t i = 0; i < styles.size(); ++i) {
        style_->addItem(ModuleList::label(styles[i]));
        if (styles[i] == module.style)
            selected = int(i);
    }
    // A stored style the kind does not offer stays stored; nothing shows as chosen.
    style_->setCurrentIndex(selected);
    style_->setEnabled(module.enabled);
    layout->addWidget(style_, 0, Qt::AlignVCenter);
    connect(style_, &QComboBox::activated, this, [this, styles](int index) {
        if (index < 0 || std::size_t(index) >= styles.size())
            return;
        ModuleConfig changed = module_;
        changed.style = styles[std::size_t(index)];
        write_(changed);
    });

    toggle_ = new SwitchToggle(appearance, true, this);
    toggle_->setAccessibleName(QStringLiteral("Show ") + title(module.kind));
    toggle_->setChecked(module.enabled);
    layout->addWidget(toggle_, 0, Qt::AlignVCenter);
    connect(toggle_, &QAbstractButton::clicked, this, [this](bool on) {
        ModuleConfig changed = module_;
        changed.enabled = on;
        write_(changed);
    });
}

void ModuleRow::mousePressEvent(QMouseEvent* event) {
    pressed_ = showsHandle_ && event->button() == Qt::LeftButton;
    pressedAt_ = event->position().toPoint();
    QWidget::mousePressEvent(event);
}

void ModuleRow::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_ || (event->position().toPoint() - pressedAt_).manhattanLength() <
                         QApplication::startDragDistance())
        return;
    pressed_ = false;
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setData(mimeType, rawValue(module_.kind).toUtf8());
    drag->setMimeData(mime);
    drag->setPixmap(grab());
    drag->setHotSpot(pressedAt_);
    drag->exec(Qt::MoveAction);
}

} // namespace morvanex::ui
