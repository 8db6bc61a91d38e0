#include "monitors/SpeedTest.h"

#include "platform/linux/NetToolRun.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
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

bool SpeedTest::toolAvailable() const {
    const QFileInfo info(tool_);
    return info.isFile() && info.isExecutable();
}

void SpeedTest::changed() {
    if (onChange)
        onChange();
}

void SpeedTest::start() {
    if (isRunning() || !toolAvailable())
        return;
    platform::NetToolRun::Options options;
    options.program = tool_;
    options.arguments = {QStringLiteral("-c"), QStringLiteral("-M"), QStringLiteral("20")};
    auto process = std::make_unique<platform::NetToolRun>(std::move(options));
    const bool launched = process->start([this](platform::NetToolOutcome outcome) {
        // A cut-off answer is no answer.
        finish(outcome.overflowed ? QByteArray() : outcome.output, outcome.exitStatus,
               outcome.signalled);
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
    if (isRunning() && process_)
        process_->terminate();
}

void SpeedTest::finish(const QByteArray& data, int status, bool signalled) {
    progressTimer_.reset();
    process_.reset();
    if (signalled) {
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
    const auto downloadBits = finiteNumber(object, QStringLiteral("dl_throughput"));
    const auto uploadBits = finiteNumber(object, QStringLiteral("ul_throughput"));
    if (!downloadBits || !uploadBits)
        return std::nullopt;
    SpeedTestResult result;
    const auto downloaded = finiteNumber(object, QStringLiteral("dl_bytes_transferred"));
    const auto uploaded = finiteNumber(object, QStringLiteral("ul_bytes_transferred"));
    if (downloaded || uploaded)
        result.dataUsed = downloaded.value_or(0) + uploaded.value_or(0);
    result.date = now;
    result.responsiveness = finiteNumber(object, QStringLiteral("responsiveness"));
    result.baseRTT = finiteNumber(object, QStringLiteral("base_rtt"));
    const QJsonValue interface = object.value(QStringLiteral("interface_name"));
    if (interface.isString())
        result.interface = interface.toString();
    result.download = *downloadBits * 0.125;
    result.upload = *uploadBits * 0.125;
    return result;
}

} // namespace morvanex
