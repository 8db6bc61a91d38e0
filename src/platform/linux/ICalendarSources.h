#pragma once

#include "platform/XdgPaths.h"

#include <QString>
#include <QStringList>
#include <atomic>
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

// One look at the user's calendars.
struct ICalendarScan {
    // Every calendar, Evolution's first, each kind in folder-name order. Disabled Evolution
    // sources are left out.
    std::vector<ICalendarSource> sources;
    ICalendarWatchList watchList;
    // The names, colours and key files that are there but were not read, and why, one line each.
    QStringList unread;
};

// Finds the user's iCalendar sources. Reads the file system on every call, which for thousands
// of calendars takes a while: call it off the main thread. The small files that name and colour
// a calendar are read only when they are regular files of a few kilobytes, opened without
// blocking and never through a symbolic link: a FIFO there, or a link to standard input, is
// passed over with a line in `unread`.
class ICalendarSources {
public:
    explicit ICalendarSources(ICalendarRoots roots = ICalendarRoots::user());

    // Stops early, with what it found so far, once `stop` holds.
    ICalendarScan scan(const std::atomic<bool>* stop = nullptr) const;

    // The user's own e-mail addresses in lower case, to recognise the user among an event's
    // attendees: the addresses of Evolution's mail identities and $EMAIL. Key files that are
    // there but were not read are noted in `unread`.
    QStringList userAddresses(QStringList* unread = nullptr) const;

    const ICalendarRoots& roots() const { return roots_; }

private:
    ICalendarRoots roots_;
};

} // namespace morvanex::platform
