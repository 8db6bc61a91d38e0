#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// Calendar facts of a locale that Qt does not give: the first weekday, weekend days, week
// numbering, very short weekday symbols and dates formatted from skeletons ("EEEEMMMMd"), all
// from ICU. A locale is named as Qt names it ("en_US", "de_DE", "C"); a time zone by its IANA
// identifier ("America/New_York"). Weekdays are numbered 1 = Sunday ... 7 = Saturday.
namespace morvanex::platform::LocaleFacts {

// The locale of the user's session (Qt's default locale) and the system time zone's identifier.
QString userLocale();
QByteArray userTimeZone();

// The weekday the locale's weeks start on (1 = Sunday, 2 = Monday, ...).
int firstWeekday(const QString& locale);

// The weekdays the locale counts as the weekend, ascending (Saturday and Sunday give {1, 7};
// Friday and Saturday {6, 7}).
QList<int> weekendDays(const QString& locale);

// Whether the locale counts the day that holds `date` in `zone` as a weekend day.
bool isWeekend(const QDateTime& date, const QString& locale, const QByteArray& zone);

// The week of the year of `date` in `zone`, numbered by the locale's rules; 0 when unknown.
int weekOfYear(const QDateTime& date, const QString& locale, const QByteArray& zone);

// The ordinal of the day of `date` in `zone` within its year (1 on January 1st); 0 when unknown.
int dayOfYear(const QDateTime& date, const QString& locale, const QByteArray& zone);

// The very short stand-alone weekday symbols, Sunday first ("S", "M", "T", ... in English).
QStringList veryShortWeekdaySymbols(const QString& locale);

// `date` in `zone` written with the locale's best pattern for a skeleton such as "EEEEMMMMd"
// (Wednesday, December 9), "MMMMy" (December 2026), "EEE" (Wed) or "Ejmm" (Thu 9:00 AM).
// Empty when the skeleton or the date cannot be used.
QString format(const QDateTime& date, const QString& skeleton, const QString& locale,
               const QByteArray& zone);

// `date` in `zone` written with a fixed pattern in the locale's words ("EEE": Wed, Mi.).
QString formatPattern(const QDateTime& date, const QString& pattern, const QString& locale,
                      const QByteArray& zone);

// `date` in `zone` as an abbreviated date with a short time (Dec 15, 2026, 9:41 PM).
QString abbreviatedDateShortTime(const QDateTime& date, const QString& locale,
                                 const QByteArray& zone);

} // namespace morvanex::platform::LocaleFacts
