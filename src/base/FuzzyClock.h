#pragma once

#include <QDateTime>
#include <QString>

// A time of day as it is said aloud: "quarter past three", "twenty five to six", "midnight".
namespace morvanex::FuzzyClock {

// The lower-case phrase for the date's time of day in the local time zone, to the nearest
// five minutes, looking ahead to the next hour from 33 minutes past.
QString string(const QDateTime& date);

// The same phrase for an hour (0-23) and a minute (0-59); other values are wrapped into the
// day (hours) or clamped (minutes).
QString phrase(int hour, int minute);

} // namespace morvanex::FuzzyClock
