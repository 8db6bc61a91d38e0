#include "ui/settings/WeatherPane.h"

#include "PaneTestSupport.h"
#include "support/Wait.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace morvanex;
using namespace morvanex::ui;
using morvanex::test::HubFixture;
using morvanex::test::waitUntil;

namespace {

// Answers every request with the next canned status and body, on a local port.
class PlaceServer {
public:
    PlaceServer() {
        EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    const QByteArray request = socket->readAll();
                    if (!request.contains("\r\n\r\n"))
                        return;
                    targets.append(QString::fromLatin1(request.split(' ').value(1)));
                    const auto [status, body] =
                        answers.empty() ? std::pair<int, QByteArray>{404, {}} : answers.front();
                    if (!answers.empty())
                        answers.erase(answers.begin());
                    socket->write("HTTP/1.1 " + QByteArray::number(status) +
                                  " Status\r\nContent-Type: application/json\r\nContent-Length: " +
                                  QByteArray::number(body.size()) +
                                  "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QUrl base() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()));
    }

    std::vector<std::pair<int, QByteArray>> answers;
    QStringList targets;

private:
    QTcpServer server_;
};

const QByteArray twoPlaces = R"({"results": [
    {"name": "Lisbon", "latitude": 38.71667, "longitude": -9.13333, "admin1": "Lisbon", "country": "Portugal"},
    {"name": "Lisbon", "latitude": 38.71667, "longitude": -9.13333, "admin1": "Lisbon", "country": "Portugal"},
    {"name": "Lisbon", "latitude": 44.0314, "longitude": -70.1045, "admin1": "Maine", "country": "United States"}]})";

} // namespace

TEST(WeatherPane, CurrentRowNamesThePlaceOrTheAutomaticOne) {
    const WeatherLocation paris{QStringLiteral("Paris, Île-de-France, France"), 48.85, 2.35};
    const WeatherLocation here{QStringLiteral("Leeds"), 53.8, -1.55};
    EXPECT_EQ(WeatherPane::currentText(std::nullopt, std::nullopt), "Automatic (from IP address)");
    EXPECT_EQ(WeatherPane::currentText(std::nullopt, here), "Automatic (Leeds)");
    EXPECT_EQ(WeatherPane::currentText(paris, here), "Paris, Île-de-France, France");
}

TEST(WeatherPane, SearchTermsAndCoordinates) {
    const std::pair<const char*, const char*> terms[] = {
        {"  London\t", "London"}, {"\t \t", ""},         {"L", "L"},
        {"New York", "New York"}, {"\nOslo ", "\nOslo"}, // line breaks are not trimmed
    };
    for (const auto& [query, term] : terms)
        EXPECT_EQ(WeatherPane::searchTerm(QString::fromUtf8(query)), QString::fromUtf8(term));
    EXPECT_EQ(WeatherPane::coordinatesText({QStringLiteral("X"), 51.5074, -0.1278}),
              "51.51, -0.13");
    EXPECT_EQ(WeatherPane::coordinatesText({QStringLiteral("X"), -33.865, 151.2094}),
              "-33.87, 151.21");
    const WeatherLocation a{QStringLiteral("A"), 1, 2};
    const WeatherLocation b{QStringLiteral("A"), 1, 3};
    EXPECT_EQ(WeatherPane::distinctPlaces({a, b, a}), (std::vector<WeatherLocation>{a, b}));
}

