#include "ui/settings/PaneForm.h"

#include "base/AppSettings.h"
#include "ui/kit/Fonts.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

namespace morvanex::ui {

namespace {

constexpr int formMargin = 20;
constexpr int sectionSpacing = 18;
constexpr double boxRadius = 8;

} // namespace

QLabel* formText(const QString& text, double pixelSize, Tint tint, Appearance appearance,
                 QFont::Weight weight, bool wrap) {
    auto* label = new QLabel(text);
    label->setFont(Fonts::font(pixelSize, weight));
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color(tint, appearance));
    palette.setColor(QPalette::Text, color(tint, appearance));
    palette.setColor(QPalette::ButtonText, color(tint, appearance));
    label->setPalette(palette);
    // Inside a button a label would take the button's text role otherwise.
    label->setForegroundRole(QPalette::WindowText);
    label->setWordWrap(wrap);
    if (wrap)
        label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return label;
}

void applyFormPalette(QWidget* widget, Appearance appearance) {
    const auto c = [appearance](Tint tint) { return color(tint, appearance); };
    QPalette palette = widget->palette();
    const QColor text = c(Tint::primaryText);
    // Opaque text colours for the stock controls, which do not blend their text.
    const QColor solidText =
        appearance == Appearance::dark ? QColor(235, 235, 235) : QColor(30, 30, 30);
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, c(Tint::windowBackground));
        palette.setColor(group, QPalette::WindowText, text);
        // Fields and switch boxes stand out from the section fill in both appearances.
        palette.setColor(group, QPalette::Base,
                         appearance == Appearance::dark ? QColor(66, 66, 66)
                                                        : c(Tint::controlBackground));
        palette.setColor(group, QPalette::AlternateBase, c(Tint::cardBackground));
        palette.setColor(group, QPalette::Text, solidText);
        palette.setColor(group, QPalette::Button,
                         appearance == Appearance::dark ? QColor(72, 72, 72)
                                                        : QColor(252, 252, 252));
        palette.setColor(group, QPalette::ButtonText, solidText);
        palette.setColor(group, QPalette::PlaceholderText, c(Tint::tertiaryText));
        palette.setColor(group, QPalette::Highlight, c(Tint::accent));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::Light,
                         appearance == Appearance::dark ? QColor(90, 90, 90)
                                                        : QColor(255, 255, 255));
        palette.setColor(group, QPalette::Mid,
                         appearance == Appearance::dark ? QColor(60, 60, 60)
                                                        : QColor(200, 200, 200));
        palette.setColor(group, QPalette::Dark,
                         appearance == Appearance::dark ? QColor(20, 20, 20)
                                                        : QColor(160, 160, 160));
    }
    const QColor disabled =
        appearance == Appearance::dark ? QColor(120, 120, 120) : QColor(165, 165, 165);
    palette.setColor(QPalette::Disabled, QPalette::Window, c(Tint::windowBackground));
    palette.setColor(QPalette::Disabled, QPalette::Base,
                     appearance == Appearance::dark ? QColor(52, 52, 52)
                                                    : c(Tint::controlBackground));
    palette.setColor(QPalette::Disabled, QPalette::Button,
                     appearance == Appearance::dark ? QColor(56, 56, 56) : QColor(244, 244, 244));
    palette.setColor(QPalette::Disabled, QPalette::Text, disabled);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, disabled);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, disabled);
    widget->setPalette(palette);
    widget->setFont(Fonts::font(13));
}

// The rounded fill behind a section's rows, with a hairline under every row but the last.
class FormSection::Box : public QWidget {
public:
    Box(Appearance appearance, QWidget* parent) : QWidget(parent), appearance_(appearance) {
        layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    QVBoxLayout* layout;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), boxRadius, boxRadius);
        painter.fillPath(path, color(Tint::cardBackground, appearance_));
        painter.setPen(QPen(color(Tint::separator, appearance_), 1));
        painter.drawPath(path);
        QWidget* last = nullptr;
        for (int i = 0; i < layout->count(); ++i)
            if (QWidget* row = layout->itemAt(i)->widget(); row && !row->isHidden())
                last = row;
        for (int i = 0; i < layout->count(); ++i) {
            QWidget* row = layout->itemAt(i)->widget();
            if (!row || row->isHidden() || row == last)
                continue;
            const double y = row->geometry().bottom() + 0.5;
            painter.drawLine(QPointF(10, y), QPointF(width() - 10, y));
        }
    }

