#pragma once

#include "app/Hub.h"
#include "base/AppSettings.h"
#include "platform/UserDefaults.h"

#include <QString>
#include <QUrl>
#include <memory>
#include <optional>

namespace morvanex::bench {

// This machine's readings, with nothing sent off it: the public-address and weather services
// point at a closed local port, there is no device library, and speed-test results stay in
// memory. `historyFile` empty: no history store.
inline HubSources localSources(const QString& historyFile = {}) {
    const QUrl closedPort(QStringLiteral("http://127.0.0.1:9/"));
    HubSources sources = HubSources::system();
    sources.network.publicAddressUrl = closedPort;
    sources.weather = WeatherEndpoints{closedPort, closedPort, closedPort};
    sources.deviceLibrary = [] { return std::optional<platform::MobileDeviceAPI>(); };
    sources.speedTestResults = platform::UserDefaults::inMemory();
    sources.historyURL = historyFile;
    return sources;
}

// In-memory settings whose ping goes to the loopback address.
inline void pingLoopback(AppSettings& settings) {
    settings.update([](Config& c) { c.pingHost = QStringLiteral("127.0.0.1"); });
}

// A hub on this machine's readings, ticked once, made on first use and kept for the run.
struct LocalMachine {
    AppSettings settings{platform::UserDefaults::inMemory()};
    std::unique_ptr<Hub> hub;

    LocalMachine() {
        pingLoopback(settings);
        hub = std::make_unique<Hub>(settings, platform::Clock::system(), localSources());
        hub->tick();
    }
};

inline LocalMachine& machine() {
    static LocalMachine instance;
    return instance;
}

} // namespace morvanex::bench
