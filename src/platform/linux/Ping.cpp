#include "platform/linux/Ping.h"

#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/ParseNumber.h"

#include <QHostInfo>
#include <QSocketNotifier>
#include <QStringDecoder>
#include <QTimer>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <netinet/in.h>

namespace morvanex::platform {

bool isPingableHost(const QString& host) {
    if (host.isEmpty() || host.size() > maxHostLength || host.startsWith(QLatin1Char('-')))
        return false;
    for (const QChar c : host)
        if (c.isSpace() || c.category() == QChar::Other_Control ||
            c.category() == QChar::Other_Format)
            return false;
    return true;
}

QStringList pingArguments(const QString& host) {
    return {QStringLiteral("-c"), QStringLiteral("1"),  QStringLiteral("-W"),
            QStringLiteral("3"),  QStringLiteral("--"), host};
}

std::optional<double> parsePingTime(const QByteArray& output) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(output);
    if (decoder.hasError())
        return std::nullopt;
    const qsizetype marker = text.indexOf(QLatin1String("time="));
    if (marker < 0)
        return std::nullopt;
    std::string run;
    for (qsizetype i = marker + 5; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!(c.unicode() == '.' || (c.unicode() >= '0' && c.unicode() <= '9')))
            break;
        run.push_back(char(c.unicode()));
    }
    return parseReal(run);
}

// What one ping holds while it runs.
struct PingRunner::Flight {
    std::function<void(std::optional<double>)> done;
    std::unique_ptr<EchoSocket> socket;
    std::unique_ptr<NetToolRun> tool;
    // Owns the socket's notifier and the timers, and drops a name lookup still under way;
    // declared after the socket so it goes first.
    QObject context;
    QSocketNotifier* notifier = nullptr;
    bool ending = false;
};

namespace {

// The address in the form the socket calls take; false for anything but IPv4 and IPv6.
bool socketAddress(const QHostAddress& address, sockaddr_storage& storage, socklen_t& length) {
    storage = {};
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        auto& v4 = reinterpret_cast<sockaddr_in&>(storage);
        v4.sin_family = AF_INET;
        v4.sin_addr.s_addr = htonl(address.toIPv4Address());
        length = sizeof v4;
        return true;
    }
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(storage);
        v6.sin6_family = AF_INET6;
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&v6.sin6_addr, bytes.c, sizeof bytes.c);
        // A link-local address names its interface ("fe80::1%eth0") by name or number.
        const QString scope = address.scopeId();
        if (!scope.isEmpty()) {
            bool numeric = false;
            const uint index = scope.toUInt(&numeric);
            v6.sin6_scope_id = numeric ? index : ::if_nametoindex(scope.toLocal8Bit().constData());
        }
        length = sizeof v6;
        return true;
    }
    return false;
}

} // namespace

PingRunner::PingRunner(PingOptions options) : options_(std::move(options)) {}

PingRunner::~PingRunner() = default;

bool PingRunner::start(const QString& host, std::function<void(std::optional<double>)> done) {
    if (flight_)
        return false;
    flight_ = std::make_unique<Flight>();
    flight_->done = std::move(done);
    if (!isPingableHost(host)) {
        finish(std::nullopt); // the answer still comes later, like any other
        return true;
    }
    if (!options_.socket) {
        runTool(host);
        return true;
    }
    QTimer::singleShot(options_.bound, &flight_->context, [this] { finish(std::nullopt); });
    QHostAddress numeric;
    if (numeric.setAddress(host)) {
        pingAddresses(host, {numeric});
    } else {
        // Looked up on Qt's lookup threads; the answer comes back through the event loop.
        QHostInfo::lookupHost(host, &flight_->context, [this, host](const QHostInfo& info) {
            pingAddresses(host, info.addresses());
        });
    }
    return true;
}

void PingRunner::pingAddresses(const QString& host, const QList<QHostAddress>& addresses) {
    if (!flight_ || flight_->ending)
        return;
    // The addresses in the order the resolver gives them, as the tool tries them: the first
    // one a request can be sent to is pinged.
    for (const QHostAddress& address : addresses) {
        sockaddr_storage storage;
        socklen_t length = 0;
        if (!socketAddress(address, storage, length))
            continue;
        const int fd = options_.socket(storage.ss_family);
        if (fd < 0) {
            if (!toldRefusal_) {
                toldRefusal_ = true;
                qCInfo(log::platform, "ICMP echo sockets are refused here (%s); pinging with %s",
                       std::strerror(errno), qUtf8Printable(options_.program));
            }
            runTool(host);
            return;
        }
        auto socket = std::make_unique<EchoSocket>(fd, storage.ss_family);
        if (!socket->send(reinterpret_cast<const sockaddr*>(&storage), length, ++sequence_))
            continue; // no route to it, for example: the next address, if any
        flight_->socket = std::move(socket);
        flight_->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, &flight_->context);
        QObject::connect(flight_->notifier, &QSocketNotifier::activated, &flight_->context, [this] {
            if (const std::optional<double> time = flight_->socket->readReply())
                finish(time);
        });
        QTimer::singleShot(options_.replyWait, &flight_->context, [this] { finish(std::nullopt); });
        return;
    }
    finish(std::nullopt); // an unknown name, or no address a request could be sent to
}

void PingRunner::runTool(const QString& host) {
    NetToolRun::Options options;
    options.program = options_.program;
    options.arguments = pingArguments(host);
    options.environment = {{QStringLiteral("LC_ALL"), QStringLiteral("C")}};
    options.discardErrors = true;
    options.bound = options_.bound;
    options.outputLimit = 64 * 1024;
    flight_->tool = std::make_unique<NetToolRun>(std::move(options));
    if (!flight_->tool->start([this](NetToolOutcome outcome) {
            finish(outcome.timedOut || outcome.overflowed ? std::nullopt
                                                          : parsePingTime(outcome.output));
        }))
        finish(std::nullopt);
}

void PingRunner::finish(std::optional<double> result) {
    if (!flight_ || flight_->ending)
        return;
    flight_->ending = true;
    if (flight_->notifier != nullptr)
        flight_->notifier->setEnabled(false);
    // Completed from the event loop rather than inside the notifier's or a timer's signal, so
    // the flight, which owns them, can go before `done` runs.
    postToMain([this, alive = std::weak_ptr<const bool>(alive_), result] {
        if (!alive.lock() || !flight_)
            return;
        const auto done = std::move(flight_->done);
        flight_.reset();
        done(result);
    });
}

} // namespace morvanex::platform
