#include "ui/panels/AstronomyPanel.h"

#include "app/Hub.h"
#include "base/Fmt.h"
#include "base/Numbers.h"
#include "base/ShownText.h"
#include "platform/LocaleFacts.h"
#include "services/SunCalc.h"
#include "ui/kit/Card.h"
#include "ui/kit/Fills.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/HeroValue.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/StatRow.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/kit/TextLine.h"
#include "ui/kit/WrappingText.h"
#include "ui/panels/LiveParts.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>

namespace morvanex::ui {

namespace {

const QString dash = QStringLiteral("—");
const QString rangeDash = QStringLiteral(" – ");

std::optional<QDateTime> sunEvent(const SunCalc::SunTimes& sun, const QString& key) {
    const auto found = sun.events.find(key);
    if (found == sun.events.end())
        return std::nullopt;
    return found->second;
}

QString timeOf(const std::optional<QDateTime>& date, const QTimeZone& local) {
    return Fmt::time(date, local);
}

QString range(const SunCalc::SunTimes& sun, const QString& from, const QString& to,
              const QTimeZone& local) {
    return timeOf(sunEvent(sun, from), local) + rangeDash + timeOf(sunEvent(sun, to), local);
}

QString moonDate(const std::optional<QDateTime>& date, const QTimeZone& local,
                 const QString& locale) {
    if (!date)
        return dash;
    const QString text = platform::LocaleFacts::abbreviatedDateShortTime(*date, locale, local.id());
    return text.isEmpty() ? dash : text;
}

QVBoxLayout* column(int spacing) {
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

// ---- SunTimeline

SunTimeline::SunTimeline(AstronomyMonitor::Snapshot snapshot, QDateTime now, QTimeZone local,
                         Appearance appearance, QWidget* parent)
    : QWidget(parent), snapshot_(std::move(snapshot)), now_(std::move(now)),
      local_(std::move(local)), appearance_(appearance) {
    setFixedHeight(int(height));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

std::optional<double> SunTimeline::x(const std::optional<QDateTime>& date,
                                     const QDateTime& dayStart, double width) {
    if (!date || !date->isValid())
        return std::nullopt;
    // Every day counts 86400 seconds, also one of 23 or 25 hours.
    return double(dayStart.msecsTo(*date)) / 1000.0 / 86400.0 * width;
}

std::optional<SunTimeline::Band> SunTimeline::band(const SunCalc::SunTimes& sun,
                                                   const QString& from, const QString& to,
                                                   const QDateTime& dayStart, double width) {
    const std::optional<double> start = x(sunEvent(sun, from), dayStart, width);
    const std::optional<double> end = x(sunEvent(sun, to), dayStart, width);
    if (!start || !end)
        return std::nullopt;
    return Band{*start, std::max(*end - *start, 0.0)};
}

void SunTimeline::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(0, (QWidget::height() - height) / 2, width(), height);
    QPainterPath capsule;
    capsule.addRoundedRect(frame, height / 2, height / 2);
    painter.setClipPath(capsule);
    const QDateTime dayStart = now_.toTimeZone(local_).date().startOfDay(local_);
    painter.fillRect(frame, withOpacity(color(Tint::indigo, appearance_), 0.45));
    auto fillBand = [&](const QString& from, const QString& to, Tint tint, double opacity) {
        if (const auto b = band(snapshot_.sun, from, to, dayStart, frame.width()))
            painter.fillRect(QRectF(b->x, frame.y(), b->width, height),
                             withOpacity(color(tint, appearance_), opacity));
    };
    fillBand(QStringLiteral("civilDawn"), QStringLiteral("civilDusk"), Tint::orange, 0.55);
    fillBand(QStringLiteral("sunrise"), QStringLiteral("sunset"), Tint::yellow, 0.85);
    if (const auto marker = x(now_, dayStart, frame.width()))
        painter.fillRect(QRectF(*marker - 1, frame.y(), 2, height),
                         color(Tint::primaryText, appearance_));
}

// ---- AstronomyPanel: texts

QString AstronomyPanel::age(double phase) {
    const std::optional<std::int64_t> days = numbers::truncatedInt64(phase * 29.53);
    if (!days)
        return dash;
    return *days == 1 ? QStringLiteral("1 day") : QString::number(*days) + QStringLiteral(" days");
}

QString AstronomyPanel::place(const QString& name) {
    const qsizetype comma = name.indexOf(QLatin1Char(','));
    return shownText(comma < 0 ? name : name.left(comma));
}

QString AstronomyPanel::whole(double degrees) {
    const std::optional<std::int64_t> value = numbers::truncatedInt64(degrees);
    return value ? QString::number(*value) : dash;
}

QString AstronomyPanel::sunPosition(double altitude, double azimuth) {
    return QStringLiteral("altitude ") + whole(altitude) + QStringLiteral("° · azimuth ") +
           whole(azimuth) + QStringLiteral("°");
}

std::vector<AstronomyPanel::Line> AstronomyPanel::sunLines(const AstronomyMonitor::Snapshot& s,
                                                           const QTimeZone& local) {
    const SunCalc::SunTimes& sun = s.sun;
    const std::optional<double> dayLength = s.dayLength();
    return {
        {"Sunrise – sunset", range(sun, "sunrise", "sunset", local)},
        {"Day length", dayLength ? Fmt::duration(*dayLength) : dash},
        {"Solar noon", timeOf(sun.solarNoon, local)},
        {"Golden hour", "until " + timeOf(sunEvent(sun, "goldenHourEnd"), local) + " · from " +
                            timeOf(sunEvent(sun, "goldenHourStart"), local)},
        {"Blue hour", "until " + timeOf(sunEvent(sun, "blueHourEnd"), local) + " · from " +
                          timeOf(sunEvent(sun, "blueHourStart"), local)},
    };
}

std::vector<AstronomyPanel::Line> AstronomyPanel::twilightLines(const SunCalc::SunTimes& sun,
                                                                const QTimeZone& local) {
    return {
        {"Civil", range(sun, "civilDawn", "civilDusk", local)},
        {"Nautical", range(sun, "nauticalDawn", "nauticalDusk", local)},
        {"Astronomical", range(sun, "astronomicalDawn", "astronomicalDusk", local)},
    };
}

QString AstronomyPanel::moonLine(double fraction, double phase) {
    return Fmt::percent(fraction * 100) + QStringLiteral(" illuminated · ") + age(phase) +
           QStringLiteral(" old");
}

std::vector<AstronomyPanel::Line> AstronomyPanel::moonLines(const AstronomyMonitor::Snapshot& s,
                                                            const QTimeZone& local,
                                                            const QString& locale) {
    const std::optional<std::int64_t> distance = numbers::truncatedInt64(s.moonDistance);
    return {
        {"Moonrise", timeOf(s.moonrise, local)},
        {"Moonset", timeOf(s.moonset, local)},
        {"Altitude", whole(s.moonAltitude) + QStringLiteral("°")},
        {"Distance",
         distance ? QLocale(locale).toString(qlonglong(*distance)) + QStringLiteral(" km") : dash},
        {"Next full moon", moonDate(s.nextFullMoon, local, locale)},
        {"Next new moon", moonDate(s.nextNewMoon, local, locale)},
    };
}

// ---- AstronomyPanel: views

namespace {

// The sun card: its position, its rows, and the day its timeline draws with the hour of now.
struct SunModel {
    QString position;
    RowTexts rows;
    SunCalc::SunTimes sun;
    QDateTime minute;
    bool operator==(const SunModel&) const = default;
};

struct MoonModel {
    QString symbol;
    QString name;
    QString line;
    RowTexts rows;
    bool operator==(const MoonModel&) const = default;
};

RowTexts rowTexts(const std::vector<AstronomyPanel::Line>& lines) {
    RowTexts rows;
    for (const AstronomyPanel::Line& line : lines)
        rows.emplace_back(line.label, line.value);
    return rows;
}

} // namespace

AstronomyPanel::AstronomyPanel(PanelEnv env, QWidget* parent)
    : QWidget(parent), env_(std::move(env)), sections_(this) {
    if (env_.hub)
        connect(env_.hub, &Hub::changed, this, &AstronomyPanel::rebuild);
    rebuild();
}

void AstronomyPanel::rebuild() {
    sections_.rebuild([this] {
        if (env_.hub && env_.hub->astronomy.snapshot())
            addSnapshot(*env_.hub->astronomy.snapshot());
        else
            addWaiting();
    });
}

void AstronomyPanel::addWaiting() {
    const Appearance a = env_.appearance;
    sections_.section(QStringLiteral("waiting"), 0, [a](int) {
        auto* pieces = new QWidget;
        auto* stack = column(8);
        pieces->setLayout(stack);
        stack->addWidget(new PanelHeader(QStringLiteral("moon.stars"), Tint::orange,
                                         QStringLiteral("Sun & Moon"),
                                         QStringLiteral("Waiting for location"), nullptr, a));
        auto* card = new Card(7, a);
        card->add(wrappingText(
            QStringLiteral("Set a location in Settings › Weather, or wait for it to be detected."),
            13, Tint::secondaryText, a));
        stack->addWidget(card);
        return pieces;
    });
}

void AstronomyPanel::addSnapshot(const AstronomyMonitor::Snapshot& s) {
    const Appearance a = env_.appearance;
    const QDateTime now = env_.hub->clock.now();
    const QTimeZone local = QTimeZone::systemTimeZone();
    const QString locale = platform::LocaleFacts::userLocale();

    const std::optional<AstronomyMonitor::SunEvent> next = env_.hub->astronomy.nextSunEvent(now);
    const bool sunrise = next && next->isSunrise;
    // Sunrise and sunset have headers of their own, so a change of icon makes a new one.
    sections_.section(
        sunrise ? QStringLiteral("header|sunrise") : QStringLiteral("header|sunset"),
        HeaderModel{(sunrise ? QStringLiteral("Sunrise") : QStringLiteral("Sunset")) +
                        QStringLiteral(" · ") + place(s.location.name),
                    {next ? Fmt::time(next->date, local) : dash, std::nullopt}},
        [a, sunrise](const HeaderModel& m) {
            return makeHeader(sunrise ? QStringLiteral("sunrise.fill")
                                      : QStringLiteral("sunset.fill"),
                              Tint::orange, QStringLiteral("Sun & Moon"), m, a);
        },
        updateHeader);

    const qint64 ms = now.toMSecsSinceEpoch();
    const SunModel sun{sunPosition(s.sunAltitude, s.sunAzimuth), rowTexts(sunLines(s, local)),
                       s.sun, QDateTime::fromMSecsSinceEpoch(ms - ms % 60000, now.timeZone())};
    sections_.section(QStringLiteral("sun"), sun, [a, s, now, local](const SunModel& m) {
        auto* sunCard = new Card(5, a);
        sunCard->add(new CardHeader(QStringLiteral("Sun"), m.position, nullptr, a));
        auto* timeline = new QWidget;
        auto* timelineBox = new QVBoxLayout(timeline);
        timelineBox->setContentsMargins(0, 3, 0, 3);
        timelineBox->addWidget(new SunTimeline(s, now, local, a));
        sunCard->add(timeline);
        return addStatRows(sunCard, m.rows, a);
    });

    sections_.section(QStringLiteral("twilight"), rowTexts(twilightLines(s.sun, local)),
                      [a](const RowTexts& ranges) {
                          auto* twilight = new Card(5, a);
                          twilight->add(new CardHeader(QStringLiteral("Twilight"),
                                                       QStringLiteral("dawn – dusk"), nullptr, a));
                          const Tint dots[] = {Tint::orange, Tint::indigo,
                                               Tint::tertiaryText}; // the faintest: primary at
                                                                    // about 0.3
                          for (std::size_t i = 0; i < ranges.size(); ++i)
                              twilight->add(new StatRow(ranges[i].first, dots[i],
                                                        new StatValue(ranges[i].second, a), a));
                          return twilight;
                      });

    const MoonModel moon{SunCalc::phaseSymbol(s.moonPhase), SunCalc::phaseName(s.moonPhase),
                         moonLine(s.moonFraction, s.moonPhase),
                         rowTexts(moonLines(s, local, locale))};
    sections_.section(
        QStringLiteral("moon"), moon,
        [a](const MoonModel& m) {
            auto* card = new Card(5, a);
            card->add(new CardHeader(QStringLiteral("Moon"), std::nullopt, nullptr, a));
            auto* phaseRow = new QWidget;
            auto* phaseLine = new QHBoxLayout(phaseRow);
            phaseLine->setContentsMargins(0, 2, 0, 2);
            phaseLine->setSpacing(12);
            phaseLine->addWidget(new SymbolIcon(m.symbol, 30, color(Tint::primaryText, a)));
            auto* words = column(1);
            words->addWidget(
                new TextLine(m.name, Fonts::font(13, QFont::Medium), color(Tint::primaryText, a)));
            auto* line = new TextLine(m.line, Fonts::font(11), color(Tint::secondaryText, a));
            line->setObjectName(QStringLiteral("moonLine"));
            words->addWidget(line);
            phaseLine->addLayout(words, 1);
            card->add(phaseRow);
            return addStatRows(card, m.rows, a);
        },
        [](Card* card, const MoonModel& m) {
            // The phase's symbol and name change by the day; the figures under them by the tick.
            auto* symbol = card->findChild<SymbolIcon*>();
            auto* line = card->findChild<TextLine*>(QStringLiteral("moonLine"));
            bool sameName = false;
            for (const TextLine* text : card->findChildren<TextLine*>())
                sameName = sameName || text->fullText() == m.name;
            if (!symbol || !line || symbol->name() != m.symbol || !sameName ||
                !updateRowValues(card, m.rows))
                return false;
            line->setFullText(m.line);
            return true;
        });
}

} // namespace morvanex::ui
