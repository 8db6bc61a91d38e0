#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;

namespace morvanex::platform {

// The end of one GET request.
struct HttpAnswer {
    std::optional<int> status; // HTTP status code; absent when no answer arrived
    // The answer's body: whole when `ok`; for an error status what the server sent with it (a
    // service's own explanation); empty when it grew past the limit.
    QByteArray body;
    bool ok = false; // transfer completed without network error and within the limits
    // Why the transfer failed, in the network layer's words ("Connection refused"); empty
    // when it did not.
    QString error;

    bool isSuccess() const { return ok && status && *status >= 200 && *status < 300; }
};

// Plain GET requests from the thread that owns the client (the main thread), each bounded in
// time and in size. Completions run on that thread from its event loop; destroying the client
// aborts what is pending without calling the completions.
class HttpClient {
public:
    HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;
    ~HttpClient();

    // `done` runs exactly once (unless the client is destroyed first). A request still running
    // after `timeout` is aborted; a body longer than `maxBytes` aborts it too.
    void get(const QUrl& url, std::chrono::milliseconds timeout, qint64 maxBytes,
             std::function<void(HttpAnswer)> done);

private:
    std::unique_ptr<QNetworkAccessManager> manager_;
};

} // namespace morvanex::platform
