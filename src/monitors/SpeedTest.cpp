#include "monitors/SpeedTest.h"

#include "platform/linux/NetToolRun.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTimer>
#include <cmath>

namespace morvanex {

namespace {

std::optional<double> finiteNumber(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return std::nullopt;
    return value.toDouble();
}

} // namespace

SpeedTest::SpeedTest(platform::UserDefaults defaults, QString tool, platform::Clock clock)
    : defaults_(std::move(defaults)), tool_(std::move(tool)), clock_(std::move(clock)) {
    if (const auto stored = defaults_.data(storageKey))
        if (auto decoded = decodeSpeedTestResults(*stored))
            results = std::move(*decoded);
}

SpeedTest::~SpeedTest() = default;

std::optional<QString> SpeedTest::toolPath() const {
    const QString path =
        tool_.contains(QLatin1Char('/')) ? tool_ : QStandardPaths::findExecutable(tool_);
    if (path.isEmpty())
        return std::nullopt;
    const QFileInfo info(path);
    if (!info.isFile() || !info.isExecutable())
        return std::nullopt;
    return path;
}

bool SpeedTest::toolAvailable() const {
    return toolPath().has_value();
}

void SpeedTest::changed() {
    if (onChange)
        onChange();
}

void SpeedTest::start() {
    if (isRunning())
        return;
    const std::optional<QString> path = toolPath();
    if (!path)
        return;
    platform::NetToolRun::Options options;
    options.program = *path;
    // One JSON object on standard output at the end and nothing before it; HTTPS to the
    // service's servers.
    options.arguments = {QStringLiteral("--json"), QStringLiteral("--secure")};
    options.bound = timeLimit;
    auto process = std::make_unique<platform::NetToolRun>(std::move(options));
    const bool launched = process->start([this](platform::NetToolOutcome outcome) {
        // A cut-off answer is no answer.
        finish(outcome.overflowed ? QByteArray() : outcome.output, outcome.exitStatus,
               outcome.signalled, outcome.timedOut);
    });
    if (!launched) {
        state = Failed{launchFailedMessage};
        changed();
        return;
    }
    process_ = std::move(process);
    state = Running{clock_.now()};
    progressTimer_ = std::make_unique<QTimer>();
    progressTimer_->setInterval(500);
    QObject::connect(progressTimer_.get(), &QTimer::timeout, [this] { changed(); });
    progressTimer_->start();
    changed();
}

void SpeedTest::cancel() {
    if (!isRunning() || !process_)
        return;
    process_->terminate();
    if (killTimer_)
        return;
    // A tool that ignores the request is ended all the same: the card has already offered
    // the next test.
    killTimer_ = std::make_unique<QTimer>();
    killTimer_->setSingleShot(true);
    QObject::connect(killTimer_.get(), &QTimer::timeout, [this] {
        if (process_)
            process_->kill();
    });
    killTimer_->start(cancelGrace);
}

void SpeedTest::finish(const QByteArray& data, int status, bool signalled, bool stalled) {
    progressTimer_.reset();
    killTimer_.reset();
    process_.reset();
    if (stalled) {
        state = Failed{failedMessage};
    } else if (signalled) {
        state = Idle{};
    } else if (auto result = parse(data, clock_.now())) {
        results.insert(results.begin(), std::move(*result));
        if (results.size() > maxResults)
            results.resize(maxResults);
        if (const auto encoded = encodeSpeedTestResults(results))
            defaults_.setValue(storageKey, *encoded);
        state = Idle{};
    } else {
        state = Failed{status != 0 ? failedMessage : noResultMessage};
    }
    changed();
}

std::optional<SpeedTestResult> SpeedTest::parse(const QByteArray& data, const QDateTime& now) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const auto downloadBits = finiteNumber(object, QStringLiteral("download"));
    const auto uploadBits = finiteNumber(object, QStringLiteral("upload"));
    if (!downloadBits || !uploadBits)
        return std::nullopt;
    SpeedTestResult result;
    const auto received = finiteNumber(object, QStringLiteral("bytes_received"));
    const auto sent = finiteNumber(object, QStringLiteral("bytes_sent"));
    if (received || sent)
        result.dataUsed = received.value_or(0) + sent.value_or(0);
    result.date = now;
    // Round trips per minute under working load cannot be had from a latency measured on an
    // idle connection (it would hide exactly the queueing the figure is there to show), so
    // the result has none and the card shows a dash.
    result.baseRTT = finiteNumber(object, QStringLiteral("ping"));
    // The tool does not say which interface carried the test.
    result.download = *downloadBits * 0.125;
    result.upload = *uploadBits * 0.125;
    return result;
}

} // namespace morvanex
