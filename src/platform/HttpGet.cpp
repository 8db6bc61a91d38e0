#include "platform/HttpGet.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <algorithm>
#include <climits>

namespace morvanex::platform {

HttpClient::HttpClient() : manager_(std::make_unique<QNetworkAccessManager>()) {}

HttpClient::~HttpClient() {
    // Replies are children of the manager: detach their completions before they are aborted.
    for (QNetworkReply* reply : manager_->findChildren<QNetworkReply*>()) {
        QObject::disconnect(reply, nullptr, nullptr, nullptr);
        reply->abort();
    }
}

void HttpClient::get(const QUrl& url, std::chrono::milliseconds timeout, qint64 maxBytes,
                     std::function<void(HttpAnswer)> done) {
    QNetworkRequest request(url);
    // Qt sets no timeout of its own; this one covers a stalled transfer...
    request.setTransferTimeout(int(std::min<qint64>(timeout.count(), INT_MAX)));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    QNetworkReply* reply = manager_->get(request);

    // ... and this one a slow trickle that never stalls.
    auto timedOut = std::make_shared<bool>(false);
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, reply, [reply, timedOut] {
        *timedOut = true;
        reply->abort();
    });
    deadline->start(timeout);

    auto body = std::make_shared<QByteArray>();
    auto tooLong = std::make_shared<bool>(false);
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, body, tooLong, maxBytes] {
        const QByteArray chunk = reply->readAll();
        if (body->size() + chunk.size() > maxBytes) {
            *tooLong = true;
            reply->abort();
            return;
        }
        body->append(chunk);
    });
    QObject::connect(
        reply, &QNetworkReply::finished, reply,
        [reply, body, tooLong, timedOut, maxBytes, timeout, done = std::move(done)] {
            const QByteArray rest = reply->readAll();
            if (body->size() + rest.size() > maxBytes)
                *tooLong = true;
            else
                body->append(rest);
            HttpAnswer answer;
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (status.isValid())
                answer.status = status.toInt();
            answer.ok = reply->error() == QNetworkReply::NoError && !*tooLong;
            if (!*tooLong)
                answer.body = *body;
            if (*tooLong)
                answer.error = QStringLiteral("The answer was larger than %1 bytes.").arg(maxBytes);
            else if (*timedOut)
                answer.error =
                    QStringLiteral("No answer within %1 ms.").arg(qint64(timeout.count()));
            else if (reply->error() != QNetworkReply::NoError)
                answer.error = reply->errorString();
            reply->deleteLater();
            if (done)
                done(std::move(answer));
        });
}

} // namespace morvanex::platform
