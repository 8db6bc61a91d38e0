#pragma once

#include "services/CalendarEvent.h"
#include "ui/kit/PanelEnv.h"

#include <QDateTime>
#include <QTimeZone>
#include <QWidget>
#include <functional>

namespace morvanex::ui {

class HoverClick;
class PillButton;
class TextLine;

// The overview's tile for the next calendar event: a bar in its calendar's colour, the title,
// when it happens ("Now · until 10:30", "In 5 min · 10:00", "Thu 9:00 AM · Room 4") and a
// "Join" pill for its video call from 15 minutes before it starts. A click elsewhere on the
// tile runs the action (without one: opens the time module's panel).
class NextEventRow : public QWidget {
    Q_OBJECT
public:
    NextEventRow(const PanelEnv& env, CalendarEvent event, std::function<void()> action = {},
                 QWidget* parent = nullptr);

    // The second line at `now`; times in `local`, the weekday in `locale`.
    static QString when(const CalendarEvent& event, const QDateTime& now, const QTimeZone& local,
                        const QString& locale);
    static bool showsJoin(const CalendarEvent& event, const QDateTime& now);

    const CalendarEvent& event() const { return event_; }
    TextLine* whenLine() const { return when_; }
    PillButton* joinPill() const { return join_; }
    bool isHovering() const;
    void tap();

    // Behind the tile: the primary colour at this opacity.
    static double fillOpacity(bool hovering) { return hovering ? 0.1 : 0.05; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PanelEnv env_;
    CalendarEvent event_;
    std::function<void()> action_;
    TextLine* when_ = nullptr;
    PillButton* join_ = nullptr;
    HoverClick* pointer_ = nullptr;
};

} // namespace morvanex::ui
