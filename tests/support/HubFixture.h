#pragma once

#include "app/Hub.h"
#include "base/AppSettings.h"
#include "platform/linux/SmcTransport.h"
#include "platform/linux/UPowerDevices.h"
#include "support/FixtureTree.h"

#include <QDateTime>
#include <functional>
#include <memory>

namespace morvanex::test {

// The sources of a hub over a fixture machine folder (a copy of tests/fixtures/hub/laptop by
// default): its /proc, /sys, /etc and /run, its hardware monitors as the controller, a root
// volume of fixed size, in-memory keep-awake and speed-test results, and a history file and
// calendar folders of its own. Nothing is read from this machine or sent off it: the services
// and the public address point at a closed local port, and there is no ping tool, speed-test
// tool or device library.
inline Hub::Sources fixtureSources(const QString& machine, const platform::Clock& clock) {
    Hub::Sources sources;
    sources.roots = platform::Roots::under(machine);
    sources.statvfs = [](const QString& folder) -> std::optional<platform::VolumeSpace> {
        if (folder != QLatin1String("/"))
            return std::nullopt;
        return platform::VolumeSpace{500e9, 200e9};
    };
    sources.pciIds = {};
    sources.smc = std::make_shared<SMC>(platform::openSmcTransport(sources.roots, clock));
    sources.peripherals = [](const platform::UPowerPeripheralsDone& done) { done({}); };

    // Nothing listens on the discard port: every request fails at once, offline.
    const QUrl nowhere(QStringLiteral("http://127.0.0.1:9/"));
    sources.network = NetworkMonitor::Sources::system(sources.roots);
    sources.network.addresses = [] {
        platform::AddressMap addresses;
        addresses[QStringLiteral("eth0")] = {{QStringLiteral("192.0.2.10")}, {}, std::nullopt};
        return addresses;
    };
    sources.network.wifi = [] { return std::optional<platform::WiFiLink>(); };
    sources.network.pingSocket = {};
    sources.network.pingProgram = machine + QStringLiteral("/no-ping");
    sources.network.publicAddressUrl = nowhere;
    sources.weather = WeatherEndpoints{nowhere, nowhere, nowhere};
    sources.deviceLibrary = [] { return std::optional<platform::MobileDeviceAPI>(); };
    sources.deviceMultiplexer.clear(); // fakes need no device daemon
    sources.power = {[](bool, const QString&) { return std::make_shared<int>(0); }, {}};
    sources.speedTestResults = platform::UserDefaults::inMemory();
    sources.speedTestTool = machine + QStringLiteral("/no-speed-test");
    sources.calendars = {machine + QStringLiteral("/data"), machine + QStringLiteral("/config")};
    sources.calendarReader.program = MORVANEX_CALENDAR_READER;
    sources.historyURL = machine + QStringLiteral("/history/history.sqlite");
    return sources;
}

// A hub over in-memory settings, a clock the test moves by hand and a fixture machine the test
// may change between ticks (writeFile(f.machine, ...)). Tests may also set the monitors' fields
// to the readings they need.
struct HubFixture {
    QDateTime now = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC);
    double monotonic = 1000;
    AppSettings settings{platform::UserDefaults::inMemory()};
    const QString machine;
    std::unique_ptr<Hub> hub;

    // `adjust` may change the sources before the hub is made.
    explicit HubFixture(const std::function<void(Hub::Sources&)>& adjust = {},
                        const QString& fixture = QStringLiteral("hub/laptop"))
        : machine(copyFixture(fixture)) {
        platform::Clock clock;
        clock.now = [this] { return now; };
        clock.monotonic = [this] { return monotonic; };
        Hub::Sources sources = fixtureSources(machine, clock);
        if (adjust)
            adjust(sources);
        settings.update([](Config& c) { c.pingHost = QStringLiteral("127.0.0.1"); });
        hub = std::make_unique<Hub>(settings, clock, std::move(sources));
    }

    void advance(double seconds) {
        now = now.addMSecs(qint64(seconds * 1000));
        monotonic += seconds;
    }
};

} // namespace morvanex::test
