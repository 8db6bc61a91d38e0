#include "services/WeatherService.h"

namespace morvanex {

namespace {

constexpr double refreshSeconds = 1800;
// After a failure the last start is set this far back, so the next attempt comes once a
// little more than 300 seconds have passed.
constexpr double failureBackdate = 1500;

QDateTime distantPast() {
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
}

} // namespace

WeatherService::WeatherService(WeatherEndpoints endpoints, platform::Clock clock)
    : endpoints_(std::move(endpoints)), clock_(std::move(clock)),
      http_(std::make_unique<platform::HttpClient>()), lastFetch_(distantPast()) {}

void WeatherService::refreshIfNeeded(const std::optional<WeatherLocation>& configured, bool force) {
    const QDateTime now = clock_.now();
    const double sinceLastFetch = double(lastFetch_.msecsTo(now)) / 1000;
    if (configured == lastConfigured_ && !force && sinceLastFetch <= refreshSeconds)
        return;
    if (isLoading_)
        return; // nothing is queued, not even a forced call or a new place
    lastConfigured_ = configured;
    lastFetch_ = now;
    isLoading_ = true;

    if (configured) {
        fetchFor(*configured, true);
    } else if (autoLocation_) {
        fetchFor(*autoLocation_, false);
    } else {
        weather::locateByIP(
            *http_, endpoints_,
            [this, alive = std::weak_ptr(alive_)](WeatherResult<WeatherLocation> located) {
                if (alive.expired())
                    return;
                if (!located.value)
                    return fail(located.error);
                fetchFor(*located.value, false);
            });
    }
}

void WeatherService::search(
    const QString& query,
    std::function<void(WeatherResult<std::vector<WeatherLocation>>)> done) const {
    weather::searchPlaces(*http_, endpoints_, query, std::move(done));
}

void WeatherService::fetchFor(const WeatherLocation& place, bool configured) {
    weather::fetch(*http_, endpoints_, place, clock_,
                   [this, alive = std::weak_ptr(alive_), place,
                    configured](WeatherResult<WeatherReport> result) {
                       if (alive.expired())
                           return;
                       if (!result.value)
                           return fail(result.error);
                       succeed({place, std::move(*result.value)}, configured);
                   });
}

void WeatherService::succeed(Fetched fetched, bool configured) {
    if (!configured)
        autoLocation_ = fetched.place;
    resolvedLocation_ = std::move(fetched.place);
    report_ = std::move(fetched.report);
    lastError_.reset();
    isLoading_ = false;
    if (onUpdate)
        onUpdate();
}

void WeatherService::fail(const QString& error) {
    lastError_ = error;
    isLoading_ = false;
    lastFetch_ = clock_.now().addSecs(-qint64(failureBackdate));
    if (onUpdate)
        onUpdate();
}

} // namespace morvanex
