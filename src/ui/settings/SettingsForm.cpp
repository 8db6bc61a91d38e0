#include "ui/settings/SettingsForm.h"

#include "ui/kit/AppearanceMode.h"
#include "ui/kit/Fonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace morvanex::ui {
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
