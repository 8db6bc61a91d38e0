#pragma once

#include "ui/kit/HeroValue.h"
#include "ui/kit/PanelEnv.h"
#include "ui/panels/SectionStack.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <QWidget>

namespace morvanex::ui {

// The time module's panel: today's date with the spoken-style time and the exact time, the
// month calendar, the upcoming events when shown, the week, day of year and uptime, and the
// world clocks with their offsets. Follows every change the hub publishes and every settings
// change, making a card anew only when what it shows changed (the ticking numbers change in
// place); the month shown starts at the current one each time the panel is made.
class TimePanel : public QWidget {
    Q_OBJECT
public:
    explicit TimePanel(PanelEnv env, QWidget* parent = nullptr);

    void rebuild();
    const SectionStack& sections() const { return sections_; }

    int monthOffset() const { return monthOffset_; }
    // Pages the calendar; rebuilds on the next turn of the event loop.
    void setMonthOffset(int offset);

    // A world clock's offset from `local` at `now`: "Today, same time", "Tomorrow, 9 h ahead",
    // "Yesterday, 5.5 h behind".
    static QString offsetDescription(const QTimeZone& zone, const QDateTime& now,
                                     const QTimeZone& local);
    // The city of a time-zone identifier: "America/New_York" gives "New York".
    static QString cityLabel(const QString& identifier);
    // "sun.max" from 7:00 through 18:59 in the zone, "moon" otherwise.
    static QString daySymbol(const QTimeZone& zone, const QDateTime& now);
    // The short time as the header's large value: a day period after the digits ("9:00 AM")
    // goes into the smaller unit, so the date beside it keeps its room; otherwise the whole
    // time is the value.
    static HeroValue::Content heroTime(const QString& shortTime);
    // The fuzzy phrase with its first letter upper-cased ("Quarter past three").
    static QString capitalized(const QString& phrase);

private:
    void build();
    QWidget* clocksCard(const QStringList& identifiers, const QDateTime& now) const;

    PanelEnv env_;
    int monthOffset_ = 0;
    SectionStack sections_;
};

} // namespace morvanex::ui
