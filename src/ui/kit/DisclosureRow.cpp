#include "ui/kit/DisclosureRow.h"

#include "ui/kit/Card.h"
#include "ui/kit/Fills.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/kit/TextLine.h"

#include <QBoxLayout>
#include <QEasingCurve>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>

namespace morvanex::ui {

namespace {

// A one-pixel line in the separator colour.
class Divider : public QWidget {
public:
    explicit Divider(Appearance appearance, QWidget* parent = nullptr)
        : QWidget(parent), appearance_(appearance) {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), color(Tint::separator, appearance_));
    }

private:
    Appearance appearance_;
};

} // namespace

DisclosureRow::DisclosureRow(const QString& title, const std::optional<QString>& summary,
                             bool prominent, bool separated, BoolBinding isExpanded,
                             QWidget* content, const PreviewOverrides& overrides,
                             Appearance appearance, QWidget* parent)
    : QWidget(parent), binding_(std::move(isExpanded)), overrides_(overrides),
      appearance_(appearance), prominent_(prominent), content_(content) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* outer = new QVBoxLayout(this);
    outer->setSpacing(7);
    outer->setContentsMargins(prominent ? QMargins(12, 9, 12, 9) : QMargins());
    if (!prominent && separated)
        outer->addWidget(new Divider(appearance));

    header_ = new QWidget;
    header_->setMinimumHeight(19);
    header_->setCursor(Qt::PointingHandCursor);
    header_->setAccessibleName(title);
    header_->installEventFilter(this);
    auto* line = new QHBoxLayout(header_);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    auto* titleLine =
        new TextLine(title, Fonts::font(13),
                     color(prominent ? Tint::primaryText : Tint::secondaryText, appearance));
    // The summary gives way first; the title stays whole.
    titleLine->setMinimumWidth(titleLine->sizeHint().width());
    line->addWidget(titleLine, 0, Qt::AlignVCenter);
    if (summary) {
        summary_ = new TextLine(*summary, Fonts::font(11), color(Tint::secondaryText, appearance));
        line->addWidget(summary_, 0, Qt::AlignVCenter);
    }
    addFlexibleSpace(line, 8);
    chevron_ =
        new SymbolIcon(QStringLiteral("chevron.right"), 10, color(Tint::tertiaryText, appearance));
    line->addWidget(chevron_, 0, Qt::AlignVCenter);
    outer->addWidget(header_);

    if (content_)
        outer->addWidget(content_);

    turn_ = new QVariantAnimation(this);
    turn_->setDuration(animationMs);
    turn_->setEasingCurve(QEasingCurve::InOutQuad);
    connect(turn_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& angle) { chevron_->setRotation(angle.toDouble()); });

    if (binding_.observe)
        binding_.observe(this, [this] { sync(true); });
    sync(false);
}

bool DisclosureRow::isExpanded() const {
    return expanded(binding_.get && binding_.get(), overrides_);
}

void DisclosureRow::toggle() {
    if (binding_.set)
        binding_.set(!(binding_.get && binding_.get()));
    // A binding without change notices still shows the new state.
    sync(true);
}

void DisclosureRow::sync(bool animated) {
    const bool open = isExpanded();
    if (summary_)
        summary_->setVisible(!open);
    if (content_)
        content_->setVisible(open);
    const double target = open ? 90 : 0;
    if (turn_->state() == QAbstractAnimation::Running && turn_->endValue().toDouble() == target)
        return;
    if (animated && chevron_->rotation() != target) {
        turn_->stop();
        turn_->setStartValue(chevron_->rotation());
        turn_->setEndValue(target);
        turn_->start();
    } else if (!animated) {
        chevron_->setRotation(target);
    }
}

bool DisclosureRow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == header_ && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            header_->rect().contains(mouse->position().toPoint())) {
            toggle();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DisclosureRow::paintEvent(QPaintEvent*) {
    if (!prominent_)
        return;
    QPainter painter(this);
    fillRoundedRect(painter, QRectF(rect()), Card::cornerRadius,
                    primaryFill(appearance_, Card::fillOpacity));
}

} // namespace morvanex::ui
