#include "ui/panels/BatteryPanel.h"

#include "app/Hub.h"
#include "base/AppSettings.h"
#include "base/Fmt.h"
#include "base/Numbers.h"
#include "base/Units.h"
#include "ui/kit/BoolBinding.h"
#include "ui/kit/Card.h"
#include "ui/kit/DisclosureRow.h"
#include "ui/kit/HeroValue.h"
#include "ui/kit/HistoryGraph.h"
#include "ui/kit/LiveGraphs.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/ProcessRow.h"
#include "ui/kit/SegmentedPicker.h"
#include "ui/kit/StatRow.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/kit/UsageBars.h"
#include "ui/kit/WrappingText.h"
#include "ui/panels/BatteryParts.h"
#include "ui/panels/KeepAwakeCard.h"
#include "ui/panels/LiveParts.h"
#include "ui/panels/SystemPanelParts.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLocale>
#include <algorithm>
#include <cmath>

namespace morvanex::ui {

namespace sp = systempanel;

const QString BatteryPanel::detailsKey = QStringLiteral("panel.battery.detailsExpanded");

BatteryPanel::BatteryPanel(PanelEnv env, PanelDefaults* defaults,
                           platform::PowerProfileReader powerProfile, CardFactory keepAwakeCard,
                           QWidget* parent)
    : QWidget(parent), env_(std::move(env)),
      defaults_(defaults ? *defaults : PanelDefaults::shared()),
      powerProfile_(std::move(powerProfile)), keepAwakeCard_(std::move(keepAwakeCard)),
      sections_(this) {
    if (!keepAwakeCard_)
        keepAwakeCard_ = [](const PanelEnv& cardEnv, QWidget* cardParent) {
            return new KeepAwakeCard(cardEnv, cardParent);
        };
    if (!powerProfile_ && !env_.previewOverrides.isPreview)
        powerProfile_ = platform::PowerProfileClient::systemReader();
    askPowerProfile();
    sections_.follow(*env_.hub, env_.settings, [this] {
        askPowerProfile();
        build();
    });
}

void BatteryPanel::askPowerProfile() {
    if (!powerProfile_ || asking_ || env_.previewOverrides.isPreview)
        return;
    asking_ = true;
    std::weak_ptr<int> alive = alive_;
    powerProfile_([this, alive](std::optional<QString> profile) {
        if (alive.expired())
            return;
        asking_ = false;
        if (profile == profile_)
            return;
        profile_ = std::move(profile);
        sections_.rebuild([this] { build(); });
    });
}

bool BatteryPanel::lowPowerMode() const {
    // The daemon's answer when there is one; else the firmware's profile as the monitor read it.
    if (profile_)
        return platform::isPowerSaver(profile_);
    return env_.hub->battery.lowPowerMode;
}

QString BatteryPanel::timeText(std::int64_t minutes) {
    if (minutes < 60)
        return QString::number(minutes) + QStringLiteral(" min");
    return QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60);
}

QString BatteryPanel::subtitle(const BatteryMonitor& battery) {
    const QString state = battery.stateDescription();
    if (!battery.minutesRemaining)
        return state;
    return state + QStringLiteral(" · ") + timeText(*battery.minutesRemaining) +
           (battery.isCharging ? QStringLiteral(" until full") : QStringLiteral(" left"));
}

std::vector<ProcessSample> BatteryPanel::significant(std::vector<ProcessSample> processes) {
    std::stable_sort(processes.begin(), processes.end(),
                     [](const ProcessSample& a, const ProcessSample& b) { return a.cpu > b.cpu; });
    if (processes.size() >= 7)
        processes.resize(6);
    std::vector<ProcessSample> busy;
    for (const ProcessSample& p : processes)
        if (p.cpu > 5.0)
            busy.push_back(p);
    return busy;
}

QString BatteryPanel::appsLabel(std::size_t count) {
    return count == 0 ? QStringLiteral("Apps") : QStringLiteral("Apps · %1").arg(count);
}

QString BatteryPanel::historyStart(const BatteryMonitor& battery, double updateInterval) {
    const std::optional<std::int64_t> minutes =
        numbers::truncatedInt64(updateInterval * (double(battery.history.capacity) * 5) / 60);
    if (!minutes)
        return QStringLiteral("—");
    if (*minutes < 120)
        return QString::number(*minutes) + QStringLiteral(" min ago");
    return QString::number(*minutes / 60) + QStringLiteral(" h ago");
}

