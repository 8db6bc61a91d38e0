#pragma once

#include "base/SettingsRecords.h"
#include "platform/Clock.h"
#include "services/WeatherReport.h"
#include "services/WeatherRequests.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace morvanex {

// The current conditions and a 14-day forecast for one place: the configured one, else the
// place of the machine's public address (looked up once per run, after which it is kept).
// Refreshes every 30 minutes while things go well and 5 minutes after a failure, keeping the
// last good report. One refresh at a time. Main thread only; the requests and their reading
// run in the background and hand their outcome back to the main thread.
class WeatherService {
public:
    explicit WeatherService(WeatherEndpoints endpoints = WeatherEndpoints::standard(),
                            platform::Clock clock = platform::Clock::system());
    WeatherService(const WeatherService&) = delete;
    WeatherService& operator=(const WeatherService&) = delete;

    // Starts a refresh unless the place is the one last asked for, `force` is off and no more
    // than 30 minutes have passed since the last start, or a refresh is already running.
    // Returns at once; the outcome arrives later through onUpdate.
    void refreshIfNeeded(const std::optional<WeatherLocation>& configured, bool force);

    // Places named like `query` (passed on unchanged), through the service's connection but
    // touching none of its state; `done` runs on the main thread with the places or the
    // failure's text, unless the service is destroyed first.
    void search(const QString& query,
                std::function<void(WeatherResult<std::vector<WeatherLocation>>)> done) const;

    // The last report that arrived; kept when a later refresh fails.
    const std::optional<WeatherReport>& report() const { return report_; }
    // The place the last successful report is for.
    const std::optional<WeatherLocation>& resolvedLocation() const { return resolvedLocation_; }
    // Why the last refresh failed; cleared by the next success.
    const std::optional<QString>& lastError() const { return lastError_; }
    bool isLoading() const { return isLoading_; }
    // When the last refresh started; moved back after a failure so the retry comes sooner.
    const QDateTime& lastFetch() const { return lastFetch_; }
    // The configured place given to the last refresh that was started.
    const std::optional<WeatherLocation>& lastConfigured() const { return lastConfigured_; }
    // The automatically found place, kept once a report for it arrived.
    const std::optional<WeatherLocation>& autoLocation() const { return autoLocation_; }

    // Puts `report` in place of what the refreshes found, without calling onUpdate (sample
    // data for renders, readings for tests). The next successful refresh replaces it.
    void setReport(std::optional<WeatherReport> report) { report_ = std::move(report); }

    // Called on the main thread after every outcome, success or failure.
    std::function<void()> onUpdate;

private:
    struct Fetched {
        WeatherLocation place;
        WeatherReport report;
    };

    void fetchFor(const WeatherLocation& place, bool configured);
    void succeed(Fetched fetched, bool configured);
    void fail(const QString& error);

    WeatherEndpoints endpoints_;
    platform::Clock clock_;
    std::unique_ptr<platform::HttpClient> http_;
    std::optional<WeatherReport> report_;
    std::optional<WeatherLocation> resolvedLocation_;
    std::optional<QString> lastError_;
    bool isLoading_ = false;
    QDateTime lastFetch_;
    std::optional<WeatherLocation> lastConfigured_;
    std::optional<WeatherLocation> autoLocation_;
    // Answers arriving after the service is gone find this expired and are dropped.
    std::shared_ptr<const int> alive_ = std::make_shared<const int>(0);
};

} // namespace morvanex
