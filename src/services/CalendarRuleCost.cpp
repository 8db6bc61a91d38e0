#include "services/CalendarRuleCost.h"

#include <QByteArray>
#include <QList>
#include <algorithm>

namespace morvanex {

namespace {

enum class Frequency { secondly, minutely, hourly, daily, weekly, monthly, yearly };

bool sameName(QByteArrayView a, const char* b) {
    return a.compare(QByteArrayView(b), Qt::CaseInsensitive) == 0;
}

std::optional<Frequency> frequencyNamed(QByteArrayView name) {
    static constexpr std::pair<const char*, Frequency> names[] = {
        {"SECONDLY", Frequency::secondly}, {"MINUTELY", Frequency::minutely},
        {"HOURLY", Frequency::hourly},     {"DAILY", Frequency::daily},
        {"WEEKLY", Frequency::weekly},     {"MONTHLY", Frequency::monthly},
        {"YEARLY", Frequency::yearly},
    };
    for (const auto& [text, frequency] : names)
        if (sameName(name, text))
            return frequency;
    return std::nullopt;
}

// Periods of each frequency in the longest year.
double periodsPerYear(Frequency frequency) {
    switch (frequency) {
    case Frequency::secondly:
        return 366.0 * 86400;
    case Frequency::minutely:
        return 366.0 * 1440;
    case Frequency::hourly:
        return 366.0 * 24;
    case Frequency::daily:
        return 366;
    case Frequency::weekly:
        return 53;
    case Frequency::monthly:
        return 12;
    case Frequency::yearly:
        return 1;
    }
    return 366.0 * 86400;
}

// What a rule's parts say, each part at its most where it is given twice.
struct RuleParts {
    Frequency frequency = Frequency::yearly;
    bool frequencyKnown = false;
    double interval = 0;                     // 0: none given
    int seconds = 0, minutes = 0, hours = 0; // how many values each BY part lists; 0: none
    int monthDays = 0, yearDays = 0, weekNumbers = 0, months = 0, setPositions = 0;
    int plainWeekdays = 0;   // BYDAY values without an ordinal ("MO"): every such day
    int ordinalWeekdays = 0; // BYDAY values with one ("-1SU"): one day
};

int valueCount(QByteArrayView values, int most) {
    int count = 0;
    for (QByteArrayView value : QByteArray(values.toByteArray()).split(','))
        if (!value.trimmed().isEmpty())
            ++count;
    return std::min(count, most);
}

RuleParts partsOf(QByteArrayView rule) {
    RuleParts parts;
    for (QByteArrayView part : QByteArray(rule.toByteArray()).split(';')) {
        const qsizetype equals = part.indexOf('=');
        if (equals < 0)
            continue;
        const QByteArrayView key = part.first(equals).trimmed();
        const QByteArrayView value = part.sliced(equals + 1).trimmed();
        const auto atMost = [](int& field, int count) { field = std::max(field, count); };
        if (sameName(key, "FREQ")) {
            // One that cannot be told counts as every second; given twice, the more frequent.
            const Frequency given = frequencyNamed(value).value_or(Frequency::secondly);
            parts.frequency = parts.frequencyKnown ? std::min(parts.frequency, given) : given;
            parts.frequencyKnown = true;
        } else if (sameName(key, "INTERVAL")) {
            bool ok = false;
            const long long interval = QByteArray(value.toByteArray()).toLongLong(&ok);
            const double given = ok && interval > 1 ? double(interval) : 1.0;
            parts.interval = parts.interval == 0 ? given : std::min(parts.interval, given);
        } else if (sameName(key, "BYSECOND")) {
            atMost(parts.seconds, valueCount(value, 61));
        } else if (sameName(key, "BYMINUTE")) {
            atMost(parts.minutes, valueCount(value, 60));
        } else if (sameName(key, "BYHOUR")) {
            atMost(parts.hours, valueCount(value, 24));
        } else if (sameName(key, "BYMONTHDAY")) {
            atMost(parts.monthDays, valueCount(value, 31));
        } else if (sameName(key, "BYYEARDAY")) {
            atMost(parts.yearDays, valueCount(value, 366));
        } else if (sameName(key, "BYWEEKNO")) {
            atMost(parts.weekNumbers, valueCount(value, 53));
        } else if (sameName(key, "BYMONTH")) {
            atMost(parts.months, valueCount(value, 12));
        } else if (sameName(key, "BYSETPOS")) {
            atMost(parts.setPositions, valueCount(value, 366));
        } else if (sameName(key, "BYDAY")) {
            int plain = 0;
            int ordinal = 0;
            for (QByteArrayView day : QByteArray(value.toByteArray()).split(',')) {
                day = day.trimmed();
                if (day.isEmpty())
                    continue;
                if (day.front() == '+' || day.front() == '-' ||
                    (day.front() >= '0' && day.front() <= '9'))
                    ++ordinal;
                else
                    ++plain;
            }
            atMost(parts.plainWeekdays, std::min(plain, 7));
            atMost(parts.ordinalWeekdays, std::min(ordinal, 366));
        }
    }
    if (!parts.frequencyKnown)
        parts.frequency = Frequency::secondly;
    if (parts.interval == 0)
        parts.interval = 1;
    return parts;
}

// The days one period of the rule yields, at most.
double daysPerPeriod(const RuleParts& parts) {
    const double weekdays = parts.plainWeekdays + parts.ordinalWeekdays;
    double days = 1;
    switch (parts.frequency) {
    case Frequency::secondly:
    case Frequency::minutely:
    case Frequency::hourly:
    case Frequency::daily:
        // Parts at the day level only leave days out.
        return 1;
    case Frequency::weekly:
        days = weekdays > 0 ? std::min(weekdays, 7.0) : 1;
        break;
    case Frequency::monthly:
        if (parts.monthDays > 0)
            days = parts.monthDays;
        else if (weekdays > 0)
            days = 5.0 * parts.plainWeekdays + parts.ordinalWeekdays;
        days = std::min(days, 31.0);
        break;
    case Frequency::yearly: {
        const double months = parts.months > 0 ? parts.months : 12;
        if (parts.yearDays > 0)
            days = parts.yearDays;
        else if (parts.weekNumbers > 0)
            days = double(parts.weekNumbers) * std::max(1.0, std::min(weekdays, 7.0));
        else if (parts.monthDays > 0)
            days = months * parts.monthDays;
        else if (weekdays > 0)
            days = parts.months > 0 ? months * (5.0 * parts.plainWeekdays + parts.ordinalWeekdays)
                                    : 53.0 * parts.plainWeekdays + parts.ordinalWeekdays;
        else if (parts.months > 0)
            days = months;
        days = std::min(days, 366.0);
        break;
    }
    }
    if (parts.setPositions > 0)
        days = std::min(days, double(parts.setPositions));
    return std::max(days, 1.0);
}

// The times of day one day of a period yields, at most: the parts below the frequency add times.
double timesPerDay(const RuleParts& parts) {
    double times = 1;
    if (parts.frequency > Frequency::hourly && parts.hours > 0)
        times *= parts.hours;
    if (parts.frequency > Frequency::minutely && parts.minutes > 0)
        times *= parts.minutes;
    if (parts.frequency > Frequency::secondly && parts.seconds > 0)
        times *= parts.seconds;
    return times;
}

} // namespace

double ruleStartsPerYear(QByteArrayView rule) {
    const RuleParts parts = partsOf(rule);
    // A walk passes every period, yielding or not; a period yields its days at its times.
    return periodsPerYear(parts.frequency) / parts.interval * daysPerPeriod(parts) *
           timesPerDay(parts);
}

std::optional<int> valueYear(QByteArrayView value) {
    value = value.trimmed();
    const auto digits = [&](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i)
            if (value[i] < '0' || value[i] > '9')
                return false;
        return true;
    };
    const bool date = value.size() == 8 && digits(0, 8);
    const bool dateTime = (value.size() == 15 || (value.size() == 16 && value[15] == 'Z')) &&
                          digits(0, 8) && value[8] == 'T' && digits(9, 15);
    if (!date && !dateTime)
        return std::nullopt;
    return (value[0] - '0') * 1000 + (value[1] - '0') * 100 + (value[2] - '0') * 10 +
           (value[3] - '0');
}

std::optional<int> ruleUntilYear(QByteArrayView rule) {
    std::optional<int> latest;
    for (QByteArrayView part : QByteArray(rule.toByteArray()).split(';')) {
        const qsizetype equals = part.indexOf('=');
        if (equals < 0 || !sameName(part.first(equals).trimmed(), "UNTIL"))
            continue;
        const std::optional<int> year = valueYear(part.sliced(equals + 1));
        // Given twice, the later end counts; one libical cannot read ends nothing.
        if (!year)
            return std::nullopt;
        latest = std::max(latest.value_or(*year), *year);
    }
    return latest;
}

double zoneRuleChanges(QByteArrayView rule, int startYear) {
    int endYear = furthestZoneYear;
    if (const std::optional<int> until = ruleUntilYear(rule))
        endYear = std::min(endYear, *until);
    const double years = std::max(1, endYear - startYear + 1);
    // The rule's first start counts whatever the rest.
    return std::max(1.0, ruleStartsPerYear(rule) * years);
}

} // namespace morvanex
