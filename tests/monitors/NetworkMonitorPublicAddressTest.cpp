#include "monitors/NetworkMonitor.h"
#include "support/TestEnv.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace morvanex;

using morvanex::test::waitUntil;

namespace {

QByteArray response(int status, const QByteArray& body,
                    const QByteArray& type = "text/plain; charset=utf-8") {
    return "HTTP/1.1 " + QByteArray::number(status) + " Answer\r\nContent-Type: " + type +
           "\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// An HTTP server on 127.0.0.1 that answers every request with `answer`, or holds requests
// unanswered (an empty answer) until the test answers them.
class LocalServer {
public:
    LocalServer() {
        EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { accept(); });
    }

    QUrl url() const {
        return QUrl("http://127.0.0.1:" + QString::number(server_.serverPort()) + "/ip");
    }
    int requests() const { return requests_; }
    void answerHeld(int index, const QByteArray& raw) { reply(held_.at(index), raw); }

    QByteArray answer;

private:
    void accept() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                buffer->append(socket->readAll());
                if (!buffer->contains("\r\n\r\n") || socket->property("seen").toBool())
                    return;
                socket->setProperty("seen", true);
                ++requests_;
                if (answer.isEmpty())
                    held_.push_back(socket);
                else
                    reply(socket, answer);
            });
        }
    }
    static void reply(const QPointer<QTcpSocket>& socket, const QByteArray& raw) {
        if (!socket)
            return;
        socket->write(raw);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    int requests_ = 0;
    std::vector<QPointer<QTcpSocket>> held_;
};

NetworkMonitor::Sources quietSources(const QUrl& url) {
    NetworkMonitor::Sources sources;
    sources.counters = [] { return platform::CounterMap{{"eth0", {1, 1}}, {"eth1", {1, 1}}}; };
    sources.addresses = [] {
        return platform::AddressMap{{"eth0", {{"192.168.1.10"}, {}, std::nullopt}},
                                    {"eth1", {{"10.0.0.5"}, {}, std::nullopt}}};
    };
    sources.pingSocket = {};
    sources.pingProgram = test::scratchDir() + "/no-ping";
    sources.publicAddressUrl = url;
    return sources;
}

} // namespace

TEST(NetworkMonitorPublicAddress, OnlyAnAddressInASuccessfulAnswerCounts) {
    LocalServer server;
    platform::HttpClient client;
    struct Row {
        const char* name;
        QByteArray answer;
        std::optional<QString> address;
    };
    const Row rows[] = {
        {"plain address", response(200, "203.0.113.7\n"), "203.0.113.7"},
        {"white space around it", response(200, " \t2001:db8::7 \r\n"), "2001:db8::7"},
        {"HTML page", response(200, "<html><body>203.0.113.7</body></html>", "text/html"),
         std::nullopt},
        {"empty body", response(200, ""), std::nullopt},
        {"server error", response(500, "203.0.113.9"), std::nullopt},
        {"not found", response(404, "203.0.113.9"), std::nullopt},
        {"more than an address", response(200, "203.0.113.7 via proxy"), std::nullopt},
        {"64 characters", response(200, QByteArray(64, '1')), std::nullopt},
        {"not UTF-8", response(200, "203.0.113.7\xff"), std::nullopt},
        {"longer than the limit", response(200, QByteArray(5000, ' ') + "203.0.113.7"),
         std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        server.answer = row.answer;
        std::optional<platform::HttpAnswer> answer;
        client.get(server.url(), std::chrono::seconds(30), 4096,
                   [&](platform::HttpAnswer a) { answer = std::move(a); });
        ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }));
        EXPECT_EQ(NetworkMonitor::acceptedPublicAddress(*answer), row.address);
    }
}

TEST(NetworkMonitorPublicAddress, RequestsEndWithinTheirTime) {
    LocalServer silent; // holds every request
    platform::HttpClient client;
    std::optional<platform::HttpAnswer> answer;
    client.get(silent.url(), std::chrono::milliseconds(300), 4096,
               [&](platform::HttpAnswer a) { answer = std::move(a); });
    ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }));
    EXPECT_FALSE(answer->ok);
    EXPECT_FALSE(answer->status);
    EXPECT_FALSE(NetworkMonitor::acceptedPublicAddress(*answer));

    // Destroying the client drops what is pending without calling back.
    bool called = false;
    {
        platform::HttpClient doomed;
        doomed.get(silent.url(), std::chrono::seconds(30), 4096,
                   [&](platform::HttpAnswer) { called = true; });
        ASSERT_TRUE(waitUntil([&] { return silent.requests() == 2; }));
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
}

