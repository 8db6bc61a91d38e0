#pragma once

#include "base/AppSettings.h"
#include "app/Hub.h"

#include <QDateTime>
#include <functional>
#include <memory>

namespace morvanex::test {

// A hub over in-memory settings with a clock the test moves by hand. The monitors are the
// real ones; tests set their fields to the readings they need.
struct HubFixture {
    QDateTime now = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC);
    double monotonic = 1000;
    AppSettings settings{platform::UserDefaults::inMemory()};
    std::unique_ptr<Hub> hub;

    // `adjust` may change the services before the hub is made.
    explicit HubFixture(const std::function<void(Hub::Services&)>& adjust = {}) {
        platform::Clock clock;
        clock.now = [this] { return now; };
        clock.monotonic = [this] { return monotonic; };
        // Nothing listens on the discard port: every request fails at once, offline.
        const QUrl nowhere(QStringLiteral("http://127.0.0.1:9/"));
        Hub::Services services{WeatherEndpoints{nowhere, nowhere, nowhere}, nowhere};
        if (adjust)
            adjust(services);
        settings.update([](Config& c) { c.pingHost = QStringLiteral("127.0.0.1"); });
        hub = std::make_unique<Hub>(settings, clock, services);
    }

    void advance(double seconds) {
        now = now.addMSecs(qint64(seconds * 1000));
        monotonic += seconds;
    }
};

} // namespace morvanex::test
