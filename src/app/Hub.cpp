#include "app/Hub.h"

#include "app/InsightEngine.h"
#include "app/RuleEngine.h"
#include "app/TickInterval.h"
#include "platform/Log.h"

#include <algorithm>
#include <cmath>

namespace morvanex {

bool needsWeather(const Config& config) {
    return std::any_of(config.modules.begin(), config.modules.end(), [](const ModuleConfig& m) {
        return m.enabled && (m.kind == ModuleKind::weather || m.kind == ModuleKind::astronomy ||
                             m.kind == ModuleKind::combined);
    });
}

Hub::Hub(AppSettings& appSettings, platform::Clock hubClock, Sources hubSources)
    : settings(appSettings), clock(std::move(hubClock)), sources(std::move(hubSources)),
      cpu(this->sources.roots, this->clock), memory(this->sources.roots, this->clock),
      processes(this->sources.roots, this->clock),
      gpu(this->sources.roots, this->clock, this->sources.pciIds),
      disks(this->sources.roots, this->clock, this->sources.statvfs),
      network(this->sources.network, this->clock), sensors(this->sources.smc.get()),
      battery(this->sources.roots, this->sources.peripherals),
      weather(this->sources.weather, this->clock), astronomy(this->clock),
      devices(DeviceMonitor::Loader(this->sources.deviceLibrary), this->clock,
              this->sources.deviceMultiplexer),
      keepAwake(this->sources.power, this->clock),
      speedTest(this->sources.speedTestResults, this->sources.speedTestTool, this->clock),
      calendar(platform::ICalendarSources(this->sources.calendars), this->clock,
               this->sources.calendarReader) {
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &Hub::tick);

    weather.onUpdate = [this] {
        astronomy.update(weather.resolvedLocation());
        publishAndRedraw();
    };
    calendar.onChange = [this] { emit changed(); };
    speedTest.onChange = [this] { emit changed(); };
    keepAwake.onChange = [this] { publishAndRedraw(); };
    devices.onUpdate = [this] { publishAndRedraw(); };
}

Hub::~Hub() = default;

void Hub::publishAndRedraw() {
    emit changed();
    emit ticked();
}

void Hub::openHistory(bool readOnly) {
    HistoryStore::Options options;
    options.clock = clock;
    history = HistoryStore::open(sources.historyURL, readOnly, options);
    if (!history)
        qCWarning(log::app).noquote() << "Running without history: the store at"
                                      << sources.historyURL << "could not be opened.";
}

void Hub::start(Mode mode) {
    const bool headless = mode == Mode::headless;
    isHeadless = headless;
    sensors.start();
    openHistory(headless);
    // The agent server reads what the tray application records, and never writes.
    isRecording = !headless && history != nullptr;
    // The agent server asks for the public address only when a question needs it.
    network.publicAddressOnDemand = headless;
    if (settings.config().showDevices)
        devices.start();
    tick();
    reschedule();
}

void Hub::reschedule() {
    timer_.stop();
    timer_.setInterval(tickInterval(settings.config().updateInterval));
    timer_.start();
}

void Hub::tick() {
    const Config config = settings.config();
    cpu.sample();
    memory.sample();
    processes.sample();
    gpu.sample();

    disks.sampleActivity();
    if (clock.monotonic() - disks.lastVolumeScan > 10 || disks.volumes.empty()) {
        disks.scanVolumes(config.showNetworkDisks, config.showRemovableDisks);
        ++counts.volumeScans;
    }

    network.pingHost = config.pingHost;
    network.sample();
    sensors.sample();
    battery.sample();

    const QDateTime now = clock.now();
    const QDateTime lastRefresh = devices.lastRefresh();
    if (config.showDevices && !devices.devices().empty() &&
        (!lastRefresh.isValid() || lastRefresh.msecsTo(now) >= 60'000)) {
        devices.refresh();
        ++counts.deviceRefreshes;
    }
    if (config.showEvents)
        calendar.refreshIfNeeded(config.eventDays, config.hiddenCalendars);
    // No answer of the agent server reads the weather or the sky, so the headless hub asks no
    // service for them (and loads no TLS for it).
    if (needsWeather(config) && !isHeadless) {
        weather.refreshIfNeeded(config.weatherLocation, false);
        astronomy.update(weather.resolvedLocation());
        ++counts.weatherRefreshes;
    }

    if (!isHeadless) {
        rules().evaluate();
        ++counts.ruleEvaluations;
    }
    insights().evaluate(clock.now());
    ++counts.insightEvaluations;
    if (isRecording)
        recordHistory();
    publishAndRedraw();
}

std::optional<double> Hub::menubarTemperature() const {
    if (const auto key = settings.config().menubarSensorKey) {
        if (const auto sensor = sensors.sensor(*key))
            return sensor->value;
    }
    if (const auto cpuTemperature = sensors.cpuTemperature())
        return cpuTemperature;
    return battery.temperature;
}

HistoryStore::Values Hub::historySample() const {
    HistoryStore::Values sample;
    // A rate needs two readings: until its monitor has measured one over an interval there is
    // no rate yet, and a 0 stored in its place would stand as a false minimum of that time.
    if (!cpu.totalHistory.values.empty()) {
        sample[HistoryMetric::cpuUser] = cpu.user;
        sample[HistoryMetric::cpuSystem] = cpu.system;
    }
    if (!gpu.gpus.empty())
        sample[HistoryMetric::gpu] = gpu.utilization();
    sample[HistoryMetric::memoryPressure] = memory.pressure;
    sample[HistoryMetric::memoryUsed] = memory.usedPercent();
    if (disks.hasRates()) {
        sample[HistoryMetric::diskRead] = disks.readRate;
        sample[HistoryMetric::diskWrite] = disks.writeRate;
    }
    if (network.hasRates) {
        sample[HistoryMetric::download] = network.download;
        sample[HistoryMetric::upload] = network.upload;
    }
    if (const auto temperature = menubarTemperature())
        sample[HistoryMetric::temperature] = *temperature;
    if (!sensors.fans.empty()) {
        const auto fastest =
            std::max_element(sensors.fans.begin(), sensors.fans.end(),
                             [](const Fan& a, const Fan& b) { return a.rpm < b.rpm; });
        sample[HistoryMetric::fan] = fastest->rpm;
    }
    if (battery.present)
        sample[HistoryMetric::battery] = battery.percent;
    if (const auto power = sensors.sensor(QStringLiteral("PSTR")))
        sample[HistoryMetric::power] = power->value;
    else if (battery.voltage && battery.amperage)
        sample[HistoryMetric::power] = std::abs(*battery.voltage * *battery.amperage);
    return sample;
}

void Hub::recordHistory() {
    if (!history)
        return;
    history->record(historySample(), clock.now());
    ++counts.recordings;
}

RuleEngine& Hub::rules() {
    if (!rules_)
        rules_ = std::make_unique<RuleEngine>(*this);
    return *rules_;
}

SMC& Hub::smc() const {
    return sources.smc ? *sources.smc : SMC::shared();
}

InsightEngine& Hub::insights() {
    if (!insights_)
        insights_ = std::make_unique<InsightEngine>(*this);
    return *insights_;
}

} // namespace morvanex
