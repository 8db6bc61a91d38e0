#pragma once

#include "app/Hub.h"
#include "base/AppSettings.h"
#include "platform/UserDefaults.h"

#include <QString>
#include <QUrl>
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

} // namespace morvanex::bench
