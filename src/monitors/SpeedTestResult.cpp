#include "monitors/SpeedTestResult.h"

#include "base/JsonWriter.h"
#include "base/Numbers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>

namespace morvanex {

namespace {

// 2001-01-01 00:00:00 UTC in milliseconds since 1970.
constexpr qint64 referenceMs = 978307200000;
// Far beyond any real date and well inside what QDateTime holds.
constexpr std::int64_t maxOffsetMs = 8'000'000'000'000'000;

// Present with the wrong type: the element fails. Absent or null: no value.
template <typename T> struct Optional {
    bool ok = true;
    std::optional<T> value;
};

Optional<double> optionalNumber(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return {};
    if (!value.isDouble())
        return {false, std::nullopt};
    return {true, value.toDouble()};
}

Optional<QString> optionalText(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return {};
    if (!value.isString())
        return {false, std::nullopt};
    return {true, value.toString()};
}

} // namespace

QJsonObject SpeedTestResult::encode() const {
    QJsonObject object;
    object.insert(QStringLiteral("date"), double(date.toMSecsSinceEpoch() - referenceMs) / 1000.0);
    object.insert(QStringLiteral("download"), download);
    object.insert(QStringLiteral("upload"), upload);
    if (responsiveness)
        object.insert(QStringLiteral("responsiveness"), *responsiveness);
    if (baseRTT)
        object.insert(QStringLiteral("baseRTT"), *baseRTT);
    if (interface)
        object.insert(QStringLiteral("interface"), *interface);
    if (dataUsed)
        object.insert(QStringLiteral("dataUsed"), *dataUsed);
    return object;
}

std::optional<SpeedTestResult> SpeedTestResult::decode(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue date = object.value(QStringLiteral("date"));
    const QJsonValue download = object.value(QStringLiteral("download"));
    const QJsonValue upload = object.value(QStringLiteral("upload"));
    if (!date.isDouble() || !download.isDouble() || !upload.isDouble())
        return std::nullopt;
    const auto offsetMs = numbers::roundedInt64(date.toDouble() * 1000.0);
    if (!offsetMs || *offsetMs > maxOffsetMs || *offsetMs < -maxOffsetMs)
        return std::nullopt;
    const auto responsiveness = optionalNumber(object, QStringLiteral("responsiveness"));
    const auto baseRTT = optionalNumber(object, QStringLiteral("baseRTT"));
    const auto interface = optionalText(object, QStringLiteral("interface"));
    const auto dataUsed = optionalNumber(object, QStringLiteral("dataUsed"));
    if (!responsiveness.ok || !baseRTT.ok || !interface.ok || !dataUsed.ok)
        return std::nullopt;
    SpeedTestResult result;
    result.date = QDateTime::fromMSecsSinceEpoch(*offsetMs + referenceMs, Qt::UTC);
    result.download = download.toDouble();
    result.upload = upload.toDouble();
    result.responsiveness = responsiveness.value;
    result.baseRTT = baseRTT.value;
    result.interface = interface.value;
    result.dataUsed = dataUsed.value;
    return result;
}

std::optional<QByteArray> encodeSpeedTestResults(const std::vector<SpeedTestResult>& results) {
    QJsonArray array;
    for (const SpeedTestResult& result : results)
        array.append(result.encode());
    return json::compact(QJsonValue(array));
}

std::optional<std::vector<SpeedTestResult>> decodeSpeedTestResults(const QByteArray& data) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    std::vector<SpeedTestResult> results;
    for (const QJsonValue& element : document.array()) {
        auto result = SpeedTestResult::decode(element);
        if (!result)
            return std::nullopt;
        results.push_back(std::move(*result));
    }
    return results;
}

} // namespace morvanex
