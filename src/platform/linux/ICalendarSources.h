#pragma once

#include "platform/XdgPaths.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace morvanex::platform {

// The folders below which the user's calendars live.
struct ICalendarRoots {
    QString dataHome;   // $XDG_DATA_HOME
    QString configHome; // $XDG_CONFIG_HOME

    static ICalendarRoots user() { return {xdg::dataHome(), xdg::configHome()}; }
};

// One calendar kept as iCalendar files: a local calendar of the desktop's calendar server
// (Evolution Data Server: evolution/calendar/<uid>/calendar.ics, named and coloured by its
// evolution/sources/<uid>.source key file) or a vdir collection as synchronisation tools keep
// them (calendars/<name>/*.ics, named and coloured by its "displayname" and "color" files).
struct ICalendarSource {
    QString id;                   // "evolution:<uid>" or "vdir:<folder>", stable across runs
    QString title;                // the calendar's name
    QString account;              // the title of the account that holds it
    std::optional<QString> color; // as the files give it, such as "#62a0ea"
    QStringList files;            // its iCalendar files, in name order
};

// What to watch for changes to the calendars: the folders and files of the sources, and, for a
// kind of source that does not exist yet, the nearest existing folder above where it would
// appear (an "ancestor": a change there matters only when a source folder appeared).
struct ICalendarWatchList {
    QStringList paths;
    QStringList ancestors;

    friend bool operator==(const ICalendarWatchList&, const ICalendarWatchList&) = default;
};

// Finds the user's iCalendar sources. Reads the file system on every call.
class ICalendarSources {
public:
    explicit ICalendarSources(ICalendarRoots roots = ICalendarRoots::user());

    // Every calendar, Evolution's first, each kind in folder-name order. Disabled Evolution
    // sources are left out.
    std::vector<ICalendarSource> find() const;

    // The user's own e-mail addresses in lower case, to recognise the user among an event's
    // attendees: the addresses of Evolution's mail identities and $EMAIL.
    QStringList userAddresses() const;

    ICalendarWatchList watchList() const;

    const ICalendarRoots& roots() const { return roots_; }

private:
    ICalendarRoots roots_;
};

} // namespace morvanex::platform