TEST(NetworkMonitorPublicAddress, TheMonitorKeepsTheNewestAnswer) {
    LocalServer server;
    std::optional<platform::PrimaryRoute> route;
    auto sources = quietSources(server.url());
    sources.primaryRoute = [&] { return route.value_or(platform::PrimaryRoute{}); };
    double now = 0;
    platform::Clock clock;
    clock.monotonic = [&] { return now; };
    NetworkMonitor monitor(sources, clock);

    server.answer = response(200, "203.0.113.7\n");
    monitor.sample();
    ASSERT_TRUE(waitUntil([&] { return monitor.publicIP == "203.0.113.7"; }));

    // Two networks in quick succession: the answer about the one left behind comes last and
    // must not replace the newer one.
    server.answer.clear();
    route = platform::PrimaryRoute{"eth0", "192.168.1.1"};
    monitor.sample();
    route = platform::PrimaryRoute{"eth1", "10.0.0.1"};
    monitor.sample();
    ASSERT_TRUE(waitUntil([&] { return server.requests() == 3; }));
    server.answerHeld(1, response(200, "198.51.100.2"));
    ASSERT_TRUE(waitUntil([&] { return monitor.publicIP == "198.51.100.2"; }));
    server.answerHeld(0, response(200, "198.51.100.1"));
    const auto settle = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    waitUntil([&] { return std::chrono::steady_clock::now() > settle; });
    EXPECT_EQ(monitor.publicIP, "198.51.100.2");
}

TEST(NetworkMonitorPublicAddress, OnDemandAsksOnlyOnceTheAddressIsWanted) {
    LocalServer server;
    server.answer = response(200, "203.0.113.7\n");
    std::optional<platform::PrimaryRoute> route;
    auto sources = quietSources(server.url());
    sources.primaryRoute = [&] { return route.value_or(platform::PrimaryRoute{}); };
    double now = 0;
    platform::Clock clock;
    clock.monotonic = [&] { return now; };
    NetworkMonitor monitor(sources, clock);
    monitor.publicAddressOnDemand = true;

    for (int i = 0; i < 3; ++i, now += 700)
        monitor.sample();
    QCoreApplication::processEvents();
    EXPECT_EQ(server.requests(), 0);
    EXPECT_FALSE(monitor.lastPublicIPKey);

    // The first question starts the check; everyone asking meanwhile waits for its answer.
    int told = 0;
    EXPECT_FALSE(monitor.askForPublicAddress([&] { ++told; }));
    EXPECT_FALSE(monitor.askForPublicAddress([&] { ++told; }));
    ASSERT_TRUE(waitUntil([&] { return told == 2; }));
    EXPECT_EQ(server.requests(), 1);
    EXPECT_EQ(monitor.publicIP, "203.0.113.7");
    EXPECT_TRUE(monitor.askForPublicAddress([&] { ++told; }));

    // From then on the check runs with every sample: a new network is asked about at once,
    // without anyone waiting for it.
    route = platform::PrimaryRoute{"eth0", "192.168.1.1"};
    monitor.sample();
    EXPECT_TRUE(monitor.askForPublicAddress([&] { ++told; }));
    ASSERT_TRUE(waitUntil([&] { return server.requests() == 2; }));
    EXPECT_EQ(told, 2);

    // A failing first check tells the waiters too, and leaves the address absent.
    NetworkMonitor offline(quietSources(QUrl("http://127.0.0.1:9/")), clock);
    offline.publicAddressOnDemand = true;
    offline.sample();
    bool failed = false;
    EXPECT_FALSE(offline.askForPublicAddress([&] { failed = true; }));
    ASSERT_TRUE(waitUntil([&] { return failed; }));
    EXPECT_FALSE(offline.publicIP);
}
