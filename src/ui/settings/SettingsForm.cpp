#include "ui/settings/SettingsForm.h"

#include "ui/kit/AppearanceMode.h"
#include "ui/kit/Fonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace morvanex::ui {
namespace {

// The card's rounded background and outline, painted rather than styled so that both
// appearances draw in one process.
class Card : public QFrame {
public:
    Card(Appearance appearance, QWidget* parent) : QFrame(parent), appearance_(appearance) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(color(Tint::separator, appearance_), 1));
        painter.setBrush(color(Tint::cardBackground, appearance_));
        painter.drawRoundedRect(r, 8, 8);
    }

private:
    Appearance appearance_;
};

class Hairline : public QWidget {
public:
    Hairline(Appearance appearance, QWidget* parent) : QWidget(parent), appearance_(appearance) {
        setFixedHeight(1);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(QRectF(12, 0, width() - 24, 1), color(Tint::separator, appearance_));
    }

private:
    Appearance appearance_;
};

} // namespace

QLabel* formLabel(const QString& text, double pixelSize, Tint tint, Appearance appearance,
                  QWidget* parent, bool wrap) {
    auto* label = new QLabel(text, parent);
    label->setFont(Fonts::font(pixelSize));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color(tint, appearance));
    palette.setColor(QPalette::Text, color(tint, appearance));
    label->setPalette(palette);
    label->setWordWrap(wrap);
    label->setTextFormat(Qt::PlainText);
    return label;
}

FormSection::FormSection(const QString& header, Appearance appearance, QWidget* parent)
    : QWidget(parent), appearance_(appearance) {
    outer_ = new QVBoxLayout(this);
    outer_->setContentsMargins(0, 0, 0, 0);
    outer_->setSpacing(6);
    if (!header.isEmpty()) {
        QLabel* title = formLabel(header, 13, Tint::primaryText, appearance, this);
        title->setFont(Fonts::font(13, QFont::DemiBold));
        title->setContentsMargins(4, 0, 4, 0);
        outer_->addWidget(title);
    }
    card_ = new Card(appearance, this);
    rows_ = new QVBoxLayout(card_);
    rows_->setContentsMargins(0, 2, 0, 2);
    rows_->setSpacing(0);
    outer_->addWidget(card_);
}

QWidget* FormSection::addRow(QWidget* content) {
    if (rows_->count() > 0)
        rows_->addWidget(new Hairline(appearance_, card_));
    auto* row = new QWidget(card_);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(12, 6, 12, 6);
    row->setMinimumHeight(36);
    content->setParent(row);
    layout->addWidget(content);
    rows_->addWidget(row);
    return row;
}

QWidget* FormSection::addLabeledRow(const QString& label, QWidget* content) {
    auto* holder = new QWidget;
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(formLabel(label, 13, Tint::primaryText, appearance_, holder));
    layout->addStretch(1);
    content->setParent(holder);
    layout->addWidget(content);
    return addRow(holder);
}

QLabel* FormSection::setFooter(const QString& text) {
    if (!footer_) {
        footer_ = formLabel(text, 11, Tint::secondaryText, appearance_, this, true);
        footer_->setContentsMargins(4, 0, 4, 0);
        outer_->addWidget(footer_);
    }
    footer_->setText(text);
    return footer_;
}

SettingsForm::SettingsForm(Appearance appearance, QWidget* parent)
    : QScrollArea(parent), appearance_(appearance) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget;
    content->setAutoFillBackground(true);
    QPalette palette = appearancePalette(appearance);
    palette.setColor(QPalette::Window, color(Tint::windowBackground, appearance));
    content->setPalette(palette);
    setPalette(palette);
    body_ = new QVBoxLayout(content);
    body_->setContentsMargins(20, 16, 20, 20);
    body_->setSpacing(18);
    setWidget(content);
}

FormSection* SettingsForm::addSection(const QString& header) {
    auto* section = new FormSection(header, appearance_, widget());
    body_->addWidget(section);
    return section;
}

void SettingsForm::addWidget(QWidget* widget) {
    widget->setParent(this->widget());
    body_->addWidget(widget);
}

void SettingsForm::finish() {
    body_->addStretch(1);
}

} // namespace morvanex::ui
