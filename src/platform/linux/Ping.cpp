#include "platform/linux/Ping.h"

#include "platform/MainQueue.h"
#include "platform/ParseNumber.h"

#include <QStringDecoder>

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

PingRunner::PingRunner(QString program, std::chrono::milliseconds bound)
    : program_(std::move(program)), bound_(bound) {}

PingRunner::~PingRunner() = default;

bool PingRunner::start(const QString& host, std::function<void(std::optional<double>)> done) {
    if (run_)
        return false;
    NetToolRun::Options options;
    options.program = program_;
    options.arguments = pingArguments(host);
    options.environment = {{QStringLiteral("LC_ALL"), QStringLiteral("C")}};
    options.discardErrors = true;
    options.bound = bound_;
    options.outputLimit = 64 * 1024;
    run_ = std::make_unique<NetToolRun>(std::move(options));

    const std::weak_ptr<const bool> alive = alive_;
    const auto finish = [this, alive, done](std::optional<double> result) {
        if (!alive.lock())
            return;
        run_.reset();
        done(result);
    };
    if (!isPingableHost(host) || !run_->start([finish](NetToolOutcome outcome) {
            finish(outcome.timedOut || outcome.overflowed ? std::nullopt
                                                          : parsePingTime(outcome.output));
        })) {
        // Refused or not started: the answer still comes later, like any other.
        postToMain([finish] { finish(std::nullopt); });
    }
    return true;
}

} // namespace morvanex::platform
