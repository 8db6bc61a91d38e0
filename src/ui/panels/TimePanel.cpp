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
#include "ui/kit/StatRow.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/kit/TextLine.h"
#include "ui/panels/EventsCard.h"
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

TimePanel::TimePanel(PanelEnv env, QWidget* parent) : QWidget(parent), env_(std::move(env)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
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
    delete content_;
    content_ = new QWidget(this);
    auto* pieces = column(8);
    content_->setLayout(pieces);
    layout()->addWidget(content_);
    if (!env_.hub)
        return;
    const Appearance a = env_.appearance;
    const Config& config = env_.hub->settings.config();
    const QDateTime now = env_.hub->clock.now();
    const QTimeZone local = QTimeZone::systemTimeZone();
    const QString locale = platform::LocaleFacts::userLocale();

    pieces->addWidget(new PanelHeader(
        QStringLiteral("globe"), Tint::gray,
        platform::LocaleFacts::format(now, QStringLiteral("EEEEMMMMd"), locale, local.id()),
        capitalized(FuzzyClock::string(now)), new HeroValue(heroTime(Fmt::time(now, local)), a),
        a));

    auto* month = new Card(7, a);
    month->add(new CalendarMonth(
        monthOffset_, config.showWeekNumbers, [this](int offset) { setMonthOffset(offset); }, now,
        a));
    pieces->addWidget(month);

    if (config.showEvents)
        pieces->addWidget(new EventsCard(config.eventDays, env_));

    auto* figures = new Card(5, a);
    const auto stat = [a](const QString& label, const QString& value) {
        return new StatRow(label, std::nullopt, new StatValue(value, a), a);
    };
    figures->add(stat(QStringLiteral("Week"),
                      QString::number(platform::LocaleFacts::weekOfYear(now, locale, local.id()))));
    figures->add(stat(QStringLiteral("Day of year"),
                      QString::number(platform::LocaleFacts::dayOfYear(now, locale, local.id()))));
    figures->add(stat(QStringLiteral("Uptime"), Fmt::duration(env_.hub->cpu.uptime)));
    pieces->addWidget(figures);

    if (!config.worldClocks.isEmpty())
        addClocks(pieces, config.worldClocks, now);
}

void TimePanel::addClocks(QVBoxLayout* pieces, const QStringList& identifiers,
                          const QDateTime& now) {
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
    pieces->addWidget(card);
}

} // namespace morvanex::ui
