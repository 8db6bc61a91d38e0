#include "ui/panels/overview/OverviewRows.h"

#include "services/WeatherCode.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/kit/Symbols.h"
#include "ui/kit/TextLine.h"
#include "ui/kit/TileBackground.h"

#include <QBoxLayout>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <cmath>

namespace morvanex::ui::overview {

namespace {

constexpr double rowTextSize = 13;

// A text that wraps onto at most `maxLines` lines and grows in height with them; a text longer
// than that ends its last line with "…".
class WrappedText : public QWidget {
public:
    WrappedText(const QString& text, const QFont& font, const QColor& color, int maxLines)
        : text_(text), color_(color), maxLines_(maxLines) {
        setFont(font);
        setAccessibleName(text);
        QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override {
        return int(std::ceil(lines(width).size() * QFontMetricsF(font()).lineSpacing()));
    }
    QSize sizeHint() const override {
        const QFontMetricsF metrics(font());
        const int width = int(std::ceil(metrics.horizontalAdvance(text_))) + 1;
        return {std::min(width, 240), heightForWidth(std::min(width, 240))};
    }
    QSize minimumSizeHint() const override {
        return {40, int(std::ceil(QFontMetricsF(font()).lineSpacing()))};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setFont(font());
        painter.setPen(color_);
        const QFontMetricsF metrics(font());
        double y = metrics.ascent();
        for (const QString& line : lines(width())) {
            painter.drawText(QPointF(0, y), line);
            y += metrics.lineSpacing();
        }
    }

private:
    // The lines the text takes at `width`, the last one shortened when there are too many.
    QStringList lines(int width) const {
        QTextLayout layout(text_, font());
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        QStringList result;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(std::max(width, 1));
            if (int(result.size()) == maxLines_ - 1) {
                const QString rest = text_.mid(line.textStart());
                result << QFontMetricsF(font()).elidedText(rest, Qt::ElideRight, width);
                break;
            }
            result << text_.mid(line.textStart(), line.textLength()).trimmed();
        }
        layout.endLayout();
        return result;
    }

