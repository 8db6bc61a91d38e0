#include "services/AstronomyMonitor.h"

#include <QTimeZone>
#include <algorithm>
#include <vector>

namespace morvanex {

namespace {

// A date long before any real one, so the first update always computes.
QDateTime distantPast() {
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
}

double secondsBetween(const QDateTime& from, const QDateTime& to) {
    return double(from.msecsTo(to)) / 1000;
}

constexpr double reuseSeconds = 60;
constexpr double phasesReuseSeconds = 3600;

} // namespace

std::optional<double> AstronomyMonitor::Snapshot::dayLength() const {
    const auto sunrise = sun[QStringLiteral("sunrise")];
    const auto sunset = sun[QStringLiteral("sunset")];
    if (!sunrise || !sunset)
        return std::nullopt;
    return secondsBetween(*sunrise, *sunset);
}

AstronomyMonitor::AstronomyMonitor(platform::Clock clock)
    : clock_(std::move(clock)), lastUpdate_(distantPast()) {}

void AstronomyMonitor::update(const std::optional<WeatherLocation>& location) {
    if (!location)
        return;
    const QDateTime now = clock_.now();
    if (lastLocation_ == location && secondsBetween(lastUpdate_, now) <= reuseSeconds)
        return;
    lastLocation_ = location;
    lastUpdate_ = now;

    const double lat = location->latitude;
    const double lon = location->longitude;
    const SunCalc::SunPosition sun = SunCalc::sunPosition(now, lat, lon);
    const SunCalc::MoonPosition moon = SunCalc::moonPosition(now, lat, lon);
    const SunCalc::MoonIllumination light = SunCalc::moonIllumination(now);
    const SunCalc::MoonTimes moonTimes =
        SunCalc::moonTimes(now, lat, lon, QTimeZone::systemTimeZone());
    if (!phasesCache_ || secondsBetween(phasesCache_->computed, now) > phasesReuseSeconds) {
        const SunCalc::NextPhases phases = SunCalc::nextPhases(now);
        phasesCache_ = PhasesCache{now, phases.newMoon, phases.fullMoon};
    }

    Snapshot next;
    next.location = *location;
    next.sun = SunCalc::sunTimes(now, lat, lon);
    next.sunAzimuth = sun.azimuth;
    next.sunAltitude = sun.altitude;
    next.moonFraction = light.fraction;
    next.moonPhase = light.phase;
    next.moonAltitude = moon.altitude;
    next.moonDistance = moon.distance;
    next.moonrise = moonTimes.rise;
    next.moonset = moonTimes.set;
    next.nextNewMoon = phasesCache_->newMoon;
    next.nextFullMoon = phasesCache_->fullMoon;
    snapshot_ = std::move(next);
}

std::optional<AstronomyMonitor::SunEvent>
AstronomyMonitor::nextSunEvent(const QDateTime& now) const {
    if (!snapshot_)
        return std::nullopt;
    std::vector<SunEvent> candidates;
    if (const auto sunrise = snapshot_->sun[QStringLiteral("sunrise")]; sunrise && *sunrise > now)
        candidates.push_back({true, *sunrise});
    if (const auto sunset = snapshot_->sun[QStringLiteral("sunset")]; sunset && *sunset > now)
        candidates.push_back({false, *sunset});
    if (!candidates.empty()) {
        // Stable: at equal dates the sunrise, pushed first, stays first.
        std::stable_sort(candidates.begin(), candidates.end(),
                         [](const SunEvent& a, const SunEvent& b) { return a.date < b.date; });
        return candidates.front();
    }
    const SunCalc::SunTimes tomorrow = SunCalc::sunTimes(
        now.addSecs(86400), snapshot_->location.latitude, snapshot_->location.longitude);
    if (const auto sunrise = tomorrow[QStringLiteral("sunrise")])
        return SunEvent{true, *sunrise};
    return std::nullopt;
}

} // namespace morvanex
