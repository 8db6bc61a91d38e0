#include "ui/panels/TimePanel.h"

#include "app/Hub.h"
#include "base/Fmt.h"
#include "base/FuzzyClock.h"
#include "platform/ListedTimeZone.h"
#include "platform/LocaleFacts.h"
#include "ui/kit/Card.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/HeroValue.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/kit/TextLine.h"
#include "ui/panels/EventsCard.h"
#include "ui/panels/LiveParts.h"
#include "ui/panels/MonthCalendar.h"

#include <QBoxLayout>
#include <cmath>

namespace morvanex::ui {

namespace {

QVBoxLayout* column(int spacing) {
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

QString TimePanel::offsetDescription(const QTimeZone& zone, const QDateTime& now,
                                     const QTimeZone& local) {
    const int diff = zone.offsetFromUtc(now) - local.offsetFromUtc(now);
    const QDate here = now.toTimeZone(local).date();
    const QDate there = now.toTimeZone(zone).date();
    QString day = QStringLiteral("Today");
    if (here.isValid() && there.isValid() && here != there)
        day = there > here ? QStringLiteral("Tomorrow") : QStringLiteral("Yesterday");
    if (diff == 0)
        return day + QStringLiteral(", same time");
    const double hours = std::abs(diff / 3600.0);
    const QString number =
        diff % 3600 != 0 ? QString::number(hours, 'f', 1) : QString::number(std::abs(diff) / 3600);
    return day + QStringLiteral(", ") + number + QStringLiteral(" h ") +
           (diff > 0 ? QStringLiteral("ahead") : QStringLiteral("behind"));
}

QString TimePanel::cityLabel(const QString& identifier) {
    const QStringList pieces = identifier.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return identifier;
    return QString(pieces.last()).replace(QLatin1Char('_'), QLatin1Char(' '));
}

QString TimePanel::daySymbol(const QTimeZone& zone, const QDateTime& now) {
    const int hour = now.toTimeZone(zone).time().hour();
    return hour >= 7 && hour <= 18 ? QStringLiteral("sun.max") : QStringLiteral("moon");
}

HeroValue::Content TimePanel::heroTime(const QString& shortTime) {
    qsizetype lastDigit = shortTime.size() - 1;
    while (lastDigit >= 0 && !shortTime[lastDigit].isDigit())
        --lastDigit;
    if (lastDigit < 0 || shortTime.mid(lastDigit + 1).trimmed().isEmpty())
        return {shortTime, std::nullopt};
    return {shortTime.left(lastDigit + 1), shortTime.mid(lastDigit + 1)};
}

QString TimePanel::capitalized(const QString& phrase) {
    if (phrase.isEmpty())
        return phrase;
    return phrase.left(1).toUpper() + phrase.mid(1);
}

namespace {

// The header: the date, the spoken-style time and the exact time.
struct TimeHeader {
    QString date;
    HeaderModel text;
    bool operator==(const TimeHeader&) const = default;
};

struct MonthModel {
    int offset = 0;
    bool weekNumbers = false;
    QDate today;
    bool operator==(const MonthModel&) const = default;
};

// What the events card reads; the times it shows move on by the minute.
struct EventsModel {
    std::int64_t days = 0;
    CalendarEvents::Access access = CalendarEvents::Access::notAsked;
    std::vector<CalendarEvent> events;
    QDateTime minute;
    bool operator==(const EventsModel&) const = default;
};

struct ClocksModel {
    QStringList identifiers;
    QDateTime minute;
    bool operator==(const ClocksModel&) const = default;
};

// `now` without its seconds: what a clock showing hours and minutes depends on.
QDateTime toMinute(const QDateTime& now) {
    const qint64 ms = now.toMSecsSinceEpoch();
    return QDateTime::fromMSecsSinceEpoch(ms - ms % 60000, now.timeZone());
}

} // namespace

TimePanel::TimePanel(PanelEnv env, QWidget* parent)
    : QWidget(parent), env_(std::move(env)), sections_(this) {
    if (env_.hub) {
        connect(env_.hub, &Hub::changed, this, &TimePanel::rebuild);
        env_.hub->settings.addObserver(this, [this](const Config&, const Config&) { rebuild(); });
    }
    rebuild();
}

void TimePanel::setMonthOffset(int offset) {
    if (offset == monthOffset_)
        return;
    monthOffset_ = offset;
    // The control that asked is part of what is rebuilt: replace it once its click is done.
    QMetaObject::invokeMethod(this, &TimePanel::rebuild, Qt::QueuedConnection);
}

void TimePanel::rebuild() {
    if (env_.hub)
        sections_.rebuild([this] { build(); });
}

void TimePanel::build() {
    const Appearance a = env_.appearance;
    const Config& config = env_.hub->settings.config();
    const QDateTime now = env_.hub->clock.now();
    const QTimeZone local = QTimeZone::systemTimeZone();
    const QString locale = platform::LocaleFacts::userLocale();

    const TimeHeader header{
        platform::LocaleFacts::format(now, QStringLiteral("EEEEMMMMd"), locale, local.id()),
        {capitalized(FuzzyClock::string(now)), heroTime(Fmt::time(now, local))}};
    sections_.section(
        QStringLiteral("header"), header,
        [a](const TimeHeader& m) {
            return makeHeader(QStringLiteral("globe"), Tint::gray, m.date, m.text, a);
        },
        [](PanelHeader* shown, const TimeHeader& m) {
            if (!updateHeader(shown, m.text))
                return false;
            shown->titleLine()->setFullText(m.date);
            return true;
        });

    sections_.section(
        QStringLiteral("month"),
        MonthModel{monthOffset_, config.showWeekNumbers, now.toTimeZone(local).date()},
        [this, a, now](const MonthModel& m) {
            auto* month = new Card(7, a);
            month->add(new CalendarMonth(
                m.offset, m.weekNumbers, [this](int offset) { setMonthOffset(offset); }, now, a));
            return month;
        });

    if (config.showEvents) {
        const CalendarEvents& calendar = env_.hub->calendar;
        sections_.section(
            QStringLiteral("events"),
            EventsModel{config.eventDays, calendar.access(), calendar.events(), toMinute(now)},
            [this](const EventsModel& m) { return new EventsCard(m.days, env_); });
    }

    const RowTexts figures{
        {QStringLiteral("Week"),
         QString::number(platform::LocaleFacts::weekOfYear(now, locale, local.id()))},
        {QStringLiteral("Day of year"),
         QString::number(platform::LocaleFacts::dayOfYear(now, locale, local.id()))},
        {QStringLiteral("Uptime"), Fmt::duration(env_.hub->cpu.uptime)}};
    sections_.section(
        QStringLiteral("figures"), figures,
        [a](const RowTexts& rows) { return statRowsCard(rows, a); }, updateRowValues);

    if (!config.worldClocks.isEmpty())
        sections_.section(
            QStringLiteral("clocks"), ClocksModel{config.worldClocks, toMinute(now)},
            [this, now](const ClocksModel& m) { return clocksCard(m.identifiers, now); });
}

QWidget* TimePanel::clocksCard(const QStringList& identifiers, const QDateTime& now) const {
    const Appearance a = env_.appearance;
    const QTimeZone local = QTimeZone::systemTimeZone();
    auto* card = new Card(6, a);
    card->add(new CardHeader(QStringLiteral("World Clocks"), std::nullopt, nullptr, a));
    for (const QString& identifier : identifiers) {
        const QTimeZone zone = platform::listedTimeZone(identifier);
        if (!zone.isValid())
            continue;
        auto* row = new QWidget;
        row->setObjectName(identifier);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(8);
        auto* words = column(0);
        words->addWidget(
            new TextLine(cityLabel(identifier), Fonts::font(13), color(Tint::primaryText, a)));
        words->addWidget(new TextLine(offsetDescription(zone, now, local), Fonts::font(11),
                                      color(Tint::secondaryText, a)));
        line->addLayout(words, 1);
        addFlexibleSpace(line, 8);
        line->addWidget(new SymbolIcon(daySymbol(zone, now), 11, color(Tint::secondaryText, a)));
        line->addWidget(new TextLine(Fmt::time(now, zone), Fonts::font(17, QFont::DemiBold),
                                     color(Tint::primaryText, a)));
        card->add(row);
    }
    return card;
}

} // namespace morvanex::ui
