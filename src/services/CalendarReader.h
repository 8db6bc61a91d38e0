#pragma once

#include "services/CalendarFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <optional>
#include <vector>

namespace morvanex {

// Where and how calendar files are read. libical runs in a helper program of ours (the calendar
// reader, one of the program's parts), never in this process: some texts make it work without end
// (a time zone rule repeating every second since 1970, a line of many megabytes), and work
// inside libical cannot be stopped. The reader is killed when a file takes longer than
// `fileBound`, when the whole read takes longer than `readBound`, or when the caller cancels;
// it limits its own memory and processor time, and dies with the thread that started it.
struct CalendarReader {
    static constexpr const char* programName = "morvanex-calendar-reader";

    QByteArray program; // its path as the file system spells it, which need not be UTF-8
    std::chrono::milliseconds fileBound{5000};
    std::chrono::milliseconds readBound{30000};

    // The reader that comes with the running executable: beside it in the build tree, in the
    // install's private folder otherwise.
    static CalendarReader besideExecutable();
};

// What became of one file.
struct CalendarFileOutcome {
    CalendarReading reading;
    std::optional<QString> skipped; // why it was skipped (one clause); nothing when it was read
};

// What one read found.
struct CalendarFilesRead {
    std::vector<CalendarFileOutcome> files; // one per file asked for, in order
    // Why nothing could be read at all (the reader could not be started); then every file is
    // left unread without a reason of its own.
    std::optional<QString> failure;
};

// Reads `files` through the reader: their events in [from, to) within `budget` (which it
// spends). Blocks until done, cancelled or bounded; belongs on a thread that may block. Once
// `cancelled` holds it returns within a few tens of milliseconds, the reader killed; files not
// reached are left unread without a reason.
CalendarFilesRead readCalendarFiles(const CalendarReader& reader, const QStringList& files,
                                    const QDateTime& from, const QDateTime& to,
                                    CalendarBudget& budget, const std::atomic<bool>& cancelled);

} // namespace morvanex
