#include "base/FuzzyClock.h"

#include <algorithm>
#include <array>

namespace morvanex::FuzzyClock {
namespace {

constexpr std::array<const char*, 12> hourWords = {"twelve", "one",  "two", "three",
                                                   "four",   "five", "six", "seven",
                                                   "eight",  "nine", "ten", "eleven"};

// The words before the hour for each five-minute step past it (index = minutes / 5).
constexpr std::array<const char*, 12> minuteWords = {"",
                                                     "five past ",
                                                     "ten past ",
                                                     "quarter past ",
                                                     "twenty past ",
                                                     "twenty five past ",
                                                     "half past ",
                                                     "twenty five to ",
                                                     "twenty to ",
                                                     "quarter to ",
                                                     "ten to ",
                                                     "five to "};

} // namespace

QString phrase(int hour, int minute) {
    // Out-of-range arguments (an invalid time gives -1) are brought into the day.
    hour = (hour % 24 + 24) % 24;
    minute = std::clamp(minute, 0, 59);
    // Minutes / 5 never ends in a half, so rounding to the nearest five is (minute + 2) / 5.
    int rounded = (minute + 2) / 5 * 5;
    const int nextHour = rounded >= 35 ? hour + 1 : hour;
    rounded %= 60;
    if (nextHour % 24 == 0 && rounded == 0)
        return QStringLiteral("midnight");
    const QString name = QString::fromLatin1(hourWords[std::size_t(nextHour % 12)]);
    if (rounded == 0)
        return name + QStringLiteral(" o'clock");
    return QString::fromLatin1(minuteWords[std::size_t(rounded / 5)]) + name;
}

QString string(const QDateTime& date) {
    const QTime time = date.toLocalTime().time();
    return phrase(time.hour(), time.minute());
}

} // namespace morvanex::FuzzyClock
