#include "services/WeatherService.h"

#include <QEventLoop>
#include <QFile>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>
#include <memory>

using namespace morvanex;

namespace {

QByteArray fixture(const char* name) {
    QFile file(QStringLiteral(MORVANEX_FIXTURES "/weather/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

// Runs the event loop until `done` holds; false when it still does not after a generous wait.
bool waitUntil(const std::function<bool()>& done) {
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(5);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(30000);
    loop.exec();
    return done();
}

// Lets queued work run for a moment, for checks that something does NOT happen.
void settle() {
    QEventLoop loop;
    QTimer::singleShot(50, &loop, &QEventLoop::quit);
    loop.exec();
}

// A small HTTP/1.1 server on 127.0.0.1 answering GET requests by path from recorded answers.
class FakeServer {
public:
    struct Answer {
        int status = 200;
        QByteArray body;
        bool stall = false; // keep the connection open and never answer
        bool hold = false;  // answer only when release() is called
    };

    FakeServer() {
        EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                serve(socket);
        });
    }

    void answer(const QString& path, Answer answer) { answers_[path] = std::move(answer); }

    WeatherEndpoints endpoints(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        const QUrl base(QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()));
        return {base, base, base, timeout};
    }

    // Request targets (path and query) in the order they arrived.
    QStringList targets;
    int count(const QString& path) const {
        return int(std::count_if(targets.begin(), targets.end(), [&](const QString& target) {
            return target.section(u'?', 0, 0) == path;
        }));
    }

    // Answers every held request with its path's current answer.
    void release() {
        for (auto& [socket, path] : held_) {
            if (socket)
                respond(socket, answers_[path]);
        }
        held_.clear();
    }

    void close() { server_.close(); }

private:
    void serve(QTcpSocket* socket) {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            *buffer += socket->readAll();
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            const QList<QByteArray> requestLine = buffer->left(buffer->indexOf("\r\n")).split(' ');
            buffer->clear();
            const QString target =
                requestLine.size() >= 2 ? QString::fromLatin1(requestLine[1]) : QString();
            targets.append(target);
            const QString path = target.section(u'?', 0, 0);
            const auto found = answers_.find(path);
            const Answer answer =
                found == answers_.end() ? Answer{404, "{\"error\": true}"} : found->second;
            if (answer.stall)
                return;
            if (answer.hold) {
                held_.emplace_back(QPointer<QTcpSocket>(socket), path);
                return;
            }
            respond(socket, answer);
        });
    }

    static void respond(QTcpSocket* socket, const Answer& answer) {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + " Status\r\n";
        head += "Content-Type: application/json\r\n";
        head += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
        head += "Connection: close\r\n\r\n";
        socket->write(head + answer.body);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    std::map<QString, Answer> answers_;
    std::vector<std::pair<QPointer<QTcpSocket>, QString>> held_;
};

const WeatherLocation london{QStringLiteral("London"), 51.5074, -0.1278};
const WeatherLocation paris{QStringLiteral("Paris"), 48.8566, 2.3522};

QDateTime utc(const char* text) {
    QDateTime moment = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
    moment.setTimeZone(QTimeZone::utc());
    return moment;
}

// A service on the fake server with a hand-driven clock, counting its updates.
struct Harness {
    FakeServer server;
    QDateTime now = utc("2024-06-21T13:20:00");
    int updates = 0;
    std::unique_ptr<WeatherService> service;

    explicit Harness(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        server.answer(QStringLiteral("/v1/forecast"), {200, fixture("forecast-london.json")});
        server.answer(QStringLiteral("/json/"), {200, fixture("ip-location.json")});
        platform::Clock clock;
        clock.now = [this] { return now; };
        service = std::make_unique<WeatherService>(server.endpoints(timeout), clock);
        service->onUpdate = [this] { ++updates; };
    }

    // Calls refreshIfNeeded and, when it started a refresh, waits for its outcome.
    bool refresh(const std::optional<WeatherLocation>& configured, bool force = false) {
        const int before = updates;
        service->refreshIfNeeded(configured, force);
        if (!service->isLoading())
            return false;
        EXPECT_TRUE(waitUntil([&] { return updates > before; }));
        EXPECT_FALSE(service->isLoading());
        return true;
    }

    void advance(double seconds) { now = now.addMSecs(qint64(seconds * 1000)); }
};

} // namespace