    QString text_;
    QColor color_;
    int maxLines_;
};

// A symbol in its own colours (the weather's sun, clouds and rain).
class MulticolorSymbol : public QWidget {
public:
    MulticolorSymbol(const QString& name, double pointSize, Appearance appearance)
        : name_(name), pointSize_(pointSize), appearance_(appearance) {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        const auto size = Symbols::size(name_, pointSize_);
        return size ? size->toSize() : QSize(0, 0);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const auto size = Symbols::size(name_, pointSize_);
        if (!size)
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        Symbols::Paint paint;
        paint.mode = Symbols::Paint::Mode::multicolor;
        paint.appearance = appearance_;
        const QPointF origin((width() - size->width()) / 2, (height() - size->height()) / 2);
        Symbols::draw(painter, name_, QRectF(origin, *size), paint);
    }

private:
    QString name_;
    double pointSize_;
    Appearance appearance_;
};

// A fixed-width box holding `child` centred, so icons of different widths line up.
QWidget* iconFrame(QWidget* child, int width, int height = 0) {
    auto* box = new QWidget;
    box->setFixedWidth(width);
    if (height > 0)
        box->setFixedHeight(height);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(child, 0, Qt::AlignCenter);
    return box;
}

// The one-line row layout of the insight, device and weather rows.
QHBoxLayout* rowLine(QWidget* body) {
    auto* line = new QHBoxLayout(body);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(10);
    return line;
}

TileBackground* frame(QWidget* owner, QWidget* body, std::function<void()> action,
                      Appearance appearance) {
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* background = new TileBackground(body, std::move(action), appearance);
    layout->addWidget(background);
    owner->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return background;
}

} // namespace

InsightRow::InsightRow(const Insight& insight, std::function<void()> action, Appearance appearance,
                       QWidget* parent)
    : QWidget(parent) {
    auto* body = new QWidget;
    auto* line = rowLine(body);
    symbol_ = new SymbolIcon(insightSymbol(insight.kind), 15,
                             color(insightTint(insight.severity, insight.kind), appearance));
    line->addWidget(iconFrame(symbol_, 22), 0, Qt::AlignVCenter);

    const bool quiet = insight.kind == Insight::Kind::quiet;
    text_ = new WrappedText(
        insight.text, Fonts::font(rowTextSize, quiet ? QFont::Normal : QFont::Medium),
        color(quiet ? Tint::secondaryText : Tint::primaryText, appearance), maximumLines);
    line->addWidget(text_, 1, Qt::AlignVCenter);

    if (insight.module) {
        chevron_ = new SymbolIcon(QStringLiteral("chevron.right"), 11,
                                  color(Tint::tertiaryText, appearance));
        line->addWidget(chevron_, 0, Qt::AlignVCenter);
    }
    setAccessibleName(insight.text);
    background_ = frame(this, body, insight.module ? std::move(action) : nullptr, appearance);
}

DeviceRow::DeviceRow(const ConnectedDevice& device, const OpenDeviceAction& openDevice,
                     Appearance appearance, QWidget* parent)
    : QWidget(parent) {
    auto* body = new QWidget;
    auto* line = rowLine(body);
    // No system database maps model codes to pictures here: the kind's symbol stands in.
    line->addWidget(
        iconFrame(new SymbolIcon(device.symbol(), 20, color(Tint::secondaryText, appearance)), 26,
                  30),
        0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    name_ = new TextLine(device.displayName(), Fonts::font(rowTextSize, QFont::Medium),
                         color(Tint::primaryText, appearance));
    texts->addWidget(name_);
    for (const QString& detail : overview::detailLines(device)) {
        // An untrusted device that tells nothing about itself leaves its first line empty.
        if (detail.isEmpty())
            continue;
        auto* text = new TextLine(detail, Fonts::font(11), color(Tint::secondaryText, appearance));
        texts->addWidget(text);
        details_.push_back(text);
    }
    line->addLayout(texts, 1);

    if (device.batteryLevel) {
        const std::int64_t level = *device.batteryLevel;
        auto* battery = new QHBoxLayout;
        battery->setSpacing(4);
        battery_ = new SymbolIcon(deviceBatterySymbol(level, device.isCharging), rowTextSize,
                                  color(deviceBatteryTint(level, device.isCharging), appearance));
        battery->addWidget(battery_, 0, Qt::AlignVCenter);
        level_ =
            new TextLine(QString::number(level) + QLatin1Char('%'),
                         Fonts::font(15, QFont::DemiBold), color(Tint::primaryText, appearance));
        level_->setMinimumWidth(level_->sizeHint().width());
        battery->addWidget(level_, 0, Qt::AlignVCenter);
        line->addLayout(battery);
    }

    std::function<void()> open = [action = openDevice.action, id = device.id] {
        if (action)
            action(id);
    };
    background_ = frame(this, body, std::move(open), appearance);
}

WeatherRow::WeatherRow(const WeatherRowState& state, TempUnit unit, std::function<void()> action,
                       Appearance appearance, QWidget* parent)
    : QWidget(parent) {
    auto* body = new QWidget;
    auto* line = rowLine(body);
    if (state.report) {
        const WeatherReport& report = *state.report;
        symbolName_ = WeatherCode::symbol(report.current.code, report.current.isDay);
        line->addWidget(iconFrame(new MulticolorSymbol(symbolName_, 20, appearance), 26), 0,
                        Qt::AlignVCenter);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(1);
        headline_ =
            new TextLine(weatherHeadline(report, unit), Fonts::font(rowTextSize, QFont::Medium),
                         color(Tint::primaryText, appearance));
        texts->addWidget(headline_);
        detail_ = new TextLine(weatherDetail(report, state.astronomySunset, unit), Fonts::font(11),
                               color(Tint::secondaryText, appearance));
        texts->addWidget(detail_);
        // An empty second line takes no room.
        if (detail_->fullText().isEmpty())
            detail_->hide();
        line->addLayout(texts, 1);
    } else {
        symbolName_ = QStringLiteral("cloud");
        line->addWidget(
            iconFrame(new SymbolIcon(symbolName_, 18, color(Tint::secondaryText, appearance)), 26),
            0, Qt::AlignVCenter);
        headline_ = new TextLine(weatherPlaceholder(state.isLoading, state.lastError),
                                 Fonts::font(rowTextSize), color(Tint::secondaryText, appearance));
        line->addWidget(headline_, 1, Qt::AlignVCenter);
    }
    background_ = frame(this, body, std::move(action), appearance);
}

WorldClocksRow::WorldClocksRow(const QStringList& clocks, const QDateTime& now,
                               std::function<void()> action, Appearance appearance, QWidget* parent)
    : QWidget(parent), columns_(worldClockColumns(clocks, now)) {
    auto* body = new QWidget;
    auto* line = new QHBoxLayout(body);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    for (const WorldClockColumn& clock : columns_) {
        auto* column = new QVBoxLayout;
        column->setSpacing(1);
        column->addWidget(new TextLine(clock.city, Fonts::font(11, QFont::DemiBold),
                                       color(Tint::secondaryText, appearance)));
        column->addWidget(new TextLine(clock.time, Fonts::font(17, QFont::DemiBold),
                                       color(Tint::primaryText, appearance)));
        column->addWidget(
            new TextLine(clock.offset, Fonts::font(11), color(Tint::secondaryText, appearance)));
        line->addLayout(column, 1);
    }
    background_ = frame(this, body, std::move(action), appearance);
}

} // namespace morvanex::ui::overview
