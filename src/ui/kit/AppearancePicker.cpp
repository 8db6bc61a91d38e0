#include "ui/kit/AppearancePicker.h"

#include "ui/kit/Fonts.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace morvanex::ui {

namespace {

constexpr double kThumbWidth = 68;
constexpr double kThumbHeight = 46;
constexpr double kCellSpacing = 16;
constexpr double kLabelGap = 6;
constexpr double kLabelSize = 11;

QColor rgb(double r, double g, double b, double a = 1) {
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}

// One scene in a w × h box at the origin: the desktop and a window with a title row and two
// content lines.
void paintScene(QPainter& p, double w, double h, Appearance appearance) {
    const bool dark = appearance == Appearance::dark;
    QLinearGradient desktop(0, 0, w, h);
    desktop.setColorAt(0, dark ? rgb(0.23, 0.16, 0.36) : rgb(0.95, 0.85, 0.90));
    desktop.setColorAt(1, dark ? rgb(0.07, 0.23, 0.29) : rgb(0.73, 0.80, 0.89));
    p.fillRect(QRectF(0, 0, w, h), desktop);

    const QRectF window(14, 6, 40, 34);
    p.setPen(Qt::NoPen);
    p.setBrush(dark ? rgb(0.17, 0.17, 0.17) : rgb(0.97, 0.97, 0.97));
    p.drawRoundedRect(window, 4, 4);

    const QRectF content = window.adjusted(4, 4, -4, -4);
    p.setBrush(color(Tint::blue, appearance));
    p.drawRoundedRect(QRectF(content.left(), content.top(), 7, 7), 1.5, 1.5);
    p.setBrush(dark ? rgb(1, 1, 1, 0.8) : rgb(0, 0, 0, 0.7));
    p.drawRoundedRect(QRectF(content.left() + 10, content.top() + 2, 16, 3), 1.5, 1.5);
    p.setBrush(dark ? rgb(1, 1, 1, 0.08) : rgb(0, 0, 0, 0.05));
    for (const double top : {content.top() + 10, content.top() + 21})
        p.drawRoundedRect(QRectF(content.left(), top, content.width(), 8), 2, 2);
}

} // namespace

void paintAppearanceThumbnail(QPainter& painter, const QRectF& rect, AppearanceMode mode) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(rect, 7, 7);
    painter.setClipPath(clip, Qt::IntersectClip);
    painter.translate(rect.topLeft());
    const double w = rect.width();
    const double h = rect.height();
    paintScene(painter, w, h, mode == AppearanceMode::dark ? Appearance::dark : Appearance::light);
    if (mode == AppearanceMode::system) {
        painter.setClipRect(QRectF(w * 0.5, 0, w * 0.5, h), Qt::IntersectClip);
        paintScene(painter, w, h, Appearance::dark);
    }
    painter.restore();
}

AppearancePicker::AppearancePicker(platform::UserDefaults defaults, QWidget* parent)
    : QWidget(parent), defaults_(std::move(defaults)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Appearance"));
}

void AppearancePicker::setAppearance(std::optional<Appearance> appearance) {
    appearance_ = appearance;
    update();
}

QSize AppearancePicker::sizeHint() const {
    const QFontMetricsF metrics(Fonts::font(kLabelSize, QFont::DemiBold));
    const double width = 3 * kThumbWidth + 2 * kCellSpacing;
    const double height = kThumbHeight + kLabelGap + metrics.height();
    return QSizeF(width, height).toSize() + QSize(1, 1);
}

QRectF AppearancePicker::cellRect(AppearanceMode mode) const {
    const auto& modes = allCases<AppearanceMode>();
    const auto index = std::find(modes.begin(), modes.end(), mode) - modes.begin();
    const QSize hint = sizeHint();
    // The row stays centred when the widget is given more room.
    const double left = (width() - (3 * kThumbWidth + 2 * kCellSpacing)) / 2;
    const double top = (height() - hint.height()) / 2.0;
    return QRectF(std::max(0.0, left) + double(index) * (kThumbWidth + kCellSpacing),
                  std::max(0.0, top), kThumbWidth, hint.height());
}

void AppearancePicker::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const Appearance appearance = appearance_.value_or(currentAppearance());
    const AppearanceMode stored = mode();
    for (const AppearanceMode m : allCases<AppearanceMode>()) {
        const QRectF cell = cellRect(m);
        const QRectF thumb(cell.topLeft(), QSizeF(kThumbWidth, kThumbHeight));
        paintAppearanceThumbnail(p, thumb, m);

        const bool selected = m == stored;
        // The border lies inside the frame: inset by half its width.
        const double lineWidth = selected ? 2.5 : 0.5;
        QColor border = color(selected ? Tint::accent : Tint::primaryText, appearance);
        if (!selected)
            border.setAlphaF(0.15f);
        p.setPen(QPen(border, lineWidth));
        p.setBrush(Qt::NoBrush);
        const double inset = lineWidth / 2;
        p.drawRoundedRect(thumb.adjusted(inset, inset, -inset, -inset), 7 - inset, 7 - inset);

        p.setFont(Fonts::font(kLabelSize, selected ? QFont::DemiBold : QFont::Normal));
        p.setPen(color(selected ? Tint::primaryText : Tint::secondaryText, appearance));
        const QRectF labelRect(cell.left() - kCellSpacing / 2, thumb.bottom() + kLabelGap,
                               cell.width() + kCellSpacing,
                               cell.bottom() - thumb.bottom() - kLabelGap);
        p.drawText(labelRect, Qt::AlignHCenter | Qt::AlignTop, label(m));
    }
}

std::optional<AppearanceMode> AppearancePicker::modeAt(const QPointF& point) const {
    for (const AppearanceMode m : allCases<AppearanceMode>())
        if (cellRect(m).contains(point))
            return m;
    return std::nullopt;
}

void AppearancePicker::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton ? modeAt(event->position()) : std::nullopt;
    event->accept();
}

void AppearancePicker::mouseReleaseEvent(QMouseEvent* event) {
    const std::optional<AppearanceMode> released =
        event->button() == Qt::LeftButton ? modeAt(event->position()) : std::nullopt;
    const std::optional<AppearanceMode> pressed = std::exchange(pressed_, std::nullopt);
    event->accept();
    // A click is a press and release on the same cell.
    if (!released || released != pressed)
        return;
    storeAppearanceMode(*released, defaults_);
    update();
    if (apply_)
        apply_(*released);
}

} // namespace morvanex::ui