TEST(WeatherServiceRequests, AddressesAndQueries) {
    const WeatherEndpoints standard = WeatherEndpoints::standard();
    EXPECT_EQ(weather::forecastUrl(standard, london).toString().toStdString(),
              "https://api.open-meteo.com/v1/forecast?latitude=51.5074&longitude=-0.1278"
              "&current=temperature_2m,apparent_temperature,relative_humidity_2m,is_day,"
              "precipitation,weather_code,cloud_cover,surface_pressure,wind_speed_10m,"
              "wind_direction_10m,wind_gusts_10m&hourly=dew_point_2m,visibility,uv_index"
              "&daily=weather_code,temperature_2m_max,temperature_2m_min,"
              "precipitation_probability_max,precipitation_sum,sunrise,sunset"
              "&timezone=auto&forecast_days=14");
    // Whole coordinates keep ".0"; tiny ones use the exponent form of a double's text.
    const QUrl whole = weather::forecastUrl(standard, {QStringLiteral("Null Island"), 0, -1e-05});
    EXPECT_TRUE(whole.query().startsWith(QStringLiteral("latitude=0.0&longitude=-1e-05&")))
        << whole.query().toStdString();
    EXPECT_EQ(weather::ipLocationUrl(standard).toString().toStdString(), "https://ipapi.co/json/");
    EXPECT_EQ(weather::placesUrl(standard, QStringLiteral("London")).toString().toStdString(),
              "https://geocoding-api.open-meteo.com/v1/search?name=London&count=8");
    // Characters that would change the query's meaning are encoded; the name is otherwise
    // passed on unchanged.
    EXPECT_EQ(weather::placesUrl(standard, QStringLiteral(" São Paulo & Co=1+2#x%"))
                  .toString(QUrl::FullyEncoded)
                  .toStdString(),
              "https://geocoding-api.open-meteo.com/v1/search?"
              "name=%20S%C3%A3o%20Paulo%20%26%20Co%3D1%2B2%23x%25&count=8");
}

TEST(WeatherService, StartsEmpty) {
    const WeatherService service;
    EXPECT_FALSE(service.report() || service.resolvedLocation() || service.lastError() ||
                 service.lastConfigured() || service.autoLocation());
    EXPECT_FALSE(service.isLoading());
    EXPECT_LT(service.lastFetch(), utc("1970-01-01T00:00:00"));
}

TEST(WeatherService, FetchesTheConfiguredPlace) {
    Harness h;
    h.service->refreshIfNeeded(london, false);
    // The refresh starts at once and is applied later, on the main thread.
    EXPECT_TRUE(h.service->isLoading());
    EXPECT_EQ(h.service->lastFetch(), h.now);
    EXPECT_EQ(h.service->lastConfigured(), london);
    EXPECT_EQ(h.updates, 0);
    const QDateTime started = h.now;
    h.advance(2);
    ASSERT_TRUE(waitUntil([&] { return h.updates == 1; }));

    EXPECT_FALSE(h.service->isLoading());
    EXPECT_FALSE(h.service->lastError().has_value());
    EXPECT_EQ(h.service->resolvedLocation(), london);
    EXPECT_FALSE(h.service->autoLocation().has_value());
    EXPECT_EQ(h.service->lastFetch(), started);
    ASSERT_TRUE(h.service->report().has_value());
    const WeatherReport& report = *h.service->report();
    EXPECT_EQ(report.location, london);
    EXPECT_EQ(report.fetched, h.now);
    EXPECT_DOUBLE_EQ(report.current.temperature, 21.3);
    EXPECT_EQ(report.days.size(), 14u);
    EXPECT_EQ(report.timeZone.id(), QByteArray("Europe/London"));

    // What went over the wire: one forecast request, the query exactly as built.
    ASSERT_EQ(h.server.targets.size(), 1);
    EXPECT_EQ(h.server.targets[0].toStdString(),
              "/v1/forecast?latitude=51.5074&longitude=-0.1278"
              "&current=temperature_2m,apparent_temperature,relative_humidity_2m,is_day,"
              "precipitation,weather_code,cloud_cover,surface_pressure,wind_speed_10m,"
              "wind_direction_10m,wind_gusts_10m&hourly=dew_point_2m,visibility,uv_index"
              "&daily=weather_code,temperature_2m_max,temperature_2m_min,"
              "precipitation_probability_max,precipitation_sum,sunrise,sunset"
              "&timezone=auto&forecast_days=14");
}

