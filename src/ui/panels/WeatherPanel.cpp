#include "ui/panels/WeatherPanel.h"

#include "app/Hub.h"
#include "base/Fmt.h"
#include "base/Numbers.h"
#include "base/ShownText.h"
#include "base/Units.h"
#include "platform/LocaleFacts.h"
#include "services/WeatherCode.h"
#include "ui/kit/Card.h"
#include "ui/kit/Fills.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/HeroValue.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/StatRow.h"
#include "ui/kit/Symbols.h"
#include "ui/kit/TextLine.h"
#include "ui/kit/WrappingText.h"
#include "ui/panels/LiveParts.h"

#include <QBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QProgressBar>
#include <algorithm>

namespace morvanex::ui {

namespace {

const QString dash = QStringLiteral("—");

// The forecast service named under the report.
const QString attribution = QStringLiteral("Open-Meteo");

StatRow* statRow(const WeatherPanel::Line& line, Appearance a) {
    return new StatRow(line.label, std::nullopt, new StatValue(line.value, a), a);
}

QVBoxLayout* column(int spacing) {
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

// One segment of the length switch: its title, on a raised capsule while chosen.
class Segment : public QAbstractButton {
public:
    Segment(const QString& title, Appearance appearance, QWidget* parent)
        : QAbstractButton(parent), appearance_(appearance) {
        setText(title);
        setCheckable(true);
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override { return {60, 20}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (isChecked())
            fillRoundedRect(painter, QRectF(rect()).adjusted(1, 1, -1, -1), 5,
                            color(Tint::controlBackground, appearance_));
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setFont(Fonts::font(11, isChecked() ? QFont::DemiBold : QFont::Normal));
        painter.setPen(color(Tint::primaryText, appearance_));
        painter.drawText(QRectF(rect()), Qt::AlignCenter, text());
    }
    void nextCheckState() override {}

private:
    Appearance appearance_;
};

// A symbol in its own colours (sun yellow, rain blue, ...), centred in its frame.
class MulticolorSymbol : public QWidget {
public:
    MulticolorSymbol(const QString& name, double pointSize, Appearance appearance)
        : name_(name), pointSize_(pointSize), appearance_(appearance) {
        setObjectName(name);
        setMinimumHeight(int(pointSize));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const std::optional<QSizeF> size = Symbols::size(name_, pointSize_);
        if (!size)
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box(QPointF((width() - size->width()) / 2, (height() - size->height()) / 2),
                         *size);
        Symbols::Paint paint;
        paint.mode = Symbols::Paint::Mode::multicolor;
        paint.appearance = appearance_;
        Symbols::draw(painter, name_, box, paint);
    }

private:
    QString name_;
    double pointSize_;
    Appearance appearance_;
};

} // namespace

// ---- RangeBar

RangeBar::RangeBar(double low, double high, double minimum, double maximum, Appearance appearance,
                   QWidget* parent)
    : QWidget(parent), low_(low), high_(high), minimum_(minimum), maximum_(maximum),
      appearance_(appearance) {
    setFixedHeight(int(height));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

RangeBar::Span RangeBar::span(double low, double high, double minimum, double maximum,
                              double width) {
    // A floor of one degree keeps the bar finite when every shown day has the same range.
    const double range = maximum - minimum > 1 ? maximum - minimum : 1;
    const double start = (low - minimum) / range;
    const double end = (high - minimum) / range;
    return {start * width, std::max((end - start) * width, minimumWidth)};
}

void RangeBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF frame(0, (QWidget::height() - height) / 2, width(), height);
    fillCapsule(painter, frame, primaryFill(appearance_, 0.1));
    const Span s = span(low_, high_, minimum_, maximum_, width());
    const QRectF range(s.x, frame.y(), s.width, height);
    QLinearGradient gradient(range.topLeft(), range.topRight());
    gradient.setColorAt(0, color(Tint::blue, appearance_));
    gradient.setColorAt(0.5, color(Tint::yellow, appearance_));
    gradient.setColorAt(1, color(Tint::orange, appearance_));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawRoundedRect(range, height / 2, height / 2);
}

// ---- ForecastLengthPicker

ForecastLengthPicker::ForecastLengthPicker(int days, Appearance appearance,
                                           std::function<void(int)> choose, QWidget* parent)
    : QWidget(parent), days_(days), appearance_(appearance) {
    setAccessibleName(QStringLiteral("Forecast length"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (const int value : {3, 7, 14}) {
        auto* segment =
            new Segment(QString::number(value) + QStringLiteral(" days"), appearance, this);
        segment->setChecked(value == days);
        segment->setProperty("days", value);
        connect(segment, &QAbstractButton::clicked, this, [choose, value] { choose(value); });
        row->addWidget(segment);
        segments_.push_back(segment);
    }
    setFixedHeight(20);
}

QAbstractButton* ForecastLengthPicker::segment(int days) const {
    for (QAbstractButton* segment : segments_)
        if (segment->property("days").toInt() == days)
            return segment;
    return nullptr;
}

void ForecastLengthPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    fillRoundedRect(painter, QRectF(rect()), 6, primaryFill(appearance_, 0.08));
}

// ---- WeatherPanel: texts

QString WeatherPanel::dayName(const QDateTime& date, const QTimeZone& tz, const QDateTime& now,
                              const QString& locale) {
    if (date.toTimeZone(tz).date() == now.toTimeZone(tz).date())
        return QStringLiteral("Today");
    return platform::LocaleFacts::formatPattern(date, QStringLiteral("EEE"), locale, tz.id());
}

QString WeatherPanel::subtitle(const WeatherReport& report, TempUnit unit) {
    QStringList parts{WeatherCode::description(report.current.code)};
    if (!report.days.empty())
        parts.append(QStringLiteral("H ") + format(unit, report.days[0].high, 0) +
                     QStringLiteral("  L ") + format(unit, report.days[0].low, 0));
    return parts.join(QStringLiteral(" · "));
}

WeatherPanel::Conditions WeatherPanel::conditions(const WeatherCurrent& c, TempUnit temperature,
                                                  WindUnit wind) {
    const std::optional<std::int64_t> pressure = numbers::truncatedInt64(c.pressure);
    const QString visibility =
        c.visibility ? Fmt::number(*c.visibility / 1000, 1) + QStringLiteral(" km") : dash;
    Conditions result;
    result.left = {
        {"Feels like", format(temperature, c.apparent, 0)},
        {"Wind", format(wind, c.windSpeed) + " " + WeatherCode::compass(c.windDirection)},
        {"Pressure", pressure ? QString::number(*pressure) + QStringLiteral(" hPa") : dash},
        {"Dew point", format(temperature, c.dewPoint, 0)},
        {"Visibility", visibility},
    };
    result.right = {
        {"Humidity", Fmt::percent(c.humidity)},
        {"Gusts", format(wind, c.windGusts)},
        {"Clouds", Fmt::percent(c.cloudCover)},
        {"UV index", c.uvIndex ? Fmt::number(*c.uvIndex, 1) : dash},
        {"Precip.", Fmt::number(c.precipitation, 1) + QStringLiteral(" mm")},
    };
    return result;
}

std::vector<WeatherDay> WeatherPanel::shown(const std::vector<WeatherDay>& days, int count) {
    const auto n = std::min(days.size(), std::size_t(std::max(count, 0)));
    return {days.begin(), days.begin() + std::ptrdiff_t(n)};
}

std::pair<double, double> WeatherPanel::scale(const std::vector<WeatherDay>& days) {
    if (days.empty())
        return {0, 1};
    double minimum = days.front().low;
    double maximum = days.front().high;
    for (const WeatherDay& day : days) {
        minimum = std::min(minimum, day.low);
        maximum = std::max(maximum, day.high);
    }
    return {minimum, maximum};
}

QString WeatherPanel::precipitationChance(const std::optional<double>& chance) {
    if (!chance || !(*chance >= 10))
        return {};
    return Fmt::percent(*chance);
}

QString WeatherPanel::footer(const QDateTime& fetched, const QTimeZone& local) {
    return QStringLiteral("Updated ") + Fmt::time(fetched, local) + QStringLiteral(" · Data by ") +
           attribution;
}

// ---- WeatherPanel: views

namespace {

struct WeatherHeader {
    QString symbol;
    bool isDay = true;
    QString place;
    HeaderModel text;
    bool operator==(const WeatherHeader&) const = default;
};

// The forecast card: the days shown, in the unit, named as seen today.
struct ForecastModel {
    std::vector<WeatherDay> days;
    TempUnit unit = TempUnit::celsius;
    QTimeZone timeZone;
    QDate today;
    bool operator==(const ForecastModel&) const = default;
};

struct WaitingModel {
    bool loading = false;
    std::optional<QString> error;
    bool operator==(const WaitingModel&) const = default;
};

} // namespace

WeatherPanel::WeatherPanel(PanelEnv env, QWidget* parent)
    : QWidget(parent), env_(std::move(env)), sections_(this) {
    if (env_.hub) {
        connect(env_.hub, &Hub::changed, this, &WeatherPanel::rebuild);
        env_.hub->settings.addObserver(this, [this](const Config&, const Config&) { rebuild(); });
    }
    rebuild();
}

void WeatherPanel::setDays(int days) {
    if (days == days_)
        return;
    days_ = days;
    // The switch that asked is part of what is rebuilt: replace it once its click is done.
    QMetaObject::invokeMethod(this, &WeatherPanel::rebuild, Qt::QueuedConnection);
}

void WeatherPanel::rebuild() {
    sections_.rebuild([this] {
        if (env_.hub && env_.hub->weather.report())
            addReport(*env_.hub->weather.report());
        else
            addWaiting();
    });
}

void WeatherPanel::addReport(const WeatherReport& report) {
    const Appearance a = env_.appearance;
    const Config& config = env_.hub->settings.config();
    const WeatherCurrent& c = report.current;

    sections_.section(
        QStringLiteral("header"),
        WeatherHeader{WeatherCode::symbol(c.code, c.isDay),
                      c.isDay,
                      shownText(report.location.name),
                      {subtitle(report, config.temperatureUnit),
                       HeroValue::temperature(c.temperature, config.temperatureUnit)}},
        [a](const WeatherHeader& m) {
            return makeHeader(m.symbol, m.isDay ? Tint::blue : Tint::indigo, m.place, m.text, a);
        });

    const Conditions lines = conditions(c, config.temperatureUnit, config.windUnit);
    sections_.section(QStringLiteral("conditions"), std::pair(lines.left, lines.right),
                      [a](const std::pair<std::vector<Line>, std::vector<Line>>& m) {
                          auto* conditionsCard = new Card(5, a);
                          conditionsCard->add(new CardHeader(QStringLiteral("Conditions"),
                                                             std::nullopt, nullptr, a));
                          auto* columns = new QHBoxLayout;
                          columns->setSpacing(16);
                          for (const auto* side : {&m.first, &m.second}) {
                              auto* stack = column(5);
                              for (const Line& line : *side)
                                  stack->addWidget(statRow(line, a));
                              stack->addStretch();
                              columns->addLayout(stack, 1);
                          }
                          conditionsCard->body()->addLayout(columns);
                          return conditionsCard;
                      });

    sections_.section(QStringLiteral("length"), days_, [this, a](int days) {
        return new ForecastLengthPicker(days, a, [this](int chosen) { setDays(chosen); });
    });

    const QDateTime now = env_.hub->clock.now();
    const ForecastModel forecast{shown(report.days, days_), config.temperatureUnit, report.timeZone,
                                 now.toTimeZone(report.timeZone).date()};
    sections_.section(QStringLiteral("forecast"), forecast, [a, now](const ForecastModel& m) {
        auto* card = new Card(6, a);
        card->add(
            new CardHeader(QStringLiteral("Forecast"), QStringLiteral("low – high"), nullptr, a));
        const auto [minimum, maximum] = scale(m.days);
        const QString locale = platform::LocaleFacts::userLocale();
        for (const WeatherDay& day : m.days) {
            auto* row = new QWidget;
            row->setObjectName(QStringLiteral("forecastDay"));
            row->setMinimumHeight(20);
            auto* line = new QHBoxLayout(row);
            line->setContentsMargins(0, 0, 0, 0);
            line->setSpacing(8);
            auto fixed = [line](QWidget* w, int width) {
                w->setFixedWidth(width);
                line->addWidget(w);
            };
            auto* name = new TextLine(dayName(day.date, m.timeZone, now, locale), Fonts::font(13),
                                      color(Tint::primaryText, a));
            fixed(name, 44);
            fixed(new MulticolorSymbol(WeatherCode::symbol(day.code, true), 14, a), 22);
            auto* chance = new TextLine(precipitationChance(day.precipitationChance),
                                        Fonts::font(11), color(Tint::blue, a));
            chance->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            fixed(chance, 30);
            auto* low = new TextLine(format(m.unit, day.low, 0), Fonts::font(13),
                                     color(Tint::secondaryText, a));
            low->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            fixed(low, 34);
            line->addWidget(new RangeBar(day.low, day.high, minimum, maximum, a), 1);
            auto* high = new TextLine(format(m.unit, day.high, 0), Fonts::font(13, QFont::Medium),
                                      color(Tint::primaryText, a));
            high->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            fixed(high, 34);
            card->add(row);
        }
        return card;
    });

    sections_.section(
        QStringLiteral("footer"), footer(report.fetched, QTimeZone::systemTimeZone()),
        [a](const QString& text) {
            auto* footerLine = new TextLine(text, Fonts::font(11), color(Tint::tertiaryText, a));
            footerLine->setObjectName(QStringLiteral("footer"));
            footerLine->setContentsMargins(4, 0, 4, 0);
            return footerLine;
        },
        [](TextLine* line, const QString& text) {
            line->setFullText(text);
            return true;
        });
}

void WeatherPanel::addWaiting() {
    const Appearance a = env_.appearance;
    const WaitingModel model{env_.hub && env_.hub->weather.isLoading(),
                             env_.hub ? env_.hub->weather.lastError() : std::nullopt};
    sections_.section(QStringLiteral("waitingHeader"), model.loading, [a](bool loading) {
        return new PanelHeader(QStringLiteral("cloud.sun"), Tint::blue, QStringLiteral("Weather"),
                               loading ? QStringLiteral("Loading…") : QStringLiteral("Unavailable"),
                               nullptr, a);
    });
    sections_.section(QStringLiteral("waiting"), model, [a](const WaitingModel& m) {
        auto* card = new Card(7, a);
        if (m.loading) {
            auto* row = new QWidget;
            auto* line = new QHBoxLayout(row);
            line->setContentsMargins(0, 0, 0, 0);
            auto* spinner = new QProgressBar;
            spinner->setRange(0, 0); // indeterminate
            spinner->setTextVisible(false);
            spinner->setFixedSize(16, 16);
            line->addWidget(spinner);
            line->addWidget(new TextLine(QStringLiteral("Loading weather…"), Fonts::font(13),
                                         color(Tint::secondaryText, a)));
            line->addStretch();
            card->add(row);
        } else {
            card->add(
                wrappingText(m.error ? *m.error : QStringLiteral("Weather will load shortly."), 13,
                             Tint::secondaryText, a));
        }
        return card;
    });
}

} // namespace morvanex::ui