private:
    Appearance appearance_;
};

FormSection::FormSection(const QString& header, Appearance appearance, QWidget* parent)
    : QWidget(parent), appearance_(appearance) {
    column_ = new QVBoxLayout(this);
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(6);
    if (!header.isEmpty()) {
        header_ = formText(header, 13, Tint::secondaryText, appearance, QFont::DemiBold, true);
        header_->setContentsMargins(10, 0, 10, 0);
        column_->addWidget(header_);
    }
    box_ = new Box(appearance, this);
    column_->addWidget(box_);
}

QWidget* FormSection::addRow(QWidget* content) {
    // A wrapping text is its own row: inside a frame of its own it would be given the height
    // of its narrowest wrapping.
    if (auto* label = qobject_cast<QLabel*>(content); label && label->wordWrap()) {
        label->setContentsMargins(10, 8, 10, 8);
        box_->layout->addWidget(label);
        return label;
    }
    auto* row = new QWidget(box_);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(0);
    layout->addWidget(content);
    row->setMinimumHeight(32);
    box_->layout->addWidget(row);
    return row;
}

QWidget* FormSection::addLabeledRow(const QString& label, QWidget* trailing) {
    auto* content = new QWidget;
    auto* line = new QHBoxLayout(content);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    line->addWidget(formText(label, 13, Tint::primaryText, appearance_));
    line->addStretch(1);
    line->addWidget(trailing);
    return addRow(content);
}

QLabel* FormSection::setFooter(const QString& text) {
    if (!footer_) {
        footer_ = formText(text, 11, Tint::secondaryText, appearance_, QFont::Normal, true);
        footer_->setContentsMargins(10, 0, 10, 0);
        column_->addWidget(footer_);
    } else {
        footer_->setText(text);
    }
    return footer_;
}

int FormSection::rowCount() const {
    return box_->layout->count();
}

PaneForm::PaneForm(Appearance appearance, QWidget* parent)
    : QScrollArea(parent), appearance_(appearance) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    sections_ = new QVBoxLayout(content);
    sections_->setContentsMargins(formMargin, formMargin, formMargin, formMargin);
    sections_->setSpacing(sectionSpacing);
    sections_->addStretch(1);
    setWidget(content);
    viewport()->setAutoFillBackground(false);
}

FormSection* PaneForm::addSection(const QString& header) {
    auto* section = new FormSection(header, appearance_);
    // Before the closing stretch.
    sections_->insertWidget(sections_->count() - 1, section);
    return section;
}

void PaneForm::addWidget(QWidget* part) {
    sections_->insertWidget(sections_->count() - 1, part);
}

FormHost::FormHost(Appearance appearance, QWidget* parent)
    : QWidget(parent), appearance_(appearance) {
    applyFormPalette(this, appearance);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
}

PaneForm* FormHost::replaceForm() {
    int scroll = 0;
    if (form_) {
        scroll = form_->verticalScrollBar()->value();
        layout_->removeWidget(form_);
        form_->hide();
        form_->setParent(nullptr);
        form_->deleteLater();
    }
    form_ = new PaneForm(appearance_, this);
    layout_->addWidget(form_);
    // The new content is laid out before the old scroll position is applied again.
    if (scroll > 0) {
        form_->widget()->adjustSize();
        form_->verticalScrollBar()->setValue(scroll);
    }
    return form_;
}

void FormHost::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), color(Tint::windowBackground, appearance_));
}

FormHost* fillWithFormHost(QWidget* pane, Appearance appearance) {
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* host = new FormHost(appearance, pane);
    layout->addWidget(host);
    return host;
}

PaneEditor::PaneEditor(QWidget* pane, AppSettings& settings, Appearance appearance,
                       std::function<void()> rebuild)
    : settings_(settings), host_(fillWithFormHost(pane, appearance)) {
    settings_.addObserver(pane, [this, rebuild = std::move(rebuild)](const Config&, const Config&) {
        if (!quiet_)
            rebuild();
    });
}

void PaneEditor::edit(const std::function<void(Config&)>& change, bool redraw) {
    quiet_ = !redraw;
    settings_.update(change);
    quiet_ = false;
}

} // namespace morvanex::ui
