#include "app/RuleEngine.h"

#include "app/Hub.h"
#include "base/Fmt.h"
#include "base/Numbers.h"
#include "base/ShownText.h"
#include "platform/Notifier.h"

#include <cmath>

namespace morvanex {

RuleEngine::RuleEngine(Hub& hub, Post post)
    : startedAt(hub.clock.now()), hub_(hub), post_(std::move(post)) {
    if (!post_)
        post_ = [](const QString& title, const QString& body) {
            Notifier::shared().post(title, body);
        };
}

QString RuleEngine::unit(RuleMetric metric) {
    switch (metric) {
    case RuleMetric::temperature:
        return QStringLiteral("°C");
    case RuleMetric::download:
    case RuleMetric::upload:
        return QStringLiteral("KB/s");
    case RuleMetric::ping:
        return QStringLiteral("ms");
    default:
        return QStringLiteral("%");
    }
}

std::optional<double> RuleEngine::value(RuleMetric metric) const {
    switch (metric) {
    case RuleMetric::cpu:
        return hub_.cpu.user + hub_.cpu.system;
    case RuleMetric::gpu:
        if (hub_.gpu.gpus.empty())
            return std::nullopt;
        return hub_.gpu.utilization();
    case RuleMetric::memoryPressure:
        return hub_.memory.pressure;
    case RuleMetric::memoryUsed:
        return hub_.memory.usedPercent();
    case RuleMetric::diskUsed: {
        const auto volume = hub_.disks.startupVolume();
        if (!volume)
            return std::nullopt;
        return volume->usedPercent();
    }
    case RuleMetric::temperature:
        return hub_.sensors.cpuTemperature();
    case RuleMetric::batteryLevel:
        if (!hub_.battery.present)
            return std::nullopt;
        return hub_.battery.percent;
    case RuleMetric::download:
        return hub_.network.download / 1024;
    case RuleMetric::upload:
        return hub_.network.upload / 1024;
    case RuleMetric::ping:
        return hub_.network.pingMs;
    }
    return std::nullopt;
}

QString RuleEngine::format(double value) {
    // Whole numbers print without decimals; values from the settings file that are not finite
    // or beyond the integer range keep the decimal form rather than a broken conversion.
    if (const auto whole = numbers::roundedInt64(value); whole && double(*whole) == value)
        return QString::fromStdString(numbers::integerText(*whole));
    return QString::fromStdString(numbers::fixed(value, 1));
}

void RuleEngine::evaluate() {
    const QDateTime now = hub_.clock.now();
    if (startedAt.msecsTo(now) <= 5000)
        return;
    const Config config = hub_.settings.config();
    for (const Rule& rule : config.rules) {
        const auto current = rule.enabled ? value(rule.metric) : std::nullopt;
        const bool holds =
            current && (rule.comparison == Comparison::above ? *current > rule.threshold
                                                             : *current < rule.threshold);
        if (!holds) {
            conditionSince.erase(rule.id);
            fired.erase(rule.id);
            continue;
        }
        const QDateTime since = conditionSince.try_emplace(rule.id, now).first->second;
        if (double(since.msecsTo(now)) / 1000 < rule.duration || fired.count(rule.id))
            continue;
        fired.insert(rule.id);

        const QString unitText = unit(rule.metric);
        const QString heading =
            title(rule.metric) +
            (rule.comparison == Comparison::above ? QStringLiteral(" is above ")
                                                  : QStringLiteral(" is below ")) +
            format(rule.threshold) + QLatin1Char(' ') + unitText;
        QString durationPart;
        if (rule.duration > 0) {
            const auto seconds = numbers::truncatedInt64(rule.duration);
            durationPart = QStringLiteral(" for ") +
                           (seconds ? QString::fromStdString(numbers::integerText(*seconds))
                                    : format(rule.duration)) +
                           QStringLiteral(" seconds");
        }
        post_(heading, QStringLiteral("Currently ") + format(*current) + QLatin1Char(' ') +
                           unitText + durationPart + QLatin1Char('.'));
    }
    evaluateEvents();
}

RuleEngine::EventState RuleEngine::currentState() const {
    const BatteryMonitor& battery = hub_.battery;
    const NetworkMonitor& network = hub_.network;
    EventState state;
    state.onAC = battery.onAC;
    state.charged = battery.isCharged || (battery.onAC && battery.percent >= 99.5);
    state.batteryPresent = battery.present;
    if (network.wifi) {
        state.ssid = network.wifi->ssid;
        state.wifiAssociated = network.wifi->rssi != 0;
    }
    state.publicIP = network.publicIP;
    state.internet = network.internetReachable;
    state.primaryInterface = network.primaryInterface;
    return state;
}

void RuleEngine::evaluateEvents() {
    const EventState state = currentState();
    if (!previous) {
        previous = state;
        return;
    }
    const EventToggles events = hub_.settings.config().events;
    const QString batteryBody =
        QStringLiteral("Battery at ") + Fmt::percent(hub_.battery.percent) + QLatin1Char('.');
    if (events.powerSource && state.batteryPresent && state.onAC != previous->onAC)
        post_(state.onAC ? QStringLiteral("Charger connected")
                         : QStringLiteral("Charger disconnected"),
              batteryBody);
    if (events.batteryCharged && state.batteryPresent && state.charged && !previous->charged)
        post_(QStringLiteral("Battery is now charged"), batteryBody);
    if (events.wifiChanged && state.wifiAssociated && state.ssid && previous->ssid != state.ssid)
        post_(QStringLiteral("Wi-Fi connected"),
              QStringLiteral("Connected to '") + *state.ssid + QStringLiteral("'."));
    if (events.publicIPChanged && state.publicIP && previous->publicIP &&
        *state.publicIP != *previous->publicIP)
        post_(QStringLiteral("New public IP address"), *state.publicIP);
    if (events.internetStatus && state.internet && previous->internet &&
        *state.internet != *previous->internet) {
        if (*state.internet)
            post_(QStringLiteral("Connected to internet"),
                  QStringLiteral("Internet connectivity restored."));
        else
            post_(QStringLiteral("No internet connection"), QStringLiteral("Ping to ") +
                                                                shownText(hub_.network.pingHost) +
                                                                QStringLiteral(" is failing."));
    }
    if (events.primaryInterface && state.primaryInterface != previous->primaryInterface)
        post_(QStringLiteral("Primary network interface changed"),
              state.primaryInterface.value_or(QStringLiteral("None")));
    previous = state;
}

} // namespace morvanex
