#include "ui/panels/EventsCard.h"

#include "app/Hub.h"
#include "base/Fmt.h"
#include "platform/LocaleFacts.h"
#include "ui/kit/ColorBar.h"
#include "ui/kit/Fills.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/HoverClick.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/Pill.h"
#include "ui/kit/PillButton.h"
#include "ui/kit/TextLine.h"
#include "ui/kit/WrappingText.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPainter>
#include <algorithm>

namespace morvanex::ui {

namespace {

// How long before its start an event's video call can be joined.
constexpr qint64 joinLeadSeconds = 900;

QColor viewColor(const CalendarColor& c) {
    return QColor(c.red, c.green, c.blue);
}

QLabel* message(const QString& text, Appearance a) {
    return wrappingText(text, 12, Tint::secondaryText, a);
}

} // namespace

// ---- EventRow

QString EventRow::detail(const CalendarEvent& event, const QTimeZone& local) {
    QStringList parts{event.isAllDay ? QStringLiteral("All day")
                                     : Fmt::time(event.start, local) + QStringLiteral(" – ") +
                                           Fmt::time(event.end, local)};
    // A web address as the place usually repeats the meeting link: shown only without one.
    if (event.location && !(event.meetingURL && event.location->startsWith(QLatin1String("http"))))
        parts.append(*event.location);
    return parts.join(QStringLiteral(" · "));
}

bool EventRow::showsNow(const CalendarEvent& event, const QDateTime& now) {
    return !event.isAllDay && event.start <= now && now < event.end;
}

bool EventRow::showsJoin(const CalendarEvent& event, const QDateTime& now) {
    return event.meetingURL && event.end > now && now.secsTo(event.start) < joinLeadSeconds;
}

EventRow::EventRow(CalendarEvent event, QDateTime now, PanelEnv env, QWidget* parent)
    : QWidget(parent), event_(std::move(event)), env_(std::move(env)) {
    const Appearance a = env_.appearance;
    setObjectName(event_.id);
    setToolTip(QStringLiteral("Open in Calendar"));
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    pointer_ = new HoverClick(this, [this] { open(); });
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(4, 2, 4, 2);
    line->setSpacing(8);
    line->addWidget(new ColorBar(viewColor(event_.color), 28));
    auto* words = new QVBoxLayout;
    words->setSpacing(1);
    words->addWidget(
        new TextLine(event_.title, Fonts::font(13, QFont::Medium), color(Tint::primaryText, a)));
    words->addWidget(new TextLine(detail(event_, QTimeZone::systemTimeZone()), Fonts::font(11),
                                  color(Tint::secondaryText, a)));
    line->addLayout(words, 1);
    addFlexibleSpace(line, 6);
    if (showsNow(event_, now)) {
        nowPill_ = new Pill(QStringLiteral("Now"), Tint::green, a);
        line->addWidget(nowPill_);
    }
    if (showsJoin(event_, now)) {
        join_ = new PillButton(
            QStringLiteral("Join"), true,
            [open = env_.openURL, url = *event_.meetingURL] { open(url); }, a);
        line->addWidget(join_);
    }
}

void EventRow::open() {
    // The desktop's calendar programs show the calendars but take no address of one event.
    if (event_.calendarAppURL())
        env_.openLink(platform::SystemLink::calendar);
}

bool EventRow::isHovering() const {
    return pointer_->isHovering();
}

void EventRow::paintEvent(QPaintEvent*) {
    if (!isHovering())
        return;
    QPainter painter(this);
    fillRoundedRect(painter, QRectF(rect()), 6, primaryFill(env_.appearance, 0.06));
}

// ---- EventsCard

std::vector<EventsCard::DayGroup> EventsCard::grouped(const std::vector<CalendarEvent>& events,
                                                      const QDateTime& now,
                                                      const QTimeZone& local) {
    const QDate today = now.toTimeZone(local).date();
    std::vector<DayGroup> groups;
    for (const CalendarEvent& event : events) {
        const QDate key = std::max(event.start.toTimeZone(local).date(), today);
        const auto found = std::find_if(groups.begin(), groups.end(),
                                        [&](const DayGroup& g) { return g.day == key; });
        if (found != groups.end())
            found->events.push_back(event);
        else
            groups.push_back({key, {event}});
    }
    std::stable_sort(groups.begin(), groups.end(),
                     [](const DayGroup& l, const DayGroup& r) { return l.day < r.day; });
    return groups;
}

QString EventsCard::dayTitle(const QDate& day, const QDateTime& now, const QTimeZone& local,
                             const QString& locale) {
    const QDate today = now.toTimeZone(local).date();
    if (day == today)
        return QStringLiteral("Today");
    if (day == today.addDays(1))
        return QStringLiteral("Tomorrow");
    return platform::LocaleFacts::format(day.startOfDay(local), QStringLiteral("EEEEMMMMd"), locale,
                                         local.id());
}

QString EventsCard::emptyText(std::int64_t days) {
    if (days == 1)
        return QStringLiteral("Nothing else today.");
    return QStringLiteral("Nothing in the next ") + QString::number(days) +
           QStringLiteral(" days.");
}

EventsCard::EventsCard(std::int64_t days, PanelEnv env, QWidget* parent)
    : Card(6, env.appearance, parent) {
    const Appearance a = env.appearance;
    const auto header = [a](const QString& title) {
        return new CardHeader(title, std::nullopt, nullptr, a);
    };
    if (!env.hub)
        return;
    CalendarEvents& calendar = env.hub->calendar;
    switch (calendar.access()) {
    case CalendarEvents::Access::notAsked:
        add(header(QStringLiteral("Events")));
        add(message(
            QStringLiteral("See upcoming events from Evolution or ~/.local/share/calendars here."),
            a));
        access_ = new PillButton(
            QStringLiteral("Show Calendar Events"), true, [&calendar] { calendar.requestAccess(); },
            a);
        body()->addWidget(access_, 0, Qt::AlignLeft);
        return;
    case CalendarEvents::Access::denied:
        add(header(QStringLiteral("Events")));
        add(message(QStringLiteral("No calendars found in Evolution or ~/.local/share/calendars."),
                    a));
        // Offered only where the desktop has a program to add accounts in.
        if (env.linkName && env.linkName(platform::SystemLink::calendarPrivacySettings)) {
            access_ = new PillButton(
                QStringLiteral("Open Online Accounts…"), false,
                [open = env.openLink] { open(platform::SystemLink::calendarPrivacySettings); }, a);
            body()->addWidget(access_, 0, Qt::AlignLeft);
        }
        return;
    case CalendarEvents::Access::granted:
        break;
    }
    const QDateTime now = env.hub->clock.now();
    const QTimeZone local = QTimeZone::systemTimeZone();
    const std::vector<DayGroup> groups = grouped(calendar.events(), now, local);
    if (groups.empty()) {
        add(header(QStringLiteral("Events")));
        add(message(emptyText(days), a));
        return;
    }
    const QString locale = platform::LocaleFacts::userLocale();
    for (const DayGroup& group : groups) {
        add(header(dayTitle(group.day, now, local, locale)));
        for (const CalendarEvent& event : group.events)
            add(new EventRow(event, now, env));
    }
}

} // namespace morvanex::ui