QString BatteryPanel::deviceSymbol(const QString& name) {
    const QString lower = name.toLower();
    if (lower.contains(QLatin1String("keyboard")))
        return QStringLiteral("keyboard");
    if (lower.contains(QLatin1String("mouse")))
        return QStringLiteral("computermouse");
    if (lower.contains(QLatin1String("trackpad")))
        return QStringLiteral("rectangle.and.hand.point.up.left");
    if (lower.contains(QLatin1String("airpods")))
        return QStringLiteral("airpods");
    return QStringLiteral("dot.radiowaves.left.and.right");
}

std::optional<double> BatteryPanel::health(const BatteryMonitor& battery) {
    if (!battery.maxCapacity || !battery.designCapacity || *battery.designCapacity < 1)
        return std::nullopt;
    return double(*battery.maxCapacity) / double(*battery.designCapacity) * 100;
}

std::optional<QString> BatteryPanel::healthWord(const BatteryMonitor& battery) {
    if (battery.condition)
        return battery.condition;
    if (const std::optional<double> h = health(battery))
        return *h >= 80 ? QStringLiteral("Good") : QStringLiteral("Service Recommended");
    return std::nullopt;
}

QString BatteryPanel::badgeLabel(const QString& word) {
    return word == QLatin1String("Good") ? QStringLiteral("Normal") : word;
}

Tint BatteryPanel::badgeTint(const QString& word) {
    if (word == QLatin1String("Good"))
        return Tint::green;
    if (word == QLatin1String("Fair") || word == QLatin1String("Service Recommended"))
        return Tint::orange;
    return Tint::red;
}

std::optional<QString> BatteryPanel::capacityText(std::optional<std::int64_t> mAh) {
    if (!mAh)
        return std::nullopt;
    return QLocale().toString(qlonglong(*mAh)) + QStringLiteral(" mAh");
}

std::optional<QString> BatteryPanel::temperatureText(const BatteryMonitor& battery,
                                                     const SensorMonitor& sensors, TempUnit unit) {
    if (battery.temperature)
        return format(unit, battery.temperature, 1);
    if (const auto summary = sensors.summary(SensorGroup::battery))
        return format(unit, summary->maximum, 1);
    return std::nullopt;
}

std::vector<BatteryPanel::Line> BatteryPanel::powerLines(const BatteryMonitor& battery,
                                                         const SensorMonitor& sensors,
                                                         bool lowPowerMode) {
    std::vector<Line> lines;
    const auto watts = [](double w) { return Fmt::number(w, 1) + QStringLiteral(" W"); };
    // Without a battery the machine can only be running from the mains, whatever the power
    // sources say (a desktop often lists none at all).
    if (battery.onAC || !battery.present) {
        lines.push_back({QStringLiteral("Source"), QStringLiteral("Power adapter")});
        if (battery.adapterWatts) {
            QString text = QString::number(*battery.adapterWatts) + QStringLiteral(" W");
            if (battery.adapterName)
                text += QStringLiteral(" · ") + *battery.adapterName;
            lines.push_back({QStringLiteral("Adapter"), text});
        }
        if (battery.voltage && battery.amperage) {
            const double product = *battery.voltage * *battery.amperage;
            if (product > 0.05)
                lines.push_back({QStringLiteral("Charging power"), watts(product)});
        }
    } else {
        lines.push_back({QStringLiteral("Source"), QStringLiteral("Battery")});
        if (battery.voltage && battery.amperage)
            lines.push_back({QStringLiteral("Discharge rate"),
                             watts(std::abs(*battery.voltage * *battery.amperage))});
    }
    if (const std::optional<Sensor> system = sensors.sensor(QStringLiteral("PSTR")))
        lines.push_back({QStringLiteral("System power"), watts(system->value)});
    lines.push_back({QStringLiteral("Power Saver"),
                     lowPowerMode ? QStringLiteral("On") : QStringLiteral("Off")});
    return lines;
}

int BatteryPanel::shownTab() const {
    return env_.previewOverrides.batteryTab ? *env_.previewOverrides.batteryTab : tab_;
}

namespace {

// The header: the state and time left, the charge, and the bolt while charging.
struct BatteryHeader {
    bool charging = false;
    HeaderModel text;
    bool operator==(const BatteryHeader&) const = default;
};

// The tab switch: its labels and the tab shown.
struct TabsModel {
    QStringList labels;
    int selected = 0;
    bool operator==(const TabsModel&) const = default;
};

// What the health card and its details read.
struct HealthModel {
    std::optional<QString> word;
    std::optional<double> health;
    std::optional<std::int64_t> cycleCount;
    std::optional<std::int64_t> designCapacity;
    std::optional<std::int64_t> maxCapacity;
    std::optional<std::int64_t> currentCapacity;
    std::optional<double> voltage;
    std::optional<double> amperage;
    std::vector<double> cellVoltages;
    std::optional<QString> temperature;
    bool operator==(const HealthModel&) const = default;
};

RowTexts rowTexts(const std::vector<BatteryPanel::Line>& lines) {
    RowTexts rows;
    for (const BatteryPanel::Line& line : lines)
        rows.emplace_back(line.label, line.value);
    return rows;
}

} // namespace

