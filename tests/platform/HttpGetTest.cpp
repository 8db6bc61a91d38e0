#include "platform/HttpGet.h"

#include "support/Wait.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::platform;
using morvanex::test::waitUntil;

namespace {

// Answers every request with one status and body.
class OneAnswer {
public:
    OneAnswer(int status, QByteArray body) {
        EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this, status, body] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, status, body] {
                    if (!socket->readAll().contains("\r\n\r\n"))
                        return;
                    socket->write("HTTP/1.1 " + QByteArray::number(status) +
                                  " Status\r\nContent-Length: " + QByteArray::number(body.size()) +
                                  "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
        });
    }
    QUrl url() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/x").arg(server_.serverPort()));
    }

private:
    QTcpServer server_;
};

HttpAnswer get(const QUrl& url, qint64 maxBytes = 1024) {
    HttpClient client;
    std::optional<HttpAnswer> answer;
    client.get(url, std::chrono::seconds(20), maxBytes,
               [&](HttpAnswer a) { answer = std::move(a); });
    EXPECT_TRUE(waitUntil([&] { return answer.has_value(); }));
    return answer.value_or(HttpAnswer{});
}

} // namespace

TEST(HttpGet, FailuresSayWhyAndKeepTheServersExplanation) {
    {
        OneAnswer server(200, "hello");
        const HttpAnswer answer = get(server.url());
        EXPECT_TRUE(answer.isSuccess());
        EXPECT_EQ(answer.body, "hello");
        EXPECT_TRUE(answer.error.isEmpty());
    }
    {
        OneAnswer server(400, R"({"reason": "bad"})");
        const HttpAnswer answer = get(server.url());
        EXPECT_FALSE(answer.ok);
        EXPECT_EQ(answer.status, 400);
        EXPECT_EQ(answer.body, R"({"reason": "bad"})");
        EXPECT_FALSE(answer.error.isEmpty());
    }
    {
        OneAnswer server(200, QByteArray(5000, 'x'));
        const HttpAnswer answer = get(server.url(), 1000);
        EXPECT_FALSE(answer.ok);
        EXPECT_TRUE(answer.body.isEmpty());
        EXPECT_EQ(answer.error, "The answer was larger than 1000 bytes.");
    }
    {
        // Nothing listens on the discard port.
        const HttpAnswer answer = get(QUrl(QStringLiteral("http://127.0.0.1:9/")));
        EXPECT_FALSE(answer.status);
        EXPECT_TRUE(answer.error.contains("refused", Qt::CaseInsensitive))
            << answer.error.toStdString();
    }
}
