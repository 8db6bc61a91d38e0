#include "services/WeatherReport.h"

#include "base/JsonRead.h"
#include "base/Numbers.h"
#include "platform/ListedTimeZone.h"

#include <QJsonArray>
#include <limits>

namespace morvanex {

namespace jr = jsonread;

namespace {

// The place's zone: the named zone when the service sent a known one, else the fixed offset
// it sent (0 when none), else the machine's zone.
QTimeZone answerZone(const QJsonObject& answer) {
    if (const auto name = jr::text(answer.value(QStringLiteral("timezone")))) {
        // An id from the network ("../../proc/self/fd/0") never reaches the zone backend.
        const QTimeZone named = platform::listedTimeZone(*name);
        if (named.isValid())
            return named;
    }
    const std::int64_t offset =
        jr::int64(answer.value(QStringLiteral("utc_offset_seconds"))).value_or(0);
    if (offset >= std::numeric_limits<int>::min() && offset <= std::numeric_limits<int>::max()) {
        const QTimeZone fixed{int(offset)};
        if (fixed.isValid())
            return fixed;
    }
    return QTimeZone::systemTimeZone();
}

// Entry `index` of the list under `key`, when it is a number.
std::optional<double> numberAt(const QJsonObject& object, const QString& key, qsizetype index) {
    const QJsonValue list = object.value(key);
    if (!list.isArray() || index < 0 || index >= list.toArray().size())
        return std::nullopt;
    return jr::real(list.toArray().at(index));
}

std::optional<QString> textAt(const QJsonObject& object, const QString& key, qsizetype index) {
    const QJsonValue list = object.value(key);
    if (!list.isArray() || index < 0 || index >= list.toArray().size())
        return std::nullopt;
    return jr::text(list.toArray().at(index));
}

std::int64_t codeOf(std::optional<double> value) {
    return value ? numbers::truncatedInt64(*value).value_or(0) : 0;
}

// The number written with `count` decimal digits at `position`, when they are all digits.
std::optional<int> digits(const QString& text, qsizetype position, qsizetype count) {
    int value = 0;
    for (qsizetype i = position; i < position + count; ++i) {
        const QChar c = text.at(i);
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// "yyyy-MM-dd" at the start of `text`.
std::optional<QDate> dayAt(const QString& text) {
    if (text.size() < 10 || text.at(4) != u'-' || text.at(7) != u'-')
        return std::nullopt;
    const auto year = digits(text, 0, 4);
    const auto month = digits(text, 5, 2);
    const auto day = digits(text, 8, 2);
    if (!year || !month || !day)
        return std::nullopt;
    const QDate date(*year, *month, *day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

// Exactly "yyyy-MM-dd".
std::optional<QDate> parseDay(const QString& text) {
    if (text.size() != 10)
        return std::nullopt;
    return dayAt(text);
}

// Exactly "yyyy-MM-dd'T'HH:mm", a local time of `zone`.
std::optional<QDateTime> parseTime(const QString& text, const QTimeZone& zone) {
    if (text.size() != 16 || text.at(10) != u'T' || text.at(13) != u':')
        return std::nullopt;
    const auto date = dayAt(text);
    const auto hour = digits(text, 11, 2);
    const auto minute = digits(text, 14, 2);
    if (!date || !hour || !minute)
        return std::nullopt;
    const QTime time(*hour, *minute);
    if (!time.isValid())
        return std::nullopt;
    const QDateTime moment(*date, time, zone);
    if (!moment.isValid())
        return std::nullopt;
    return moment;
}

// The position in the hourly lists of the hour that the current conditions belong to.
std::optional<qsizetype> currentHour(const QJsonObject& current, const QJsonValue& hourly) {
    const auto now = jr::text(current.value(QStringLiteral("time")));
    const QJsonValue times = hourly.toObject().value(QStringLiteral("time"));
    if (!now || !hourly.isObject() || !times.isArray())
        return std::nullopt;
    const QString hour = now->left(13); // "2024-05-01T14"
    const QJsonArray list = times.toArray();
    std::optional<qsizetype> found;
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (!list.at(i).isString())
            return std::nullopt; // not a list of texts
        if (!found && list.at(i).toString().startsWith(hour))
            found = i;
    }
    return found;
}

WeatherCurrent readCurrent(const QJsonObject& current, const QJsonValue& hourly) {
    const auto number = [&](const char* key) {
        return jr::real(current.value(QLatin1String(key)));
    };
    WeatherCurrent out;
    out.temperature = number("temperature_2m").value_or(0);
    out.apparent = number("apparent_temperature").value_or(0);
    out.humidity = number("relative_humidity_2m").value_or(0);
    out.windSpeed = number("wind_speed_10m").value_or(0);
    out.windDirection = number("wind_direction_10m").value_or(0);
    out.windGusts = number("wind_gusts_10m").value_or(0);
    out.pressure = number("surface_pressure").value_or(0);
    out.precipitation = number("precipitation").value_or(0);
    out.cloudCover = number("cloud_cover").value_or(0);
    out.code = codeOf(number("weather_code"));
    const auto isDay = number("is_day");
    out.isDay = !isDay || *isDay == 1;
    if (const auto hour = currentHour(current, hourly)) {
        const QJsonObject hours = hourly.toObject();
        out.dewPoint = numberAt(hours, QStringLiteral("dew_point_2m"), *hour);
        out.visibility = numberAt(hours, QStringLiteral("visibility"), *hour);
        out.uvIndex = numberAt(hours, QStringLiteral("uv_index"), *hour);
    }
    return out;
}

// Each day takes the values at its own position in the lists: a date that cannot be read
// drops that day alone, and the days after it keep their own values.
std::vector<WeatherDay> readDays(const QJsonObject& daily, const QTimeZone& zone) {
    const QJsonArray times = daily.value(QStringLiteral("time")).toArray();
    std::vector<WeatherDay> days;
    for (qsizetype i = 0; i < times.size(); ++i) {
        const auto text = jr::text(times.at(i));
        const auto date = text ? parseDay(*text) : std::nullopt;
        if (!date)
            continue;
        WeatherDay day;
        day.date = date->startOfDay(zone);
        day.code = codeOf(numberAt(daily, QStringLiteral("weather_code"), i));
        day.high = numberAt(daily, QStringLiteral("temperature_2m_max"), i).value_or(0);
        day.low = numberAt(daily, QStringLiteral("temperature_2m_min"), i).value_or(0);
        day.precipitationChance =
            numberAt(daily, QStringLiteral("precipitation_probability_max"), i);
        day.precipitationSum = numberAt(daily, QStringLiteral("precipitation_sum"), i);
        if (const auto sunrise = textAt(daily, QStringLiteral("sunrise"), i))
            day.sunrise = parseTime(*sunrise, zone);
        if (const auto sunset = textAt(daily, QStringLiteral("sunset"), i))
            day.sunset = parseTime(*sunset, zone);
        days.push_back(std::move(day));
    }
    return days;
}

} // namespace

WeatherReport WeatherReport::fromAnswer(const QJsonObject& answer, const WeatherLocation& location,
                                        const QDateTime& fetched) {
    WeatherReport report;
    report.location = location;
    report.timeZone = answerZone(answer);
    report.current = readCurrent(answer.value(QStringLiteral("current")).toObject(),
                                 answer.value(QStringLiteral("hourly")));
    report.days = readDays(answer.value(QStringLiteral("daily")).toObject(), report.timeZone);
    report.fetched = fetched;
    return report;
}

} // namespace morvanex
