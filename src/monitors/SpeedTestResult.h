#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <optional>
#include <vector>

namespace morvanex {

// One finished speed test.
struct SpeedTestResult {
    QDateTime date;                       // when the result was read; also its identity
    double download = 0;                  // bytes per second
    double upload = 0;                    // bytes per second
    std::optional<double> responsiveness; // round trips per minute, as the tool reports it
    std::optional<double> baseRTT;        // the tool's idle round-trip time, as reported
    std::optional<QString> interface;     // interface the tool used
    std::optional<double> dataUsed;       // bytes moved by the test

    const QDateTime& id() const { return date; }
    bool operator==(const SpeedTestResult&) const = default;

    // The stored form: "date" (seconds since 2001-01-01 00:00:00 UTC), "download", "upload",
    // and "responsiveness", "baseRTT", "interface", "dataUsed" when present.
    QJsonObject encode() const;
    // Requires "date", "download" and "upload" as numbers; the others may be absent or null,
    // but a present value of the wrong type fails; unknown keys are ignored.
    static std::optional<SpeedTestResult> decode(const QJsonValue& value);
};

// The compact JSON array of the results; nothing when a value cannot be written (not finite).
std::optional<QByteArray> encodeSpeedTestResults(const std::vector<SpeedTestResult>& results);
// The results of a stored array; nothing when it is not an array or any element fails.
std::optional<std::vector<SpeedTestResult>> decodeSpeedTestResults(const QByteArray& data);

} // namespace morvanex
