#include "services/WeatherReport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace morvanex;

namespace {

QJsonObject fixture(const char* name) {
    QFile file(QStringLiteral(MORVANEX_FIXTURES "/weather/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return QJsonDocument::fromJson(file.readAll()).object();
}

QJsonObject parse(const char* json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray(json), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << json;
    return document.object();
}

const WeatherLocation london{QStringLiteral("London"), 51.5074, -0.1278};

QDateTime utc(const char* text) {
    QDateTime moment = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
    moment.setTimeZone(QTimeZone::utc());
    return moment;
}

WeatherReport report(const QJsonObject& answer) {
    return WeatherReport::fromAnswer(answer, london, utc("2024-06-21T13:20:00"));
}

} // namespace

TEST(WeatherReport, RecordedAnswerBecomesRecords) {
    const WeatherReport r = report(fixture("forecast-london.json"));
    EXPECT_EQ(r.location, london);
    EXPECT_EQ(r.timeZone.id(), QByteArray("Europe/London"));
    EXPECT_EQ(r.fetched, utc("2024-06-21T13:20:00"));

    const WeatherCurrent& now = r.current;
    EXPECT_DOUBLE_EQ(now.temperature, 21.3);
    EXPECT_DOUBLE_EQ(now.apparent, 20.1);
    EXPECT_DOUBLE_EQ(now.humidity, 58);
    EXPECT_DOUBLE_EQ(now.windSpeed, 14.8);
    EXPECT_DOUBLE_EQ(now.windDirection, 236);
    EXPECT_DOUBLE_EQ(now.windGusts, 31.3);
    EXPECT_DOUBLE_EQ(now.pressure, 1009.6);
    EXPECT_DOUBLE_EQ(now.precipitation, 0);
    EXPECT_DOUBLE_EQ(now.cloudCover, 88);
    EXPECT_EQ(now.code, 3);
    EXPECT_TRUE(now.isDay);
    // The current time 14:15 takes the hourly values of 14:00 (position 14).
    EXPECT_EQ(now.dewPoint, 12.5);
    EXPECT_EQ(now.visibility, 24140.0);
    EXPECT_EQ(now.uvIndex, 6.51);

    ASSERT_EQ(r.days.size(), 14u);
    const QTimeZone zone("Europe/London");
    const WeatherDay& first = r.days.front();
    EXPECT_EQ(first.date, QDateTime(QDate(2024, 6, 21), QTime(0, 0), zone));
    EXPECT_EQ(first.date, utc("2024-06-20T23:00:00"));
    EXPECT_EQ(first.code, 3);
    EXPECT_DOUBLE_EQ(first.high, 22.4);
    EXPECT_DOUBLE_EQ(first.low, 13.1);
    EXPECT_EQ(first.precipitationChance, 16.0);
    EXPECT_EQ(first.precipitationSum, 0.0);
    EXPECT_EQ(first.sunrise, utc("2024-06-21T03:43:00"));
    EXPECT_EQ(first.sunset, utc("2024-06-21T20:21:00"));
    const WeatherDay& last = r.days.back();
    EXPECT_EQ(last.date, utc("2024-07-03T23:00:00"));
    EXPECT_EQ(last.code, 3);
    // A null in a list is a missing value.
    EXPECT_FALSE(last.precipitationChance.has_value());
    EXPECT_EQ(last.precipitationSum, 0.0);
    for (std::size_t i = 1; i < r.days.size(); ++i)
        EXPECT_LT(r.days[i - 1].date, r.days[i].date);
}

TEST(WeatherReport, CurrentValuesAndTheirFallbacks) {
    // Without "hourly" the hourly values are absent; everything else is as sent.
    {
        const WeatherReport r = report(parse(R"({"current": {"time": "2024-05-01T14:15",
            "temperature_2m": -3.5, "relative_humidity_2m": 91, "weather_code": 71,
            "is_day": 0}, "daily": {}})"));
        EXPECT_DOUBLE_EQ(r.current.temperature, -3.5);
        EXPECT_DOUBLE_EQ(r.current.humidity, 91);
        EXPECT_EQ(r.current.code, 71);
        EXPECT_FALSE(r.current.isDay);
        EXPECT_FALSE(r.current.dewPoint || r.current.visibility || r.current.uvIndex);
        // Missing values are 0.
        EXPECT_DOUBLE_EQ(r.current.apparent, 0);
        EXPECT_DOUBLE_EQ(r.current.pressure, 0);
        EXPECT_TRUE(r.days.empty());
    }
    struct Row {
        const char* current;
        std::int64_t code;
        bool isDay;
    };
    const Row rows[] = {
        {R"({})", 0, true},
        {R"({"is_day": 1, "weather_code": 2.9})", 2, true},
        {R"({"is_day": 0.5, "weather_code": -2.9})", -2, false},
        {R"({"is_day": 0})", 0, false},
        {R"({"is_day": "1", "weather_code": "3"})", 0, true}, // texts count as missing
        {R"({"is_day": null, "weather_code": null})", 0, true},
        {R"({"weather_code": 1e300})", 0, true}, // beyond any code: taken as missing
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.current);
        QJsonObject answer;
        answer.insert(QStringLiteral("current"), parse(row.current));
        answer.insert(QStringLiteral("daily"), QJsonObject());
        const WeatherReport r = report(answer);
        EXPECT_EQ(r.current.code, row.code);
        EXPECT_EQ(r.current.isDay, row.isDay);
    }
}

