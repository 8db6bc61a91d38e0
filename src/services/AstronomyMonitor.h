#pragma once

#include "base/SettingsRecords.h"
#include "platform/Clock.h"
#include "services/SunCalc.h"

#include <QDateTime>
#include <optional>

namespace morvanex {

// The sun and the moon for the place whose weather is shown: today's sun events, where the
// sun and the moon stand now, the moon's phase, today's moonrise and moonset and the next new
// and full moon. Recomputed at most once a minute per place; the phase search at most once an
// hour. Main thread only.
class AstronomyMonitor {
public:
    struct Snapshot {
        WeatherLocation location;
        SunCalc::SunTimes sun;
        double sunAzimuth = 0;  // degrees from north, 0...360
        double sunAltitude = 0; // degrees
        double moonFraction = 0;
        double moonPhase = 0;    // 0 new, 0.5 full
        double moonAltitude = 0; // degrees, geometric
        double moonDistance = 0; // kilometres
        std::optional<QDateTime> moonrise;
        std::optional<QDateTime> moonset;
        std::optional<QDateTime> nextNewMoon;
        std::optional<QDateTime> nextFullMoon;

        // Seconds from sunrise to sunset; nothing when the sun does not rise or does not set.
        std::optional<double> dayLength() const;
    };

    struct PhasesCache {
        QDateTime computed;
        std::optional<QDateTime> newMoon;
        std::optional<QDateTime> fullMoon;
    };

    struct SunEvent {
        bool isSunrise = true;
        QDateTime date;
    };

    explicit AstronomyMonitor(platform::Clock clock = platform::Clock::system());

    // Recomputes the snapshot for `location`, unless it is absent, or it is the place of the
    // last computation and no more than 60 seconds have passed since.
    void update(const std::optional<WeatherLocation>& location);

    // The next sunrise or sunset strictly after `now`: today's from the snapshot, else
    // tomorrow's sunrise. Nothing without a snapshot or when the sun neither rises nor sets.
    std::optional<SunEvent> nextSunEvent(const QDateTime& now) const;

    const std::optional<Snapshot>& snapshot() const { return snapshot_; }
    const QDateTime& lastUpdate() const { return lastUpdate_; }
    const std::optional<WeatherLocation>& lastLocation() const { return lastLocation_; }
    const std::optional<PhasesCache>& phasesCache() const { return phasesCache_; }

private:
    platform::Clock clock_;
    std::optional<Snapshot> snapshot_;
    QDateTime lastUpdate_;
    std::optional<WeatherLocation> lastLocation_;
    std::optional<PhasesCache> phasesCache_;
};

} // namespace morvanex
