#pragma once

#include "base/Config.h"
#include "services/CalendarEvents.h"
#include "ui/kit/PanelEnv.h"

#include <QWidget>
#include <utility>
#include <vector>

class QVBoxLayout;

namespace morvanex::ui {

// The "Calendar events" section of the World Clock pane: whether the time dropdown lists
// events, how many days ahead, and which calendars take part.
class CalendarPane : public QWidget {
    Q_OBJECT
public:
    // The day choices, label and stored value, in picker order.
    static const std::vector<std::pair<QString, std::int64_t>>& dayChoices();
    static bool isCalendarShown(const Config& config, const QString& id);
    // Every entry of the calendar leaves the hidden list; hiding puts it back once at the end.
    static void showCalendar(Config& config, const QString& id);
    static void hideCalendar(Config& config, const QString& id);

    explicit CalendarPane(const PanelEnv& env, QWidget* parent = nullptr);

private:
    void rebuild();
    void setShown(const QString& id, bool shown);

    PanelEnv env_;
    QVBoxLayout* layout_ = nullptr;
    QWidget* section_ = nullptr;
    // What the section shows, to tell a hub change that matters from one that does not.
    CalendarEvents::Access shownAccess_ = CalendarEvents::Access::notAsked;
    std::vector<CalendarInfo> shownCalendars_;
};

} // namespace morvanex::ui
