#include "ui/settings/MenuBarPreview.h"

#include "app/Hub.h"
#include "base/AppSettings.h"
#include "ui/kit/Fonts.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace morvanex::ui {
namespace {

constexpr double stripHeight = 24;
constexpr double itemHeight = 22;

} // namespace

MenuBarPreview::MenuBarPreview(const PanelEnv& env, MenuBarPreviewSource source, QWidget* parent)
    : QWidget(parent), env_(env), source_(std::move(source)) {
    setFixedHeight(52);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    if (env.hub)
        connect(env.hub, &Hub::changed, this, qOverload<>(&QWidget::update));
    if (env.settings)
        env.settings->addObserver(this, [this](const Config&, const Config&) { update(); });
}

std::vector<ModuleConfig> MenuBarPreview::shownModules(const Config& config, bool hasBattery) {
    std::vector<ModuleConfig> shown;
    for (const ModuleConfig& m : config.modules) {
        if (m.enabled && (hasBattery || m.kind != ModuleKind::battery))
            shown.push_back(m);
    }
    return shown;
}

std::array<QColor, 3> MenuBarPreview::gradientStops(Appearance appearance) {
    if (appearance == Appearance::dark)
        return {QColor::fromRgbF(0.23f, 0.16f, 0.36f), QColor::fromRgbF(0.08f, 0.10f, 0.15f),
                QColor::fromRgbF(0.07f, 0.23f, 0.29f)};
    return {QColor::fromRgbF(0.95f, 0.85f, 0.90f), QColor::fromRgbF(0.73f, 0.80f, 0.89f),
            QColor::fromRgbF(0.81f, 0.91f, 0.89f)};
}

void MenuBarPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    QPainterPath clip;
    clip.addRoundedRect(bounds, 10, 10);
    painter.setClipPath(clip);

    const auto stops = gradientStops(env_.appearance);
    QLinearGradient gradient(bounds.topLeft(), bounds.bottomRight());
    gradient.setColorAt(0, stops[0]);
    gradient.setColorAt(0.5, stops[1]);
    gradient.setColorAt(1, stops[2]);
    painter.fillRect(bounds, gradient);

    const QRectF strip(0, 0, bounds.width(), stripHeight);
    painter.fillRect(strip, env_.appearance == Appearance::dark ? QColor(0, 0, 0, 89)
                                                                : QColor(255, 255, 255, 115));
    if (source_ && env_.hub && env_.settings) {
        const Config& config = env_.settings->config();
        std::vector<QImage> images;
        double total = 0;
        for (const ModuleConfig& m : shownModules(config, env_.hub->battery.present)) {
            images.push_back(source_(m, *env_.hub, config, env_.appearance));
            const double ratio = images.back().devicePixelRatio();
            total += images.back().width() / ratio + 10;
        }
        // Right-aligned as in the real menu bar; 2 points between items, each padded 5.
        if (!images.empty())
            total += 2 * double(images.size() - 1);
        double x = strip.right() - 8 - total;
        for (const QImage& image : images) {
            const double ratio = image.devicePixelRatio();
            const double w = image.width() / ratio;
            const double h = image.height() / ratio;
            painter.drawImage(QPointF(x + 5, (stripHeight - itemHeight) / 2 + (itemHeight - h) / 2),
                              image);
            x += w + 10 + 2;
        }
    }

    painter.setClipping(false);
    painter.setFont(Fonts::font(11));
    painter.setPen(color(Tint::secondaryText, env_.appearance));
    const QRectF caption(10, stripHeight, bounds.width() - 20, bounds.height() - stripHeight);
    painter.drawText(caption, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Live preview"));

    QColor outline = color(Tint::primaryText, env_.appearance);
    outline.setAlphaF(0.10);
    painter.setPen(QPen(outline, 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(bounds.adjusted(0.25, 0.25, -0.25, -0.25), 10, 10);
}

} // namespace morvanex::ui
