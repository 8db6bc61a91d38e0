#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>
#include <cstdint>
#include <optional>

namespace morvanex {

// A calendar's colour, opaque sRGB.
struct CalendarColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    // "#rgb", "#rrggbb" or "#rrggbbaa" (the alpha is dropped), in either case; nothing for
    // other text.
    static std::optional<CalendarColor> fromText(const QString& text);
    // The colour of a calendar whose files name none.
    static CalendarColor fallback() { return {0x35, 0x84, 0xe4}; }

    friend bool operator==(const CalendarColor&, const CalendarColor&) = default;
};

// One upcoming event (or one occurrence of a recurring event) as the views show it.
// Identified by `id`; equality compares every field.
struct CalendarEvent {
    QString id; // the event's identifier; occurrences of a recurring event add their own date
    QString title;
    QDateTime start;
    QDateTime end;
    bool isAllDay = false;
    std::optional<QString> location; // never empty
    QString calendarID;
    QString calendarTitle;
    CalendarColor color;
    std::optional<QUrl> meetingURL; // the video-call link

    // "ical://ekevent/<id>?method=show&options=more", the id percent-encoded as a URL path;
    // nothing when that is no valid URL.
    std::optional<QUrl> calendarAppURL() const;

    friend bool operator==(const CalendarEvent&, const CalendarEvent&) = default;
};

// One calendar, for the settings list. Identified by `id`.
struct CalendarInfo {
    QString id;
    QString title;
    QString source; // the title of the account that holds it
    CalendarColor color;

    friend bool operator==(const CalendarInfo&, const CalendarInfo&) = default;
};

} // namespace morvanex
