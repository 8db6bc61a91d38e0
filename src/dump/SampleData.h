#pragma once

#include "app/Hub.h"
#include "app/InsightEngine.h"
#include "monitors/ProcessMonitor.h"
#include "monitors/SpeedTestResult.h"
#include "services/CalendarEvent.h"
#include "services/ConnectedDevice.h"
#include "services/DeviceBattery.h"

#include <QDateTime>
#include <QVariantMap>
#include <optional>
#include <vector>

// Fixed data the dump's panel renders show in place of what this machine happens to have, so
// that every panel state can be drawn anywhere: two connected devices, two speed-test results,
// an insight about a busy process, a day of calendar events and a keep-awake period. Each value
// comes from a function; each install writes it into a hub's objects without notifying anyone
// or saving anything, and it stays there for every later render.
namespace morvanex::dump {

// The power-source entry of the sample iPhone, as its registry would answer.
QVariantMap sampleDeviceBatteryRegistry();

// The sample iPhone's battery details: what the registry entry gives, with a reported health
// of 89 %. Nothing when the entry gives no details.
std::optional<DeviceBattery> sampleDeviceBattery();

// A trusted iPhone on USB with every detail, then an iPad over Wi-Fi not yet trusted, which
// shows only what an untrusted device tells.
std::vector<ConnectedDevice> sampleDevices();

// Two results, newest first: one at `now`, one a day earlier.
std::vector<SpeedTestResult> sampleSpeedTestResults(const QDateTime& now);

// A processor warning naming the second-busiest process of the last sample (the only one when
// there is one); nothing when no process was sampled.
std::optional<Insight> sampleInsight(const ProcessMonitor& processes);

// Five events around `now` in display order: one in progress, a video call starting in
// 8 minutes, dinner in the evening, tomorrow's all-day holiday and a morning appointment.
// "Tomorrow" is the start of the next local day.
std::vector<CalendarEvent> sampleCalendarEvents(const QDateTime& now);

// A keep-awake period that lets the display sleep and ends an hour after `now`.
struct KeepAwakePeriod {
    bool keepDisplayOn = false;
    QDateTime until;

    bool operator==(const KeepAwakePeriod&) const = default;
};
KeepAwakePeriod sampleKeepAwake(const QDateTime& now);

// Writes each piece into the hub. The device list, results, insight and events replace what the
// monitors hold without a callback; the saved speed-test results are left alone. The insight
// is left as it was when no process was sampled. The keep-awake period takes a real power
// assertion, which whoever starts it must release (KeepAwake::stop).
void installSampleDevices(Hub& hub);
void installSampleSpeedTests(Hub& hub, const QDateTime& now);
void installSampleInsight(Hub& hub);
void installSampleEvents(Hub& hub, const QDateTime& now);
void startSampleKeepAwake(Hub& hub, const QDateTime& now);

} // namespace morvanex::dump