TEST(WeatherReport, CurrentHourLookup) {
    struct Row {
        const char* name;
        const char* answer;
        std::optional<double> dewPoint;
        std::optional<double> uvIndex;
    };
    const Row rows[] = {
        {"first matching hour",
         R"({"current": {"time": "2024-05-01T02:45"}, "hourly": {
             "time": ["2024-05-01T00:00", "2024-05-01T01:00", "2024-05-01T02:00",
                      "2024-05-01T02:30"],
             "dew_point_2m": [1, 2, 3, 4], "uv_index": [0, 0, 0.5, 0.7]}})",
         3, 0.5},
        {"list too short for the hour",
         R"({"current": {"time": "2024-05-01T02:45"}, "hourly": {
             "time": ["2024-05-01T00:00", "2024-05-01T01:00", "2024-05-01T02:00"],
             "dew_point_2m": [1, 2], "uv_index": [0, 0, "high"]}})",
         std::nullopt, std::nullopt},
        {"no matching hour",
         R"({"current": {"time": "2024-05-02T02:45"}, "hourly": {
             "time": ["2024-05-01T02:00"], "dew_point_2m": [1], "uv_index": [2]}})",
         std::nullopt, std::nullopt},
        {"times not all texts",
         R"({"current": {"time": "2024-05-01T02:45"}, "hourly": {
             "time": ["2024-05-01T02:00", 7], "dew_point_2m": [1, 2], "uv_index": [2, 3]}})",
         std::nullopt, std::nullopt},
        {"current time not a text",
         R"({"current": {"time": 1714530000}, "hourly": {
             "time": ["2024-05-01T02:00"], "dew_point_2m": [1], "uv_index": [2]}})",
         std::nullopt, std::nullopt},
        {"hourly not an object",
         R"({"current": {"time": "2024-05-01T02:45"}, "hourly": ["2024-05-01T02:00"]})",
         std::nullopt, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QJsonObject answer = parse(row.answer);
        answer.insert(QStringLiteral("daily"), QJsonObject());
        const WeatherReport r = report(answer);
        EXPECT_EQ(r.current.dewPoint, row.dewPoint);
        EXPECT_EQ(r.current.uvIndex, row.uvIndex);
        EXPECT_FALSE(r.current.visibility.has_value());
    }
}

TEST(WeatherReport, TimeZoneChoice) {
    struct Row {
        const char* fields;
        QTimeZone zone;
    };
    const Row rows[] = {
        {R"("timezone": "Asia/Kolkata", "utc_offset_seconds": 19800)", QTimeZone("Asia/Kolkata")},
        {R"("timezone": "Mars/Olympus_Mons", "utc_offset_seconds": 3600)", QTimeZone(3600)},
        {R"("timezone": "", "utc_offset_seconds": -16200)", QTimeZone(-16200)},
        {R"("timezone": 5, "utc_offset_seconds": 3600.0)", QTimeZone(3600)},
        {R"("utc_offset_seconds": 3600.5)", QTimeZone(0)}, // not a whole number of seconds
        {R"("timezone": null)", QTimeZone(0)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fields);
        const QByteArray json = QByteArray("{") + row.fields + R"(, "current": {}, "daily": {}})";
        const WeatherReport r = report(parse(json.constData()));
        EXPECT_EQ(r.timeZone, row.zone) << r.timeZone.id().toStdString();
    }
    // An offset no fixed zone can hold falls back to the machine's zone (UTC under test).
    const WeatherReport far = report(parse(R"({"utc_offset_seconds": 90000000000,
        "current": {}, "daily": {}})"));
    EXPECT_EQ(far.timeZone, QTimeZone::systemTimeZone());
}

TEST(WeatherReport, ZoneIdsOutsideTheZoneDatabaseAreNeverRead) {
    // A well-formed zone file outside the database, reached by climbing out of it: the id names
    // a readable file, but only ids the database lists are zones, so the offset decides.
    QTemporaryDir outside;
    ASSERT_TRUE(outside.isValid());
    const QString copy = outside.filePath(QStringLiteral("Kolkata"));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/usr/share/zoneinfo/Asia/Kolkata"), copy));
    const QString climbing = QStringLiteral("../../../../../../../..") + copy;
    const QString rows[] = {climbing, copy};
    for (const QString& id : rows) {
        SCOPED_TRACE(id.toStdString());
        const QJsonObject answer{{QStringLiteral("timezone"), id},
                                 {QStringLiteral("utc_offset_seconds"), 3600},
                                 {QStringLiteral("current"), QJsonObject{}},
                                 {QStringLiteral("daily"), QJsonObject{}}};
        const WeatherReport r = report(answer);
        EXPECT_EQ(r.timeZone, QTimeZone(3600)) << r.timeZone.id().toStdString();
    }
}

