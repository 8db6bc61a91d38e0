#include "ui/kit/PanelFooter.h"

#include "ui/kit/Fills.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/HoverClick.h"
#include "ui/kit/TextLine.h"

#include <QBoxLayout>
#include <QPainter>

namespace morvanex::ui {

MenuRow::MenuRow(FooterItem item, Appearance appearance, QWidget* parent)
    : QWidget(parent), item_(std::move(item)), appearance_(appearance) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(item_.title);
    pointer_ = new HoverClick(this, [this] {
        if (item_.action)
            item_.action();
    });
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 5, 8, 5);
    row->setSpacing(8);
    row->addWidget(new TextLine(item_.title, Fonts::font(13), color(Tint::primaryText, appearance)),
                   0, Qt::AlignVCenter);
    row->addStretch(1);
    if (item_.shortcut) {
        shortcut_ =
            new TextLine(*item_.shortcut, Fonts::font(13), color(Tint::tertiaryText, appearance));
        row->addWidget(shortcut_, 0, Qt::AlignVCenter);
    }
}

bool MenuRow::isHovering() const {
    return pointer_->isHovering();
}

void MenuRow::paintEvent(QPaintEvent*) {
    if (!isHovering())
        return;
    QPainter painter(this);
    fillRoundedRect(painter, QRectF(rect()), 6, primaryFill(appearance_, 0.08));
}

namespace {

class FooterDivider : public QWidget {
public:
    explicit FooterDivider(Appearance appearance) : appearance_(appearance) {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect().adjusted(4, 0, -4, 0), color(Tint::separator, appearance_));
    }

private:
    Appearance appearance_;
};

} // namespace

PanelFooter::PanelFooter(const std::vector<FooterItem>& items, Appearance appearance,
                         QWidget* parent)
    : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(new FooterDivider(appearance));
    auto* menu = new QVBoxLayout;
    menu->setSpacing(0);
    for (const FooterItem& item : items) {
        auto* row = new MenuRow(item, appearance);
        rows_.push_back(row);
        menu->addWidget(row);
    }
    column->addLayout(menu);
}

} // namespace morvanex::ui