void BatteryPanel::build() {
    const Appearance a = env_.appearance;
    const Hub& hub = *env_.hub;
    const BatteryMonitor& battery = hub.battery;
    const std::vector<ProcessSample> busy = significant(hub.processes.processes);

    sections_.section(
        QStringLiteral("header"),
        BatteryHeader{battery.isCharging,
                      // Without a battery there is no charge to give, not one of none.
                      {subtitle(battery),
                       battery.present ? HeroValue::Content{sp::roundedWhole(battery.percent),
                                                            QStringLiteral("%")}
                                       : HeroValue::Content{QStringLiteral("—"), std::nullopt}}},
        [a](const BatteryHeader& m) {
            auto* trailing = new QWidget;
            auto* row = new QHBoxLayout(trailing);
            row->setContentsMargins(0, 0, 0, 0);
            row->setSpacing(4);
            if (m.charging) {
                auto* bolt =
                    new SymbolIcon(QStringLiteral("bolt.fill"), 15, color(Tint::yellow, a));
                bolt->setAccessibleName(QStringLiteral("Charging"));
                row->addWidget(bolt, 0, Qt::AlignVCenter);
            }
            row->addWidget(new HeroValue(m.text.hero, a), 0, Qt::AlignVCenter);
            return new PanelHeader(QStringLiteral("battery.75percent"), Tint::green,
                                   QStringLiteral("Battery"), m.text.subtitle, trailing, a);
        },
        [](PanelHeader* header, const BatteryHeader& m) {
            bool bolt = false;
            for (const SymbolIcon* icon : header->findChildren<SymbolIcon*>())
                bolt = bolt || icon->accessibleName() == QLatin1String("Charging");
            return bolt == m.charging && updateHeader(header, m.text);
        });

    const TabsModel tabs{{QStringLiteral("Battery"), appsLabel(busy.size())},
                         shownTab() == 0 ? 0 : 1};
    tabs_ = sections_.section(
        QStringLiteral("tabs"), tabs,
        [this, a](const TabsModel& m) {
            auto* picker = new SegmentedPicker(m.labels, m.selected, a, [this](int index) {
                tab_ = index;
                sections_.rebuild([this] { build(); });
            });
            picker->setAccessibleName(QStringLiteral("Section"));
            return picker;
        },
        [](SegmentedPicker* picker, const TabsModel& m) {
            if (picker->labels() != m.labels)
                return false;
            picker->setSelected(m.selected);
            return true;
        });

    if (shownTab() == 0)
        buildBatteryTab();
    else
        buildAppsTab(busy);
}

