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
               outcome.signalled, outcome.timedOut, outcome.errors);
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

void SpeedTest::finish(const QByteArray& data, int status, bool signalled, bool stalled,
                       const QByteArray& errors) {
    progressTimer_.reset();
    killTimer_.reset();
    process_.reset();
    if (stalled) {
        state = Failed{timedOutMessage};
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
        state = Failed{status != 0 ? failureMessage(failureReason(errors)) : noResultMessage};
    }
    changed();
}

std::optional<QString> SpeedTest::failureReason(const QByteArray& errors) {
    // Enough for a sentence; a longer line is cut at a word where one is near.
    constexpr qsizetype longest = 160;
    const QList<QByteArray> lines = errors.split('\n');
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        QString text = QString::fromUtf8(*line).simplified();
        text.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
        if (text.startsWith(QLatin1String("ERROR:")))
            text = text.mid(6).trimmed();
        if (text.size() >= 2 && text.startsWith(QLatin1Char('<')) &&
            text.endsWith(QLatin1Char('>')))
            text = text.mid(1, text.size() - 2).trimmed();
        if (text.isEmpty())
            continue;
        if (text.size() > longest) {
            const qsizetype space = text.lastIndexOf(QLatin1Char(' '), longest);
            text = text.left(space > longest / 2 ? space : longest) + QStringLiteral("…");
        }
        return text;
    }
    return std::nullopt;
}

QString SpeedTest::failureMessage(const std::optional<QString>& reason) {
    if (!reason)
        return failedMessage;
    return QStringLiteral("The test failed: ") + *reason;
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
