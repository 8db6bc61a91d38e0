#include "services/WeatherRequests.h"

#include "base/JsonRead.h"
#include "base/Numbers.h"
#include "platform/MainQueue.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QThreadPool>
#include <memory>
#include <utility>

namespace morvanex {

namespace jr = jsonread;

WeatherEndpoints WeatherEndpoints::standard() {
    return {QUrl(QStringLiteral("https://api.open-meteo.com")),
            QUrl(QStringLiteral("https://geocoding-api.open-meteo.com")),
            QUrl(QStringLiteral("https://ipapi.co")), std::chrono::milliseconds(30000)};
}

namespace weather {

namespace {

template <typename T> WeatherResult<T> failure(QString error) {
    return {std::nullopt, std::move(error)};
}

// Runs `work` on a pool thread and hands its result to `done` on the main thread.
template <typename T> void offMain(std::function<T()> work, std::function<void(T)> done) {
    QThreadPool::globalInstance()->start(
        [work = std::move(work), done = std::move(done)]() mutable {
            auto result = std::make_shared<T>(work());
            platform::postToMain([done = std::move(done), result] { done(std::move(*result)); });
        });
}

// Query values keep the characters a query allows as they are (commas included) and
// percent-encode the rest, and also "&", "=", "+" and "#", which would change the query's
// meaning.
QByteArray queryValue(const QString& value) {
    return QUrl::toPercentEncoding(value, QByteArrayLiteral("!$'()*,;:@/?"));
}

QUrl withPathAndQuery(const QUrl& base, const QString& path,
                      const std::vector<std::pair<const char*, QString>>& items) {
    QByteArray query;
    for (const auto& [name, value] : items) {
        if (!query.isEmpty())
            query += '&';
        query += name;
        query += '=';
        query += queryValue(value);
    }
    QUrl url = base;
    url.setPath(path);
    url.setQuery(query.isEmpty() ? QString() : QString::fromLatin1(query));
    return url;
}

std::optional<QJsonDocument> parseJson(const QByteArray& body, QString* error) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("The answer could not be read as JSON: ") +
                 parseError.errorString() + QStringLiteral(" at offset ") +
                 QString::fromStdString(numbers::integerText(parseError.offset)) + u'.';
        return std::nullopt;
    }
    return document;
}

// Largest answers accepted: a 14-day forecast is some tens of kilobytes, the others far less.
constexpr qint64 forecastLimit = 4 * 1024 * 1024;
constexpr qint64 smallAnswerLimit = 1024 * 1024;

QString unreachableText() {
    return QStringLiteral("The service could not be reached, or did not answer in time.");
}

QString incompleteText() {
    return QStringLiteral("The service's answer did not arrive whole.");
}

// Why a request brought back no usable answer.
QString transferText(const platform::HttpAnswer& answer) {
    if (!answer.status)
        return unreachableText();
    if (answer.ok)
        return QString();
    if (*answer.status >= 200 && *answer.status < 300)
        return incompleteText();
    return QStringLiteral("The service answered with HTTP status ") +
           QString::fromStdString(numbers::integerText(*answer.status)) + u'.';
}

QString badStatusText(int status) {
    return QStringLiteral("The weather service answered with HTTP status ") +
           QString::fromStdString(numbers::integerText(status)) + u'.';
}

WeatherResult<WeatherReport> readForecast(const QByteArray& body, const WeatherLocation& place,
                                          const QDateTime& fetched) {
    QString error;
    const auto document = parseJson(body, &error);
    if (!document)
        return failure<WeatherReport>(error);
    const QJsonObject answer = document->object();
    if (!document->isObject() || !answer.value(QStringLiteral("current")).isObject() ||
        !answer.value(QStringLiteral("daily")).isObject())
        return failure<WeatherReport>(
            QStringLiteral("The weather service's answer holds no current conditions or "
                           "forecast."));
    return {WeatherReport::fromAnswer(answer, place, fetched), QString()};
}

WeatherResult<WeatherLocation> readIpLocation(const QByteArray& body) {
    QString error;
    const auto document = parseJson(body, &error);
    if (!document)
        return failure<WeatherLocation>(error);
    const QJsonObject answer = document->object();
    const auto latitude = jr::real(answer.value(QStringLiteral("latitude")));
    const auto longitude = jr::real(answer.value(QStringLiteral("longitude")));
    if (!document->isObject() || !latitude || !longitude)
        return failure<WeatherLocation>(
            QStringLiteral("The location service's answer holds no coordinates."));
    const QString name =
        jr::text(answer.value(QStringLiteral("city"))).value_or(QStringLiteral("Current Location"));
    return {WeatherLocation{name, *latitude, *longitude}, QString()};
}

WeatherResult<std::vector<WeatherLocation>> readPlaces(const QByteArray& body) {
    QString error;
    const auto document = parseJson(body, &error);
    if (!document)
        return failure<std::vector<WeatherLocation>>(error);
    const QJsonValue results = document->object().value(QStringLiteral("results"));
    std::vector<WeatherLocation> places;
    if (!document->isObject() || !results.isArray())
        return {places, QString()};
    const QJsonArray list = results.toArray();
    for (const QJsonValue& result : list) {
        if (!result.isObject())
            return {std::vector<WeatherLocation>(), QString()}; // not a list of objects
    }
    for (const QJsonValue& result : list) {
        const QJsonObject object = result.toObject();
        const auto name = jr::text(object.value(QStringLiteral("name")));
        const auto latitude = jr::real(object.value(QStringLiteral("latitude")));
        const auto longitude = jr::real(object.value(QStringLiteral("longitude")));
        if (!name || !latitude || !longitude)
            continue;
        QStringList region;
        for (const char* key : {"admin1", "country"}) {
            if (const auto part = jr::text(object.value(QLatin1String(key))))
                region.append(*part);
        }
        QString fullName = *name;
        if (!region.isEmpty())
            fullName += QStringLiteral(", ") + region.join(QStringLiteral(", "));
        places.push_back(WeatherLocation{fullName, *latitude, *longitude});
    }
    return {places, QString()};
}

// Why a place search brought back nothing: the network layer's words when no answer came, the
// service's own reason (its "reason" field) with an error status.
QString searchFailureText(const platform::HttpAnswer& answer) {
    const auto sentence = [](QString text) {
        if (!text.endsWith(u'.'))
            text += u'.';
        return text;
    };
    if (!answer.status)
        return answer.error.isEmpty()
                   ? unreachableText()
                   : sentence(QStringLiteral("The service could not be reached: ") + answer.error);
    if (*answer.status >= 200 && *answer.status < 300)
        return answer.error.isEmpty()
                   ? incompleteText()
                   : sentence(incompleteText().chopped(1) + QStringLiteral(": ") + answer.error);
    QString text = QStringLiteral("The service answered with HTTP status ") +
                   QString::fromStdString(numbers::integerText(*answer.status));
    const QJsonDocument document = QJsonDocument::fromJson(answer.body);
    const QJsonValue reason = document.object().value(QStringLiteral("reason"));
    if (reason.isString() && !reason.toString().trimmed().isEmpty())
        text += QStringLiteral(": ") + reason.toString().trimmed();
    return sentence(text);
}

} // namespace