void BatteryPanel::buildBatteryTab() {
    const Appearance a = env_.appearance;
    Hub& hub = *env_.hub;
    const BatteryMonitor& battery = hub.battery;
    const Config config = env_.settings ? env_.settings->config() : Config{};

    const Tint charge = battery.isCharging ? Tint::green : Tint::blue;
    const QString start = historyStart(battery, config.updateInterval);
    const std::int64_t capacity = battery.history.capacity;
    sections_.graphCard(
        QStringLiteral("charge|%1|%2|%3").arg(int(charge)).arg(start).arg(capacity), 6, a,
        [&](QWidget* parent) {
            return new HistoryGraph(
                env_, {{HistoryMetric::battery, QStringLiteral("Charge"), charge, 0.22, true}},
                100.0, false, 48, [](double v) { return Fmt::percent(v); },
                [&hub, charge, start, a](QWidget* graphParent) {
                    auto* live = new QWidget(graphParent);
                    auto* column = new QVBoxLayout(live);
                    column->setContentsMargins(0, 0, 0, 0);
                    column->setSpacing(4);
                    column->addWidget(liveLineAreaGraph(
                        hub,
                        [charge](const Hub& h) {
                            LineAreaGraph graph;
                            graph.series = {
                                GraphSeries{h.battery.history.values, charge, 0.22, true}};
                            graph.maxValue = 100;
                            graph.height = 48;
                            graph.capacity = int(
                                std::clamp<std::int64_t>(h.battery.history.capacity, 1, 1 << 20));
                            return graph;
                        },
                        a, live));
                    auto* caption = new QHBoxLayout;
                    caption->addWidget(sp::text(start, 11, Tint::tertiaryText, a));
                    caption->addStretch(1);
                    caption->addWidget(sp::text(QStringLiteral("Now"), 11, Tint::tertiaryText, a));
                    column->addLayout(caption);
                    return live;
                },
                defaults_, parent);
        },
        0, [](const GraphCard&, int) {});

    sections_.section(
        QStringLiteral("power"), rowTexts(powerLines(battery, hub.sensors, lowPowerMode())),
        [a](const RowTexts& rows) {
            auto* power = new Card(7, a);
            power->add(new CardHeader(QStringLiteral("Power"), std::nullopt, nullptr, a));
            return addStatRows(power, rows, a);
        },
        updateRowValues);

    const HealthModel health{
        healthWord(battery),  BatteryPanel::health(battery),
        battery.cycleCount,   battery.designCapacity,
        battery.maxCapacity,  battery.currentCapacity,
        battery.voltage,      battery.amperage,
        battery.cellVoltages, temperatureText(battery, hub.sensors, config.temperatureUnit)};
    sections_.section(QStringLiteral("health"), health, [this, a, &battery](const HealthModel& m) {
        auto* healthCard = new Card(8, a);
        auto* top = new QWidget;
        auto* topRow = new QHBoxLayout(top);
        topRow->setContentsMargins(0, 0, 0, 0);
        topRow->addWidget(new CardHeader(QStringLiteral("Health"), std::nullopt, nullptr, a), 1);
        if (m.word)
            topRow->addWidget(healthBadge(*m.word, a), 0, Qt::AlignVCenter);
        healthCard->add(top);
        if (m.health) {
            const double h = *m.health;
            auto* stack = new QWidget;
            auto* column = new QVBoxLayout(stack);
            column->setContentsMargins(0, 0, 0, 0);
            column->setSpacing(5);
            column->addWidget(new StatRow(QStringLiteral("Maximum capacity"), std::nullopt,
                                          new StatValue(Fmt::percent(h), a), a));
            column->addWidget(
                new UsageBarView(UsageBar{h / 100, h < 80 ? Tint::orange : Tint::green, 5}, a));
            healthCard->add(stack);
        }
        if (m.cycleCount)
            healthCard->add(new StatRow(QStringLiteral("Cycle count"), std::nullopt,
                                        new StatValue(QString::number(*m.cycleCount), a), a));
        // The details read the same fields of the monitor that the model holds.
        healthCard->add(new DisclosureRow(QStringLiteral("Details"), std::nullopt, false, true,
                                          BoolBinding::stored(defaults_, detailsKey, false),
                                          batteryDetails(battery, m.temperature, a),
                                          env_.previewOverrides, a));
        return healthCard;
    });

    // Made once: the card follows the keep-awake state by itself.
    if (keepAwakeCard_)
        sections_.section(QStringLiteral("keepAwake"), 0,
                          [this](int) { return keepAwakeCard_(env_, this); });

    if (!battery.bluetooth.empty())
        sections_.section(QStringLiteral("bluetooth"), battery.bluetooth,
                          [a](const std::vector<BluetoothBattery>& all) {
                              auto* devices = new Card(7, a);
                              devices->add(new CardHeader(QStringLiteral("Bluetooth Devices"),
                                                          std::nullopt, nullptr, a));
                              for (const BluetoothBattery& device : all)
                                  devices->add(peripheralRow(device, deviceSymbol(device.name), a));
                              return devices;
                          });
}

void BatteryPanel::buildAppsTab(const std::vector<ProcessSample>& processes) {
    const Appearance a = env_.appearance;
    sections_.section(
        QStringLiteral("apps"), processes, [this, a](const std::vector<ProcessSample>& all) {
            auto* card = new Card(7, a);
            card->add(new CardHeader(QStringLiteral("Using Significant CPU"),
                                     QStringLiteral("% CPU"), nullptr, a));
            if (all.empty())
                card->add(
                    wrappingText(QStringLiteral("No apps are using significant CPU right now."), 13,
                                 Tint::secondaryText, a));
            for (const ProcessSample& process : all)
                card->add(new ProcessRow(process, Fmt::percent(process.cpu),
                                         std::min(process.cpu, 100.0) / 100, Tint::blue, env_));
            return card;
        });
    sections_.section(QStringLiteral("appsNote"), 0, [a](int) {
        auto* note =
            wrappingText(QStringLiteral("Apps above 5% CPU, which drain the battery fastest."), 11,
                         Tint::tertiaryText, a);
        note->setContentsMargins(4, 0, 4, 0);
        return note;
    });
}

} // namespace morvanex::ui
