#pragma once

#include "monitors/SpeedTest.h"
#include "monitors/SpeedTestResult.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <optional>
#include <vector>

// What the speed-test card says, as plain values.
namespace morvanex::ui::speedtest {

// How far the bar of a running test stands: the seconds since its start over 20, at most 0.98
// (the tool's end is not known in advance) and never below 0.
double progressFraction(const QDateTime& started, const QDateTime& now);

// "Cancel" while running; else "Test Speed" before the first result, "Test Again" after.
QString buttonTitle(const SpeedTest::State& state, bool hasResults);

// The grid's responsiveness: "1200 RPM" (halves away from zero); nothing without one; "—"
// for a value that is no whole number.
std::optional<QString> responsivenessText(std::optional<double> responsiveness);

// "50 ms under load" from round trips per minute (60000 ÷ RPM, halves away from zero); nothing
// without a positive responsiveness; "— ms under load" when the quotient is no whole number.
std::optional<QString> latencyText(std::optional<double> responsiveness);

// An abbreviated date with a short time: "Dec 10, 2026, 14:05".
QString dateTimeText(const QDateTime& date, const QTimeZone& timeZone);

// "Last tested 14:05 · 50 ms under load · 450 MB used": the time alone for a result of today
// (in `timeZone`), else the date and time; the latency and the data used when known.
QString caption(const SpeedTestResult& result, const QDateTime& now, const QTimeZone& timeZone);

inline const QString runningText = QStringLiteral("Testing latency, download and upload…");
inline const QString hintText =
    QStringLiteral("Uses speedtest-cli with the nearest Speedtest.net server. It takes about "
                   "30 seconds and can use several hundred MB of data.");

} // namespace morvanex::ui::speedtest
