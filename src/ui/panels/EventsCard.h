#pragma once

#include "services/CalendarEvent.h"
#include "ui/kit/Card.h"
#include "ui/kit/PanelEnv.h"

#include <QDate>
#include <QDateTime>
#include <QTimeZone>
#include <QWidget>
#include <cstdint>
#include <vector>

namespace morvanex::ui {

class HoverClick;
class PillButton;

// One event: a bar in its calendar's colour, the title and the time or "All day" with the
// place, a "Now" pill while a timed event runs and a "Join" pill for its video call from 15
// minutes before it starts. A click elsewhere on the row opens the desktop's calendar program.
class EventRow : public QWidget {
    Q_OBJECT
public:
    EventRow(CalendarEvent event, QDateTime now, PanelEnv env, QWidget* parent = nullptr);

    const CalendarEvent& event() const { return event_; }
    bool isHovering() const;
    // The pills shown (null when absent).
    QWidget* nowPill() const { return nowPill_; }
    PillButton* joinPill() const { return join_; }
    // Opens the event as a click on the row does.
    void open();

    // "09:00 – 10:00 · Room 4", "All day"; times in `local`.
    static QString detail(const CalendarEvent& event, const QTimeZone& local);
    // Whether the row shows "Now" and "Join" at `now`.
    static bool showsNow(const CalendarEvent& event, const QDateTime& now);
    static bool showsJoin(const CalendarEvent& event, const QDateTime& now);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CalendarEvent event_;
    PanelEnv env_;
    QWidget* nowPill_ = nullptr;
    PillButton* join_ = nullptr;
    HoverClick* pointer_ = nullptr;
};

// The upcoming events of the time panel, grouped under day headings, with the calendar
// service's access states: an invitation while it was never asked, a hint with the settings
// link while access is off, a one-line message when nothing is coming up.
class EventsCard : public Card {
    Q_OBJECT
public:
    EventsCard(std::int64_t days, PanelEnv env, QWidget* parent = nullptr);

    struct DayGroup {
        QDate day;
        std::vector<CalendarEvent> events;
    };

    // The events by the day they start on in `local` (today for anything that began earlier),
    // days ascending, events in list order.
    static std::vector<DayGroup> grouped(const std::vector<CalendarEvent>& events,
                                         const QDateTime& now, const QTimeZone& local);
    // "Today", "Tomorrow", else the weekday, day and month in `locale` ("Thursday, December 11").
    static QString dayTitle(const QDate& day, const QDateTime& now, const QTimeZone& local,
                            const QString& locale);
    // "Nothing else today." for one day, else "Nothing in the next N days.".
    static QString emptyText(std::int64_t days);

    PillButton* accessButton() const { return access_; }

private:
    PillButton* access_ = nullptr;
};

} // namespace morvanex::ui
