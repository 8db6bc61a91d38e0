#include "platform/LocaleFacts.h"

#include "platform/Log.h"

#include <QLocale>
#include <QTimeZone>
#include <memory>
#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace morvanex::platform::LocaleFacts {
namespace {

icu::UnicodeString unicode(const QString& text) {
    return icu::UnicodeString(reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
}

QString qtext(const icu::UnicodeString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

// Qt's "C" locale (a session without LANG) is ICU's POSIX English; other names carry over.
icu::Locale icuLocale(const QString& locale) {
    if (locale.isEmpty() || locale == QLatin1String("C"))
        return icu::Locale("en_US_POSIX");
    return icu::Locale::createCanonical(locale.toLatin1().constData());
}

// An unknown identifier gives ICU's "Etc/Unknown", which behaves as GMT: logged, then used.
icu::TimeZone* icuZone(const QByteArray& zone) {
    icu::TimeZone* result = icu::TimeZone::createTimeZone(unicode(QString::fromLatin1(zone)));
    icu::UnicodeString id;
    if (result->getID(id) == icu::UnicodeString(u"Etc/Unknown"))
        qCWarning(log::platform) << "unknown time zone" << zone << "taken as GMT";
    return result;
}

// A calendar of the locale in the zone, set to `date`; nothing when ICU cannot make one.
std::unique_ptr<icu::Calendar> calendarAt(const QDateTime& date, const QString& locale,
                                          const QByteArray& zone) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(
        icu::Calendar::createInstance(icuZone(zone), icuLocale(locale), status));
    if (U_FAILURE(status) || !calendar) {
        qCWarning(log::platform) << "no calendar for" << locale << u_errorName(status);
        return nullptr;
    }
    if (date.isValid()) {
        calendar->setTime(UDate(date.toMSecsSinceEpoch()), status);
        if (U_FAILURE(status))
            return nullptr;
    }
    return calendar;
}

QString formatWith(icu::DateFormat& formatter, const QDateTime& date, const QByteArray& zone) {
    formatter.adoptTimeZone(icuZone(zone));
    icu::UnicodeString out;
    formatter.format(UDate(date.toMSecsSinceEpoch()), out);
    return qtext(out);
}

} // namespace

QString userLocale() {
    return QLocale().name();
}

QByteArray userTimeZone() {
    return QTimeZone::systemTimeZoneId();
}

int firstWeekday(const QString& locale) {
    const auto calendar = calendarAt(QDateTime(), locale, "UTC");
    if (!calendar)
        return 1;
    UErrorCode status = U_ZERO_ERROR;
    const UCalendarDaysOfWeek first = calendar->getFirstDayOfWeek(status);
    return U_SUCCESS(status) ? int(first) : 1;
}

QList<int> weekendDays(const QString& locale) {
    QList<int> days;
    const auto calendar = calendarAt(QDateTime(), locale, "UTC");
    if (!calendar)
        return {1, 7};
    for (int day = UCAL_SUNDAY; day <= UCAL_SATURDAY; ++day) {
        UErrorCode status = U_ZERO_ERROR;
        const UCalendarWeekdayType type =
            calendar->getDayOfWeekType(UCalendarDaysOfWeek(day), status);
        if (U_SUCCESS(status) && type != UCAL_WEEKDAY)
            days.append(day);
    }
    return days;
}

bool isWeekend(const QDateTime& date, const QString& locale, const QByteArray& zone) {
    const auto calendar = calendarAt(date, locale, zone);
    if (!calendar || !date.isValid())
        return false;
    UErrorCode status = U_ZERO_ERROR;
    const int weekday = calendar->get(UCAL_DAY_OF_WEEK, status);
    if (U_FAILURE(status))
        return false;
    // The weekday type, not isWeekend(date): a weekend that begins at noon would otherwise
    // count its day by the hour of `date`.
    const UCalendarWeekdayType type =
        calendar->getDayOfWeekType(UCalendarDaysOfWeek(weekday), status);
    return U_SUCCESS(status) && type != UCAL_WEEKDAY;
}

int weekOfYear(const QDateTime& date, const QString& locale, const QByteArray& zone) {
    const auto calendar = calendarAt(date, locale, zone);
    if (!calendar || !date.isValid())
        return 0;
    UErrorCode status = U_ZERO_ERROR;
    const int week = calendar->get(UCAL_WEEK_OF_YEAR, status);
    return U_SUCCESS(status) ? week : 0;
}

int dayOfYear(const QDateTime& date, const QString& locale, const QByteArray& zone) {
    const auto calendar = calendarAt(date, locale, zone);
    if (!calendar || !date.isValid())
        return 0;
    UErrorCode status = U_ZERO_ERROR;
    const int day = calendar->get(UCAL_DAY_OF_YEAR, status);
    return U_SUCCESS(status) ? day : 0;
}

QStringList veryShortWeekdaySymbols(const QString& locale) {
    UErrorCode status = U_ZERO_ERROR;
    icu::DateFormatSymbols symbols(icuLocale(locale), status);
    QStringList result;
    if (U_FAILURE(status)) {
        qCWarning(log::platform) << "no weekday symbols for" << locale << u_errorName(status);
        return {"S", "M", "T", "W", "T", "F", "S"};
    }
    int32_t count = 0;
    const icu::UnicodeString* names = symbols.getWeekdays(count, icu::DateFormatSymbols::STANDALONE,
                                                          icu::DateFormatSymbols::NARROW);
    // ICU's list is indexed by its weekday numbers: entry 0 is empty, 1 is Sunday.
    for (int32_t i = UCAL_SUNDAY; i < count && i <= UCAL_SATURDAY; ++i)
        result.append(qtext(names[i]));
    return result;
}

QString format(const QDateTime& date, const QString& skeleton, const QString& locale,
               const QByteArray& zone) {
    if (!date.isValid())
        return {};
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale where = icuLocale(locale);
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(where, status));
    if (U_FAILURE(status)) {
        qCWarning(log::platform) << "no date patterns for" << locale << u_errorName(status);
        return {};
    }
    const icu::UnicodeString pattern = generator->getBestPattern(unicode(skeleton), status);
    if (U_FAILURE(status)) {
        qCWarning(log::platform) << "no pattern for skeleton" << skeleton << u_errorName(status);
        return {};
    }
    icu::SimpleDateFormat formatter(pattern, where, status);
    if (U_FAILURE(status))
        return {};
    return formatWith(formatter, date, zone);
}

QString formatPattern(const QDateTime& date, const QString& pattern, const QString& locale,
                      const QByteArray& zone) {
    if (!date.isValid())
        return {};
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat formatter(unicode(pattern), icuLocale(locale), status);
    if (U_FAILURE(status)) {
        qCWarning(log::platform) << "unusable date pattern" << pattern << u_errorName(status);
        return {};
    }
    return formatWith(formatter, date, zone);
}

QString abbreviatedDateShortTime(const QDateTime& date, const QString& locale,
                                 const QByteArray& zone) {
    if (!date.isValid())
        return {};
    std::unique_ptr<icu::DateFormat> formatter(icu::DateFormat::createDateTimeInstance(
        icu::DateFormat::kMedium, icu::DateFormat::kShort, icuLocale(locale)));
    if (!formatter) {
        qCWarning(log::platform) << "no date format for" << locale;
        return {};
    }
    return formatWith(*formatter, date, zone);
}

} // namespace morvanex::platform::LocaleFacts