TEST(WeatherPane, SearchListsPlacesAndChoosingOneStoresIt) {
    PlaceServer server;
    HubFixture fixture([&](Hub::Sources& sources) { sources.weather.places = server.base(); });
    WeatherPane pane(test::paneEnv(fixture));
    auto* query = test::child<QLineEdit>(&pane, QStringLiteral("query"));
    auto* search = test::child<QPushButton>(&pane, QStringLiteral("search"));
    auto* current = test::child<QLabel>(&pane, QStringLiteral("current"));
    EXPECT_EQ(current->text(), "Automatic (from IP address)");
    EXPECT_FALSE(test::child<QWidget>(&pane, QStringLiteral("useAutomatic"))->isVisibleTo(&pane));

    query->setText(QStringLiteral("   "));
    EXPECT_FALSE(search->isEnabled());
    emit query->returnPressed();
    EXPECT_FALSE(pane.isSearching());

    // Nothing found: the message, an empty list.
    server.answers = {{200, R"({"generationtime_ms": 0.5})"}, {200, twoPlaces}};
    query->setText(QStringLiteral("  Lisbon "));
    ASSERT_TRUE(search->isEnabled());
    search->click();
    EXPECT_TRUE(pane.isSearching());
    ASSERT_TRUE(waitUntil([&] { return !pane.isSearching(); }));
    EXPECT_EQ(pane.error(), std::optional<QString>(WeatherPane::noPlacesText));
    EXPECT_TRUE(pane.results().empty());
    EXPECT_EQ(server.targets.value(0), "/v1/search?name=Lisbon&count=8");

    // A later success clears the message; identical places show once.
    emit query->returnPressed();
    ASSERT_TRUE(waitUntil([&] { return !pane.isSearching(); }));
    EXPECT_FALSE(pane.error());
    ASSERT_EQ(pane.results().size(), 2u);
    const QList<QPushButton*> places = pane.findChildren<QPushButton*>(QStringLiteral("place"));
    ASSERT_EQ(places.size(), 2);
    EXPECT_TRUE(test::shownTexts(places[1]).contains("44.03, -70.10"));
    if (const QString keep = qEnvironmentVariable("MORVANEX_GALLERY"); !keep.isEmpty())
        test::renderPane(&pane, QSize(630, 580), keep + QStringLiteral("/weather-results.png"));

    places[1]->click();
    test::settle();
    const WeatherLocation maine{QStringLiteral("Lisbon, Maine, United States"), 44.0314, -70.1045};
    EXPECT_EQ(fixture.settings.config().weatherLocation, maine);
    EXPECT_EQ(current->text(), maine.name);
    EXPECT_TRUE(query->text().isEmpty());
    EXPECT_TRUE(pane.results().empty());
    QWidget* automatic = test::child<QWidget>(&pane, QStringLiteral("useAutomatic"));
    EXPECT_TRUE(automatic->isVisibleTo(&pane));
    qobject_cast<QPushButton*>(automatic)->click();
    EXPECT_FALSE(fixture.settings.config().weatherLocation);
    EXPECT_EQ(current->text(), "Automatic (from IP address)");
}

TEST(WeatherPane, AFailedSearchShowsItsReasonAndKeepsEarlierPlaces) {
    PlaceServer server;
    HubFixture fixture([&](Hub::Sources& sources) { sources.weather.places = server.base(); });
    WeatherPane pane(test::paneEnv(fixture));
    auto* query = test::child<QLineEdit>(&pane, QStringLiteral("query"));
    server.answers = {
        {200, twoPlaces},
        {400, R"({"error": true, "reason": "Parameter count must be between 1 and 100."})"}};
    query->setText(QStringLiteral("L"));
    emit query->returnPressed();
    ASSERT_TRUE(waitUntil([&] { return !pane.isSearching(); }));
    ASSERT_EQ(pane.results().size(), 2u);
    emit query->returnPressed();
    ASSERT_TRUE(waitUntil([&] { return !pane.isSearching(); }));
    ASSERT_TRUE(pane.error());
    EXPECT_TRUE(pane.error()->contains("Parameter count must be between 1 and 100."))
        << pane.error()->toStdString();
    EXPECT_EQ(pane.results().size(), 2u);
    if (const QString keep = qEnvironmentVariable("MORVANEX_GALLERY"); !keep.isEmpty())
        test::renderPane(&pane, QSize(630, 580), keep + QStringLiteral("/weather-error.png"));
    EXPECT_TRUE(test::child<QLabel>(&pane, QStringLiteral("error"))->isVisibleTo(&pane));
    EXPECT_FALSE(fixture.settings.config().weatherLocation);
}

TEST(WeatherPane, AnUnreachableServiceSaysWhy) {
    HubFixture fixture; // the places service points at a closed local port
    WeatherPane pane(test::paneEnv(fixture));
    auto* query = test::child<QLineEdit>(&pane, QStringLiteral("query"));
    query->setText(QStringLiteral("Oslo"));
    emit query->returnPressed();
    ASSERT_TRUE(waitUntil([&] { return !pane.isSearching(); }));
    ASSERT_TRUE(pane.error());
    EXPECT_TRUE(pane.error()->contains("refused")) << pane.error()->toStdString();
}
