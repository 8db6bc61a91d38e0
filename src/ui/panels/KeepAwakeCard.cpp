#include "ui/panels/KeepAwakeCard.h"

#include "app/Hub.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/kit/TextLine.h"
#include "ui/panels/KeepAwakeTexts.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QMenu>
#include <QToolButton>

namespace morvanex::ui {

KeepAwakeCard::KeepAwakeCard(const PanelEnv& env, QWidget* parent)
    : Card(8, env.appearance, parent), env_(env) {
    content_ = new PanelSection;
    add(content_);
    refresh();
    connect(env_.hub, &Hub::changed, this, [this] { refresh(); });
    env_.settings->addObserver(this, [this](const Config& old, const Config& now) {
        if (old.keepAwakeDisplay != now.keepAwakeDisplay)
            refresh();
    });
}

void KeepAwakeCard::refresh() {
    const KeepAwake& keepAwake = env_.hub->keepAwake;
    const Model model{keepAwake.isActive, keepAwake.statusText(),
                      env_.settings->config().keepAwakeDisplay, env_.previewOverrides.isPreview};
    if (last_.changed(model))
        content_->setContent(build(model));
}

QWidget* KeepAwakeCard::build(const Model& model) {
    const Appearance appearance = env_.appearance;
    menuButton_ = nullptr;
    checkbox_ = nullptr;
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    auto* cup = new SymbolIcon(keepawake::symbolName(model.active), 15,
                               color(keepawake::symbolTint(model.active), appearance));
    cup->setFixedWidth(22);
    row->addWidget(cup, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->addWidget(new TextLine(keepawake::title, Fonts::font(13, QFont::Medium),
                                  color(Tint::primaryText, appearance)));
    texts->addWidget(
        new TextLine(model.status, Fonts::font(11), color(Tint::secondaryText, appearance)));
    row->addLayout(texts);
    addFlexibleSpace(row, 8);

    if (keepawake::controlIsText(model.isPreview, model.active)) {
        row->addWidget(new TextLine(keepawake::controlTitle(true), Fonts::font(13),
                                    color(Tint::secondaryText, appearance)),
                       0, Qt::AlignVCenter);
    } else {
        menuButton_ = new QToolButton;
        menuButton_->setText(keepawake::controlTitle(model.active));
        menuButton_->setFont(Fonts::font(11));
        menuButton_->setPopupMode(QToolButton::InstantPopup);
        menuButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
        auto* menu = new QMenu(menuButton_);
        menu->setFont(Fonts::font(13));
        KeepAwake* keepAwake = &env_.hub->keepAwake;
        AppSettings* settings = env_.settings;
        const platform::Clock* clock = &env_.hub->clock;
        for (const KeepAwake::Duration duration : KeepAwake::allDurations)
            menu->addAction(KeepAwake::label(duration), [keepAwake, settings, clock, duration] {
                keepawake::choose(*keepAwake, settings->config().keepAwakeDisplay, duration,
                                  clock->now());
            });
        if (model.active) {
            menu->addSeparator();
            menu->addAction(keepawake::turnOffTitle, [keepAwake] { keepAwake->stop(true); });
        }
        menuButton_->setMenu(menu);
        row->addWidget(menuButton_, 0, Qt::AlignVCenter);
    }
    column->addLayout(row);

    switch (keepawake::below(model.isPreview, model.active, model.keepDisplay)) {
    case keepawake::Below::nothing:
        break;
    case keepawake::Below::displayText: {
        auto* line = new TextLine(keepawake::displayText(model.keepDisplay), Fonts::font(11),
                                  color(Tint::secondaryText, appearance));
        line->setContentsMargins(32, 0, 0, 0);
        column->addWidget(line);
        break;
    }
    case keepawake::Below::checkbox: {
        checkbox_ = new QCheckBox(keepawake::checkboxTitle);
        checkbox_->setFont(Fonts::font(11));
        QPalette palette = checkbox_->palette();
        palette.setColor(QPalette::WindowText, color(Tint::primaryText, appearance));
        checkbox_->setPalette(palette);
        checkbox_->setChecked(model.keepDisplay);
        KeepAwake* keepAwake = &env_.hub->keepAwake;
        AppSettings* settings = env_.settings;
        // Clicks only: the rebuild that follows sets the state without acting again.
        connect(checkbox_, &QCheckBox::clicked, this, [keepAwake, settings](bool checked) {
            keepawake::setKeepDisplay(*keepAwake, *settings, checked);
        });
        auto* indented = new QHBoxLayout;
        indented->setContentsMargins(32, 0, 0, 0);
        indented->addWidget(checkbox_);
        indented->addStretch(1);
        column->addLayout(indented);
        break;
    }
    }
    return content;
}

} // namespace morvanex::ui