TEST(WeatherReport, DaysTakeTheValuesAtTheirOwnPositions) {
    // The second date cannot be read: that day is dropped, and the third keeps the values
    // sent for it rather than taking the dropped day's.
    const WeatherReport r = report(parse(R"({"timezone": "UTC", "current": {}, "daily": {
        "time": ["2024-05-01", "2024-5-02", "2024-05-03", 20240504, "2024-02-30", "2024-05-06"],
        "weather_code": [1, 2, 3, 4, 5, 61.7],
        "temperature_2m_max": [10, 11, 12, 13, 14, 15],
        "temperature_2m_min": [0, 1, 2, 3, 4, 5],
        "precipitation_probability_max": [10, 20, 30, 40, 50, 60],
        "precipitation_sum": [0.1, 0.2, 0.3, 0.4, 0.5, 0.6],
        "sunrise": ["2024-05-01T05:33", "x", "2024-05-03T05:29", "x", "x", "2024-05-06 05:25"],
        "sunset": ["2024-05-01T20:21", "x", "2024-05-03T20:24", "x", "x", "2024-05-06T20:28"]}})"));
    ASSERT_EQ(r.days.size(), 3u);
    EXPECT_EQ(r.days[0].date, utc("2024-05-01T00:00:00"));
    EXPECT_EQ(r.days[0].code, 1);
    EXPECT_DOUBLE_EQ(r.days[0].high, 10);
    EXPECT_EQ(r.days[1].date, utc("2024-05-03T00:00:00"));
    EXPECT_EQ(r.days[1].code, 3);
    EXPECT_DOUBLE_EQ(r.days[1].high, 12);
    EXPECT_DOUBLE_EQ(r.days[1].low, 2);
    EXPECT_EQ(r.days[1].precipitationChance, 30.0);
    EXPECT_EQ(r.days[1].precipitationSum, 0.3);
    EXPECT_EQ(r.days[1].sunrise, utc("2024-05-03T05:29:00"));
    EXPECT_EQ(r.days[1].sunset, utc("2024-05-03T20:24:00"));
    EXPECT_EQ(r.days[2].date, utc("2024-05-06T00:00:00"));
    EXPECT_EQ(r.days[2].code, 61);
    EXPECT_DOUBLE_EQ(r.days[2].high, 15);
    EXPECT_FALSE(r.days[2].sunrise.has_value()); // not in the "yyyy-MM-dd'T'HH:mm" form
    EXPECT_EQ(r.days[2].sunset, utc("2024-05-06T20:28:00"));
}

TEST(WeatherReport, ShortListsLeaveLaterDaysMissing) {
    QJsonArray dates, sums;
    for (int day = 1; day <= 14; ++day) {
        dates.append(QDate(2024, 7, day).toString(Qt::ISODate));
        if (day <= 10)
            sums.append(day * 0.5);
    }
    const QJsonObject daily{{QStringLiteral("time"), dates},
                            {QStringLiteral("precipitation_sum"), sums},
                            {QStringLiteral("temperature_2m_max"), QJsonArray{30}}};
    const WeatherReport r = report(QJsonObject{{QStringLiteral("timezone"), QStringLiteral("UTC")},
                                               {QStringLiteral("current"), QJsonObject()},
                                               {QStringLiteral("daily"), daily}});
    ASSERT_EQ(r.days.size(), 14u);
    EXPECT_EQ(r.days[9].precipitationSum, 5.0);
    for (std::size_t i = 10; i < 14; ++i)
        EXPECT_FALSE(r.days[i].precipitationSum.has_value()) << i;
    EXPECT_DOUBLE_EQ(r.days[0].high, 30);
    EXPECT_DOUBLE_EQ(r.days[1].high, 0);
    EXPECT_EQ(r.days[1].code, 0);
    EXPECT_FALSE(r.days[1].precipitationChance.has_value());
    EXPECT_FALSE(r.days[1].sunrise.has_value());
}

TEST(WeatherReport, DaysWithoutDateList) {
    for (const char* daily : {R"({})", R"({"time": "2024-05-01"})", R"({"time": [null, 3]})"}) {
        SCOPED_TRACE(daily);
        QJsonObject answer{{QStringLiteral("current"), QJsonObject()}};
        answer.insert(QStringLiteral("daily"), parse(daily));
        EXPECT_TRUE(report(answer).days.empty());
    }
}

TEST(WeatherReport, DayStartsInThePlacesZone) {
    // Local times and day starts follow the place's zone, across a daylight-saving change.
    const WeatherReport r = report(parse(R"({"timezone": "America/New_York", "current": {},
        "daily": {"time": ["2024-03-09", "2024-03-10"],
                  "sunrise": ["2024-03-09T06:23", "2024-03-10T07:21"]}})"));
    ASSERT_EQ(r.days.size(), 2u);
    EXPECT_EQ(r.days[0].date, utc("2024-03-09T05:00:00"));
    EXPECT_EQ(r.days[1].date, utc("2024-03-10T05:00:00"));
    EXPECT_EQ(r.days[0].sunrise, utc("2024-03-09T11:23:00"));
    EXPECT_EQ(r.days[1].sunrise, utc("2024-03-10T11:21:00"));
}
