#include "ui/panels/SensorRows.h"

#include "base/Units.h"
#include "ui/kit/Fills.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/kit/TextLine.h"
#include "ui/panels/SystemPanelParts.h"

#include <QBoxLayout>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace morvanex::ui {

namespace {
constexpr double kScaleTop = 110; // °C at the bar's right end
}

TemperatureRow::TemperatureRow(const QString& label, double average, double maximum, TempUnit unit,
                               Appearance appearance, QWidget* parent)
    : QWidget(parent), label_(label), appearance_(appearance) {
    setMinimumHeight(20);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    auto* name = systempanel::text(label, 13, Tint::secondaryText, appearance);
    name->setFixedWidth(62);
    row->addWidget(name, 0, Qt::AlignVCenter);
    bar_ = new TemperatureBar(average, maximum, appearance, this);
    row->addWidget(bar_, 1, Qt::AlignVCenter);
    values_ = new QLabel(this);
    values_->setTextFormat(Qt::RichText);
    values_->setFont(Fonts::font(13, QFont::Medium));
    values_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    values_->setFixedWidth(78);
    setValues(average, maximum, unit);
    row->addWidget(values_, 0, Qt::AlignVCenter);
}

double TemperatureRow::position(double celsius, double width) {
    if (!std::isfinite(celsius) || !std::isfinite(width))
        return 0;
    return width * std::clamp(celsius / kScaleTop, 0.0, 1.0);
}

Tint TemperatureRow::fillTint(double maximum) {
    if (maximum >= 90)
        return Tint::red;
    if (maximum >= 70)
        return Tint::orange;
    if (maximum >= 50)
        return Tint::yellow;
    return Tint::green;
}

QString TemperatureRow::valuesText(double average, double maximum, TempUnit unit) {
    return format(unit, average, 0) + QStringLiteral(" / ") + format(unit, maximum, 0);
}

void TemperatureRow::setValues(double average, double maximum, TempUnit unit) {
    bar_->setValues(average, maximum);
    // The separator is fainter than the two values around it.
    const QString faint = color(Tint::tertiaryText, appearance_).name(QColor::HexArgb);
    const QString main = color(Tint::primaryText, appearance_).name(QColor::HexArgb);
    values_->setText(QStringLiteral("<span style=\"color:%1\">%2</span>"
                                    "<span style=\"color:%3\"> / </span>"
                                    "<span style=\"color:%1\">%4</span>")
                         .arg(main, format(unit, average, 0).toHtmlEscaped(), faint,
                              format(unit, maximum, 0).toHtmlEscaped()));
    values_->setAccessibleName(valuesText(average, maximum, unit));
}

void TemperatureBar::setValues(double average, double maximum) {
    if (average == average_ && maximum == maximum_)
        return;
    average_ = average;
    maximum_ = maximum;
    update();
}

TemperatureBar::TemperatureBar(double average, double maximum, Appearance appearance,
                               QWidget* parent)
    : QWidget(parent), average_(average), maximum_(maximum), appearance_(appearance) {
    setFixedHeight(10);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TemperatureBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const double w = width();
    const QRectF track(0, 2, w, 6);
    fillCapsule(painter, track, primaryFill(appearance_, 0.1));
    const double fill = TemperatureRow::position(maximum_, w);
    if (fill > 0)
        fillCapsule(painter, QRectF(0, 2, fill, 6),
                    color(TemperatureRow::fillTint(maximum_), appearance_));
    const double marker = TemperatureRow::position(average_, w) - 1;
    fillRoundedRect(painter, QRectF(marker, 0, 2, 10), 1, color(Tint::primaryText, appearance_));
}

DetailedSensorRow::DetailedSensorRow(const Sensor& sensor, const QString& label,
                                     const QString& value, bool inMenuBar,
                                     std::function<void()> showInMenuBar, Appearance appearance,
                                     QWidget* parent)
    : QWidget(parent), sensor_(sensor), inMenuBar_(inMenuBar),
      showInMenuBar_(std::move(showInMenuBar)), appearance_(appearance) {
    setMinimumHeight(22);
    auto* row = new QHBoxLayout(this);
    // The highlight reaches 6 beyond the content: the list leaves that much less margin.
    row->setContentsMargins(6, 0, 6, 0);
    row->setSpacing(8);
    auto* name = new QHBoxLayout;
    name->setSpacing(6);
    name->addWidget(systempanel::text(label, 13, Tint::primaryText, appearance), 0,
                    Qt::AlignVCenter);
    if (inMenuBar) {
        auto* mark =
            new SymbolIcon(QStringLiteral("menubar.rectangle"), 10, color(Tint::blue, appearance));
        mark->setAccessibleName(QStringLiteral("Shown in menu bar"));
        name->addWidget(mark, 0, Qt::AlignVCenter);
    }
    name->addStretch(1);
    row->addLayout(name, 1);
    QFont mono = Fonts::font(10);
    mono.setFamilies({QStringLiteral("DejaVu Sans Mono"), Fonts::family()});
    row->addWidget(new TextLine(sensor.key, mono, color(Tint::tertiaryText, appearance)), 0,
                   Qt::AlignVCenter);
    auto* shown = systempanel::text(value, 13, Tint::primaryText, appearance, QFont::Medium);
    shown->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    shown->setFixedWidth(58);
    row->addWidget(shown, 0, Qt::AlignVCenter);
}

QStringList DetailedSensorRow::menuTitles(SensorKind kind) {
    if (kind == SensorKind::temperature)
        return {QStringLiteral("Show in Menu Bar")};
    return {};
}

void DetailedSensorRow::paintEvent(QPaintEvent*) {
    if (!inMenuBar_)
        return;
    QPainter painter(this);
    fillRoundedRect(painter, QRectF(rect()), 5, primaryFill(appearance_, 0.08));
}

void DetailedSensorRow::contextMenuEvent(QContextMenuEvent* event) {
    const QStringList titles = menuTitles(sensor_.kind);
    if (titles.isEmpty())
        return;
    QMenu menu(this);
    QAction* show = menu.addAction(titles.constFirst());
    // The action outlives nothing: the menu is closed before the row can be rebuilt.
    const std::function<void()> action = showInMenuBar_;
    if (menu.exec(event->globalPos()) == show)
        action();
}

BusyIndicator::BusyIndicator(Appearance appearance, QWidget* parent)
    : QWidget(parent), appearance_(appearance) {
    setFixedSize(16, 16);
    timer_.setInterval(80);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
        angle_ = (angle_ + 30) % 360;
        update();
    });
}

void BusyIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF ring = QRectF(rect()).adjusted(2, 2, -2, -2);
    painter.setPen(QPen(primaryFill(appearance_, 0.15), 2));
    painter.drawEllipse(ring);
    painter.setPen(QPen(color(Tint::secondaryText, appearance_), 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(ring, -angle_ * 16, 90 * 16);
}

void BusyIndicator::showEvent(QShowEvent*) {
    timer_.start();
}

void BusyIndicator::hideEvent(QHideEvent*) {
    timer_.stop();
}

} // namespace morvanex::ui