QUrl forecastUrl(const WeatherEndpoints& endpoints, const WeatherLocation& place) {
    const auto real = [](double value) { return QString::fromStdString(numbers::realText(value)); };
    return withPathAndQuery(
        endpoints.forecast, QStringLiteral("/v1/forecast"),
        {{"latitude", real(place.latitude)},
         {"longitude", real(place.longitude)},
         {"current", QStringLiteral("temperature_2m,apparent_temperature,relative_humidity_2m,"
                                    "is_day,precipitation,weather_code,cloud_cover,"
                                    "surface_pressure,wind_speed_10m,wind_direction_10m,"
                                    "wind_gusts_10m")},
         {"hourly", QStringLiteral("dew_point_2m,visibility,uv_index")},
         {"daily", QStringLiteral("weather_code,temperature_2m_max,temperature_2m_min,"
                                  "precipitation_probability_max,precipitation_sum,sunrise,"
                                  "sunset")},
         {"timezone", QStringLiteral("auto")},
         {"forecast_days", QStringLiteral("14")}});
}

QUrl ipLocationUrl(const WeatherEndpoints& endpoints) {
    return withPathAndQuery(endpoints.ipLocation, QStringLiteral("/json/"), {});
}

QUrl placesUrl(const WeatherEndpoints& endpoints, const QString& query) {
    return withPathAndQuery(endpoints.places, QStringLiteral("/v1/search"),
                            {{"name", query}, {"count", QStringLiteral("8")}});
}

void fetch(platform::HttpClient& http, const WeatherEndpoints& endpoints,
           const WeatherLocation& place, const platform::Clock& clock,
           std::function<void(WeatherResult<WeatherReport>)> done) {
    http.get(forecastUrl(endpoints, place), endpoints.timeout, forecastLimit,
             [place, clock, done = std::move(done)](platform::HttpAnswer answer) mutable {
                 if (!answer.status)
                     return done(failure<WeatherReport>(unreachableText()));
                 if (*answer.status != 200)
                     return done(failure<WeatherReport>(badStatusText(*answer.status)));
                 if (!answer.ok)
                     return done(failure<WeatherReport>(incompleteText()));
                 const QDateTime fetched = clock.now();
                 offMain<WeatherResult<WeatherReport>>(
                     [body = std::move(answer.body), place, fetched] {
                         return readForecast(body, place, fetched);
                     },
                     std::move(done));
             });
}

void locateByIP(platform::HttpClient& http, const WeatherEndpoints& endpoints,
                std::function<void(WeatherResult<WeatherLocation>)> done) {
    http.get(ipLocationUrl(endpoints), endpoints.timeout, smallAnswerLimit,
             [done = std::move(done)](platform::HttpAnswer answer) mutable {
                 if (!answer.ok)
                     return done(failure<WeatherLocation>(transferText(answer)));
                 offMain<WeatherResult<WeatherLocation>>(
                     [body = std::move(answer.body)] { return readIpLocation(body); },
                     std::move(done));
             });
}

void searchPlaces(platform::HttpClient& http, const WeatherEndpoints& endpoints,
                  const QString& query,
                  std::function<void(WeatherResult<std::vector<WeatherLocation>>)> done) {
    http.get(placesUrl(endpoints, query), endpoints.timeout, smallAnswerLimit,
             [done = std::move(done)](platform::HttpAnswer answer) mutable {
                 if (!answer.ok)
                     return done(failure<std::vector<WeatherLocation>>(searchFailureText(answer)));
                 offMain<WeatherResult<std::vector<WeatherLocation>>>(
                     [body = std::move(answer.body)] { return readPlaces(body); }, std::move(done));
             });
}

} // namespace weather

} // namespace morvanex
