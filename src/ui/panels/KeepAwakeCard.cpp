#include "ui/panels/KeepAwakeCard.h"

#include "app/Hub.h"
#include "ui/kit/Fills.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/kit/Symbols.h"
#include "ui/kit/TextLine.h"
#include "ui/panels/KeepAwakeTexts.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QMenu>
#include <QPainter>
#include <QToolButton>

namespace morvanex::ui {

namespace {

// A small checkbox drawn in the panel's own colours in both appearances: a rounded square,
// filled with the accent colour and a white check mark while on, then its title.
class SmallCheckBox : public QCheckBox {
public:
    SmallCheckBox(const QString& title, Appearance appearance)
        : QCheckBox(title), appearance_(appearance) {
        setFont(Fonts::font(11));
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        return {int(box + gap + metrics.horizontalAdvance(text()) + 1),
                std::max(int(box), metrics.height())};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF square(0.5, (height() - box) / 2 + 0.5, box - 1, box - 1);
        if (isChecked()) {
            fillRoundedRect(painter, square, 3, color(Tint::accent, appearance_));
            const QRectF mark = square.adjusted(2.5, 2.5, -2.5, -2.5);
            Symbols::draw(painter, QStringLiteral("checkmark"), mark,
                          Symbols::Paint::monochrome(Qt::white));
        } else {
            painter.setPen(QPen(color(Tint::tertiaryText, appearance_), 1));
            painter.setBrush(primaryFill(appearance_, 0.06));
            painter.drawRoundedRect(square, 3, 3);
        }
        painter.setPen(color(Tint::primaryText, appearance_));
        painter.setFont(font());
        painter.drawText(QRectF(box + gap, 0, width() - box - gap, height()),
                         Qt::AlignLeft | Qt::AlignVCenter, text());
    }

private:
    static constexpr double box = 13;
    static constexpr double gap = 6;
    Appearance appearance_;
};

// The duration menu's button: its title on a faint rounded fill.
QString menuButtonStyle(Appearance appearance) {
    const QColor text = color(Tint::primaryText, appearance);
    const QColor fill = primaryFill(appearance, 0.10);
    const QColor hover = primaryFill(appearance, 0.16);
    return QStringLiteral("QToolButton { color: %1; background: %2; border: none;"
                          " border-radius: 5px; padding: 2px 10px; }"
                          "QToolButton:hover { background: %3; }"
                          "QToolButton::menu-indicator { image: none; width: 0; }")
        .arg(text.name(QColor::HexArgb), fill.name(QColor::HexArgb), hover.name(QColor::HexArgb));
}

} // namespace

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
        menuButton_->setCursor(Qt::PointingHandCursor);
        menuButton_->setStyleSheet(menuButtonStyle(appearance));
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
        checkbox_ = new SmallCheckBox(keepawake::checkboxTitle, appearance);
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