TEST(WeatherService, RefreshesAfterThirtyMinutesWhenForcedOrWhenThePlaceChanges) {
    Harness h;
    ASSERT_TRUE(h.refresh(london));
    const QDateTime started = h.service->lastFetch();
    struct Step {
        const char* what;
        double secondsAfterStart;
        std::optional<WeatherLocation> configured;
        bool force;
        bool refreshes;
    };
    const Step steps[] = {
        {"same place soon after", 10, london, false, false},
        {"same place at exactly 30 minutes", 1800, london, false, false},
        {"same place a moment later", 1800.001, london, false, true},
        {"forced", 1810, london, true, true},
        {"another place", 1820, paris, false, true},
        {"that place again", 1830, paris, false, false},
        {"same name, other coordinates", 1840,
         WeatherLocation{QStringLiteral("Paris"), 48.8566, 2.35}, false, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        h.now = started.addMSecs(qint64(step.secondsAfterStart * 1000));
        const int requests = int(h.server.targets.size());
        EXPECT_EQ(h.refresh(step.configured, step.force), step.refreshes);
        EXPECT_EQ(h.server.targets.size(), requests + (step.refreshes ? 1 : 0));
        if (step.refreshes) {
            EXPECT_EQ(h.service->lastFetch(), h.now);
            EXPECT_EQ(h.service->resolvedLocation(), step.configured);
            EXPECT_EQ(h.service->report()->location, step.configured);
        }
    }
}

TEST(WeatherService, FindsThePlaceByAddressOnceAndKeepsIt) {
    Harness h;
    ASSERT_TRUE(h.refresh(std::nullopt));
    const WeatherLocation found{QStringLiteral("London"), 51.5085, -0.1257};
    EXPECT_EQ(h.service->autoLocation(), found);
    EXPECT_EQ(h.service->resolvedLocation(), found);
    EXPECT_EQ(h.service->report()->location, found);
    ASSERT_EQ(h.server.targets.size(), 2);
    EXPECT_EQ(h.server.targets[0], QStringLiteral("/json/"));
    EXPECT_TRUE(h.server.targets[1].startsWith(
        QStringLiteral("/v1/forecast?latitude=51.5085&longitude=-0.1257&")));

    // Later refreshes without a configured place use the kept place, also after a configured
    // place came and went; a configured place neither reads nor changes it.
    h.advance(1801);
    ASSERT_TRUE(h.refresh(std::nullopt));
    ASSERT_TRUE(h.refresh(paris, true));
    EXPECT_EQ(h.service->autoLocation(), found);
    EXPECT_EQ(h.service->resolvedLocation(), paris);
    ASSERT_TRUE(h.refresh(std::nullopt));
    EXPECT_EQ(h.service->resolvedLocation(), found);
    EXPECT_EQ(h.server.count(QStringLiteral("/json/")), 1);
    EXPECT_EQ(h.server.count(QStringLiteral("/v1/forecast")), 4);
}

TEST(WeatherService, AddressLookupAnswers) {
    struct Row {
        const char* fixture;
        int status;
        std::optional<WeatherLocation> place; // absent: the refresh fails
    };
    const Row rows[] = {
        {"ip-location-no-city.json", 200,
         WeatherLocation{QStringLiteral("Current Location"), 48.8582, 2.3387}},
        // Any success status will do.
        {"ip-location.json", 203, WeatherLocation{QStringLiteral("London"), 51.5085, -0.1257}},
        {"ip-location-rate-limited.json", 429, std::nullopt},
        {"ip-location-rate-limited.json", 200, std::nullopt},
        {"search-no-results.json", 200, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fixture);
        Harness h;
        h.server.answer(QStringLiteral("/json/"), {row.status, fixture(row.fixture)});
        ASSERT_TRUE(h.refresh(std::nullopt));
        EXPECT_EQ(h.service->autoLocation(), row.place);
        EXPECT_EQ(h.service->resolvedLocation(), row.place);
        EXPECT_EQ(h.service->lastError().has_value(), !row.place.has_value());
        EXPECT_EQ(h.server.count(QStringLiteral("/v1/forecast")), row.place ? 1 : 0);
    }
}

TEST(WeatherService, LookupIsRepeatedUntilAReportArrives) {
    Harness h;
    h.server.answer(QStringLiteral("/json/"), {200, fixture("ip-location-rate-limited.json")});
    ASSERT_TRUE(h.refresh(std::nullopt));
    EXPECT_EQ(h.service->lastError(),
              QStringLiteral("The location service's answer holds no coordinates."));
    // The lookup works now, but the forecast fails: no place is kept.
    h.server.answer(QStringLiteral("/json/"), {200, fixture("ip-location.json")});
    h.server.answer(QStringLiteral("/v1/forecast"), {500, "{}"});
    h.advance(301);
    ASSERT_TRUE(h.refresh(std::nullopt));
    EXPECT_FALSE(h.service->autoLocation().has_value());
    h.server.answer(QStringLiteral("/v1/forecast"), {200, fixture("forecast-london.json")});
    h.advance(301);
    ASSERT_TRUE(h.refresh(std::nullopt));
    EXPECT_TRUE(h.service->autoLocation().has_value());
    EXPECT_EQ(h.server.count(QStringLiteral("/json/")), 3);
}

TEST(WeatherService, FailuresKeepTheLastReportAndRetryAfterFiveMinutes) {
    struct Row {
        const char* what;
        FakeServer::Answer answer;
        QString error;
    };
    const Row rows[] = {
        {"server error",
         {500, "{\"error\":true}"},
         QStringLiteral("The weather service answered with HTTP status 500.")},
        {"created",
         {201, fixture("forecast-london.json")},
         QStringLiteral("The weather service answered with HTTP status 201.")},
        {"not modified",
         {304, {}},
         QStringLiteral("The weather service answered with HTTP status 304.")},
        {"timeout",
         {200, {}, true},
         QStringLiteral("The service could not be reached, or did not answer in time.")},
        {"not JSON",
         {200, "<html>busy</html>"},
         QStringLiteral("The answer could not be read as JSON: ")},
        {"not an object",
         {200, "[1, 2]"},
         QStringLiteral("The weather service's answer holds no current conditions or forecast.")},
        {"no forecast",
         {200, R"({"current": {}, "daily": []})"},
         QStringLiteral("The weather service's answer holds no current conditions or forecast.")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        // A short time limit only where it is tested; the good answer before it still has
        // seconds to arrive on a loaded machine.
        const bool stalls = row.answer.stall;
        Harness h(stalls ? std::chrono::milliseconds(2000) : std::chrono::milliseconds(20000));
        ASSERT_TRUE(h.refresh(london));
        const WeatherReport good = *h.service->report();

        h.advance(1801);
        h.server.answer(QStringLiteral("/v1/forecast"), row.answer);
        ASSERT_TRUE(h.refresh(london));
        ASSERT_TRUE(h.service->lastError().has_value());
        EXPECT_TRUE(h.service->lastError()->startsWith(row.error))
            << h.service->lastError()->toStdString();
        EXPECT_EQ(h.service->report(), good);
        EXPECT_EQ(h.service->resolvedLocation(), london);
        EXPECT_EQ(h.updates, 2);
        const QDateTime failed = h.now;
        EXPECT_EQ(h.service->lastFetch(), failed.addSecs(-1500));

        // No new attempt until more than 300 seconds have passed since the failure.
        h.now = failed.addSecs(300);
        EXPECT_FALSE(h.refresh(london));
        h.server.answer(QStringLiteral("/v1/forecast"), {200, fixture("forecast-london.json")});
        h.now = failed.addMSecs(300001);
        ASSERT_TRUE(h.refresh(london));
        EXPECT_FALSE(h.service->lastError().has_value());
        EXPECT_EQ(h.service->report()->fetched, h.now);
    }
}

TEST(WeatherService, UnreachableServiceFails) {
    Harness h;
    h.server.close();
    ASSERT_TRUE(h.refresh(london));
    ASSERT_TRUE(h.service->lastError().has_value());
    EXPECT_FALSE(h.service->lastError()->isEmpty());
    EXPECT_FALSE(h.service->report().has_value());
    EXPECT_FALSE(h.service->resolvedLocation().has_value());
}

TEST(WeatherService, NeverTwoRefreshesAtOnce) {
    Harness h;
    FakeServer::Answer held{200, fixture("forecast-london.json")};
    held.hold = true;
    h.server.answer(QStringLiteral("/v1/forecast"), held);
    h.service->refreshIfNeeded(london, false);
    ASSERT_TRUE(waitUntil([&] { return h.server.targets.size() == 1; }));

    // A forced call and a new place while loading start nothing and are not queued.
    h.advance(5);
    h.service->refreshIfNeeded(london, true);
    h.service->refreshIfNeeded(paris, false);
    h.service->refreshIfNeeded(paris, true);
    settle();
    EXPECT_EQ(h.server.targets.size(), 1);
    EXPECT_EQ(h.service->lastConfigured(), london);

    h.server.release();
    ASSERT_TRUE(waitUntil([&] { return h.updates == 1; }));
    settle();
    EXPECT_EQ(h.updates, 1);
    EXPECT_EQ(h.server.targets.size(), 1);
    // The running refresh's outcome is applied, for the older place.
    EXPECT_EQ(h.service->resolvedLocation(), london);

    // The next tick finds the service idle and fetches the new place.
    h.server.answer(QStringLiteral("/v1/forecast"), {200, fixture("forecast-london.json")});
    ASSERT_TRUE(h.refresh(paris));
    EXPECT_EQ(h.service->resolvedLocation(), paris);
    EXPECT_EQ(h.server.targets.size(), 2);
}

TEST(WeatherService, AnswerAfterTheServiceIsGoneIsDropped) {
    Harness h;
    FakeServer::Answer held{200, fixture("forecast-london.json")};
    held.hold = true;
    h.server.answer(QStringLiteral("/v1/forecast"), held);
    h.service->refreshIfNeeded(london, false);
    ASSERT_TRUE(waitUntil([&] { return h.server.targets.size() == 1; }));
    h.service.reset();
    h.server.release();
    settle();
    settle();
    EXPECT_EQ(h.updates, 0);
}

TEST(WeatherServiceSearch, PlacesByName) {
    FakeServer server;
    server.answer(QStringLiteral("/v1/search"), {200, fixture("search-london.json")});
    const WeatherService service(server.endpoints());
    std::optional<WeatherResult<std::vector<WeatherLocation>>> result;
    service.search(
        QStringLiteral("London"),
        [&](WeatherResult<std::vector<WeatherLocation>> answer) { result = std::move(answer); });
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    ASSERT_TRUE(result->value.has_value()) << result->error.toStdString();
    // In the service's order; one without a name and one with a text latitude are dropped.
    const std::vector<WeatherLocation> expected = {
        {QStringLiteral("London, England, United Kingdom"), 51.50853, -0.12574},
        {QStringLiteral("London, Ontario, Canada"), 42.98339, -81.23304},
        {QStringLiteral("London, United States"), 37.12898, -84.08326},
        {QStringLiteral("London"), 30.6, -97.0},
        {QStringLiteral("City of London, England"), 51.51279, -0.09184},
    };
    EXPECT_EQ(*result->value, expected);
    ASSERT_EQ(server.targets.size(), 1);
    EXPECT_EQ(server.targets[0], QStringLiteral("/v1/search?name=London&count=8"));
}

TEST(WeatherServiceSearch, AnswersWithoutResultsAndFailures) {
    struct Row {
        const char* what;
        FakeServer::Answer answer;
        bool fails;
        std::size_t places;
    };
    const Row rows[] = {
        {"no results", {200, fixture("search-no-results.json")}, false, 0},
        {"results not a list", {200, R"({"results": {"name": "London"}})"}, false, 0},
        {"results not all objects",
         {200, R"({"results": [{"name": "A", "latitude": 1, "longitude": 2}, 3]})"},
         false,
         0},
        {"top level a list", {200, "[]"}, false, 0},
        {"success status other than 200",
         {203, R"({"results": [{"name": "A", "latitude": 1, "longitude": 2}]})"},
         false,
         1},
        {"error status", {500, R"({"results": []})"}, true, 0},
        {"not JSON", {200, "Service Unavailable"}, true, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FakeServer server;
        server.answer(QStringLiteral("/v1/search"), row.answer);
        const WeatherService service(server.endpoints());
        std::optional<WeatherResult<std::vector<WeatherLocation>>> result;
        service.search(QStringLiteral("Zürich & Co"),
                       [&](WeatherResult<std::vector<WeatherLocation>> answer) {
                           result = std::move(answer);
                       });
        ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
        EXPECT_EQ(!result->value.has_value(), row.fails);
        EXPECT_EQ(result->error.isEmpty(), !row.fails);
        if (result->value) {
            EXPECT_EQ(result->value->size(), row.places);
        }
        ASSERT_EQ(server.targets.size(), 1);
        EXPECT_EQ(server.targets[0],
                  QStringLiteral("/v1/search?name=Z%C3%BCrich%20%26%20Co&count=8"));
    }
}
