#include "ui/panels/SensorsPanel.h"

#include "app/Hub.h"
#include "base/AppSettings.h"
#include "base/Fmt.h"
#include "base/Units.h"
#include "ui/kit/Card.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/HeroValue.h"
#include "ui/kit/HistoryGraph.h"
#include "ui/kit/LiveGraphs.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/SegmentedPicker.h"
#include "ui/kit/StatRow.h"
#include "ui/kit/UsageBars.h"
#include "ui/kit/WrappingText.h"
#include "ui/panels/LiveParts.h"
#include "ui/panels/SensorRows.h"
#include "ui/panels/SystemPanelParts.h"

#include <QBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <tuple>

namespace morvanex::ui {

namespace sp = systempanel;

const QString SensorsPanel::detailCaption =
    QStringLiteral("Right-click a temperature to show it in the menu bar.");
const QString SensorsPanel::notAccessibleText =
    QStringLiteral("No hardware sensors are readable on this computer (tried applesmc, hwmon "
                   "and powercap in /sys).");

SensorsPanel::SensorsPanel(PanelEnv env, PanelDefaults* defaults, QWidget* parent)
    : QWidget(parent), env_(std::move(env)),
      defaults_(defaults ? *defaults : PanelDefaults::shared()), sections_(this) {
    sections_.follow(*env_.hub, env_.settings, [this] { build(); });
}

SensorsPanel::Content SensorsPanel::content(bool controllerOpen, bool ready, SensorMode mode) {
    if (!controllerOpen)
        return Content::notAccessible;
    if (!ready)
        return Content::discovering;
    return mode == SensorMode::detailed ? Content::detailed : Content::simple;
}

std::optional<Sensor> SensorsPanel::hottest(const std::vector<Sensor>& sensors) {
    std::optional<Sensor> best;
    for (const Sensor& sensor : sensors)
        if (sensor.kind == SensorKind::temperature && (!best || sensor.value > best->value))
            best = sensor;
    return best;
}

std::optional<Sensor> SensorsPanel::menubarSensor(const SensorMonitor& monitor,
                                                  const std::optional<QString>& key) {
    if (key)
        if (std::optional<Sensor> chosen = monitor.sensor(*key))
            return chosen;
    return hottest(monitor.temperatures(SensorGroup::cpu));
}

QString SensorsPanel::label(const Sensor& sensor) {
    switch (sensor.kind) {
    case SensorKind::current:
        return sensor.name + QStringLiteral(" current");
    case SensorKind::voltage:
        return sensor.name + QStringLiteral(" voltage");
    default:
        return sensor.name;
    }
}

QString SensorsPanel::value(const Sensor& sensor, TempUnit unit, int decimals) {
    switch (sensor.kind) {
    case SensorKind::temperature:
        return format(unit, sensor.value, decimals);
    case SensorKind::voltage:
        return Fmt::number(sensor.value, decimals) + QStringLiteral(" V");
    case SensorKind::current:
        return Fmt::number(sensor.value, decimals) + QStringLiteral(" A");
    case SensorKind::power:
        return Fmt::number(sensor.value, decimals) + QStringLiteral(" W");
    }
    return Fmt::number(sensor.value, decimals);
}

int SensorsPanel::powerRank(const Sensor& sensor) {
    int base = 30;
    switch (sensor.kind) {
    case SensorKind::power:
        base = 0;
        break;
    case SensorKind::voltage:
        base = 10;
        break;
    case SensorKind::current:
        base = 20;
        break;
    case SensorKind::temperature:
        base = 30;
        break;
    }
    return sensor.key == QLatin1String("PSTR") ? base : base + 1;
}

std::vector<Sensor> SensorsPanel::powerRows(const std::vector<Sensor>& sensors) {
    std::vector<Sensor> rows;
    for (const Sensor& sensor : sensors)
        if (sensor.group == SensorGroup::power)
            rows.push_back(sensor);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Sensor& a, const Sensor& b) { return powerRank(a) < powerRank(b); });
    return rows;
}

double SensorsPanel::fanFraction(const Fan& fan) {
    if (!(fan.minimum < fan.maximum))
        return 0;
    const double share = (fan.rpm - fan.minimum) / (fan.maximum - fan.minimum) * 100;
    if (!std::isfinite(share))
        return share > 0 ? 1 : 0;
    return std::clamp(share, 0.0, 100.0) / 100;
}

QString SensorsPanel::rpmText(double rpm) {
    return sp::wholeGrouped(rpm) + QStringLiteral(" rpm");
}

QString SensorsPanel::fanRange(const Fan& fan) {
    return sp::wholeGrouped(fan.minimum) + QStringLiteral(" – ") + sp::wholeGrouped(fan.maximum);
}

const std::vector<SensorGroup>& SensorsPanel::summaryGroups() {
    static const std::vector<SensorGroup> groups{SensorGroup::cpu,     SensorGroup::gpu,
                                                 SensorGroup::memory,  SensorGroup::storage,
                                                 SensorGroup::battery, SensorGroup::system};
    return groups;
}

SensorMode SensorsPanel::effectiveMode() const {
    if (env_.previewOverrides.sensorMode)
        return *env_.previewOverrides.sensorMode;
    return env_.settings ? env_.settings->config().sensorMode : SensorMode::simple;
}

namespace {

// A live graph of one sensor's recent values, read afresh after each tick.
LineAreaGraph liveSeries(std::vector<double> values, Tint tint, std::optional<double> maxValue) {
    LineAreaGraph graph;
    graph.series = {GraphSeries{std::move(values), tint, 0.22, true}};
    graph.maxValue = maxValue;
    graph.stacked = false;
    graph.height = 40;
    graph.capacity = 120;
    graph.gridlines = true;
    return graph;
}

std::vector<double> historyOf(const SensorMonitor& monitor, const QString& key) {
    auto found = monitor.histories.find(key);
    return found == monitor.histories.end() ? std::vector<double>{} : found->second.values;
}

} // namespace

namespace {

// The temperatures card: each group's average and maximum.
struct Summaries {
    std::vector<std::pair<SensorGroup, SensorMonitor::Summary>> groups;
    TempUnit unit = TempUnit::celsius;
    bool operator==(const Summaries&) const = default;
};

// The rows under the fans' graph: each fan's speed, place in its range, and range.
struct FanRows {
    std::vector<Fan> fans;
    bool operator==(const FanRows&) const = default;
};

// The detailed list: each sensor with its label and value, and the one in the menu bar.
struct DetailRows {
    std::vector<std::tuple<Sensor, QString, QString>> rows;
    std::optional<QString> marked;
    bool operator==(const DetailRows&) const = default;
};

QWidget* fanEntry(const Fan& fan, Appearance a) {
    auto* entry = new QWidget;
    auto* column = new QVBoxLayout(entry);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    column->addWidget(new StatRow(QStringLiteral("Fan %1").arg(fan.index + 1), std::nullopt,
                                  new StatValue(SensorsPanel::rpmText(fan.rpm), a), a));
    auto* bar = new UsageBarView(UsageBar{SensorsPanel::fanFraction(fan), Tint::teal, 6}, a);
    // Found by name: the bar view has no meta-object for findChild to tell it by.
    bar->setObjectName(QStringLiteral("fanBar"));
    column->addWidget(bar);
    QLabel* range = sp::text(SensorsPanel::fanRange(fan), 11, Tint::tertiaryText, a);
    range->setObjectName(QStringLiteral("fanRange"));
    column->addWidget(range);
    return entry;
}

// New speeds into the fan rows in place; false when the fans themselves changed.
bool updateFans(QWidget* card, const FanRows& m) {
    RowTexts speeds;
    for (const Fan& fan : m.fans)
        speeds.emplace_back(QStringLiteral("Fan %1").arg(fan.index + 1),
                            SensorsPanel::rpmText(fan.rpm));
    const QList<QWidget*> bars = card->findChildren<QWidget*>(QStringLiteral("fanBar"));
    const QList<QLabel*> ranges = card->findChildren<QLabel*>(QStringLiteral("fanRange"));
    if (bars.size() != qsizetype(m.fans.size()) || ranges.size() != bars.size() ||
        !updateRowValues(card, speeds))
        return false;
    for (std::size_t i = 0; i < m.fans.size(); ++i) {
        static_cast<UsageBarView*>(bars[qsizetype(i)])
            ->setBar(UsageBar{SensorsPanel::fanFraction(m.fans[i]), Tint::teal, 6});
        ranges[qsizetype(i)]->setText(SensorsPanel::fanRange(m.fans[i]));
    }
    return true;
}

QWidget* rowsCard(const RowTexts& rows, Appearance a) {
    auto* card = new Card(5, a);
    card->add(new CardHeader(QStringLiteral("Power"), std::nullopt, nullptr, a));
    return addStatRows(card, rows, a);
}

} // namespace

void SensorsPanel::build() {
    const Appearance a = env_.appearance;
    const Hub& hub = *env_.hub;
    const Config config = env_.settings ? env_.settings->config() : Config{};
    const TempUnit unit = config.temperatureUnit;

    HeaderModel header{std::nullopt, HeroValue::temperature(hub.menubarTemperature(), unit)};
    if (std::optional<Sensor> top = hottest(hub.sensors.sensors))
        header.subtitle = QStringLiteral("Hottest: ") + top->name;
    sections_.section(
        QStringLiteral("header"), header,
        [a](const HeaderModel& m) {
            return makeHeader(QStringLiteral("thermometer.medium"), Tint::red,
                              QStringLiteral("Sensors"), m, a);
        },
        updateHeader);

    const SensorMode mode = effectiveMode();
    picker_ = sections_.section(
        QStringLiteral("picker"), mode == SensorMode::detailed ? 1 : 0,
        [this, a](int selected) {
            auto* picker = new SegmentedPicker(
                {QStringLiteral("Simple"), QStringLiteral("Detailed")}, selected, a,
                [settings = env_.settings](int index) {
                    if (settings)
                        settings->update([index](Config& c) {
                            c.sensorMode = index == 1 ? SensorMode::detailed : SensorMode::simple;
                        });
                });
            picker->setAccessibleName(QStringLiteral("Detail level"));
            return picker;
        },
        [](SegmentedPicker* picker, int selected) {
            picker->setSelected(selected);
            return true;
        });

    const Content shown = content(hub.smc().isOpen(), hub.sensors.isReady, mode);
    if (shown != Content::detailed)
        scroll_ = nullptr;
    switch (shown) {
    case Content::notAccessible:
        sections_.section(QStringLiteral("notAccessible"), 0, [a](int) {
            auto* card = new Card(7, a);
            card->add(wrappingText(notAccessibleText, 13, Tint::secondaryText, a));
            return card;
        });
        break;
    case Content::discovering:
        sections_.section(QStringLiteral("discovering"), 0, [a](int) {
            auto* card = new Card(7, a);
            auto* line = new QWidget(card);
            auto* row = new QHBoxLayout(line);
            row->setContentsMargins(0, 0, 0, 0);
            row->addWidget(new BusyIndicator(a, line), 0, Qt::AlignVCenter);
            row->addWidget(
                sp::text(QStringLiteral("Discovering sensors…"), 13, Tint::secondaryText, a), 1,
                Qt::AlignVCenter);
            card->add(line);
            return card;
        });
        break;
    case Content::simple:
        buildSimple(unit);
        break;
    case Content::detailed:
        buildDetailed(unit);
        break;
    }
}

void SensorsPanel::buildSimple(TempUnit unit) {
    const Appearance a = env_.appearance;
    Hub& hub = *env_.hub;
    const SensorMonitor& monitor = hub.sensors;

    Summaries summaries{{}, unit};
    for (SensorGroup group : summaryGroups())
        if (std::optional<SensorMonitor::Summary> summary = monitor.summary(group))
            summaries.groups.emplace_back(group, *summary);
    sections_.section(
        QStringLiteral("temperatures"), summaries,
        [a](const Summaries& m) {
            auto* temperatures = new Card(7, a);
            temperatures->add(new CardHeader(QStringLiteral("Temperatures"),
                                             QStringLiteral("avg / max"), nullptr, a));
            for (const auto& [group, summary] : m.groups)
                temperatures->add(new TemperatureRow(rawValue(group), summary.average,
                                                     summary.maximum, m.unit, a));
            return temperatures;
        },
        [](Card* card, const Summaries& m) {
            // The same groups take their new readings in place.
            const QList<TemperatureRow*> rows = card->findChildren<TemperatureRow*>();
            if (rows.size() != qsizetype(m.groups.size()))
                return false;
            for (std::size_t i = 0; i < m.groups.size(); ++i)
                if (rows[qsizetype(i)]->label() != rawValue(m.groups[i].first))
                    return false;
            for (std::size_t i = 0; i < m.groups.size(); ++i)
                rows[qsizetype(i)]->setValues(m.groups[i].second.average,
                                              m.groups[i].second.maximum, m.unit);
            return true;
        });

    const std::optional<QString> key =
        env_.settings ? env_.settings->config().menubarSensorKey : std::nullopt;
    if (std::optional<Sensor> s = menubarSensor(monitor, key)) {
        AppSettings* settings = env_.settings;
        const std::pair<QString, QString> title{s->name + QStringLiteral(" · in menu bar"),
                                                QStringLiteral("peak ") + format(unit, s->peak, 0)};
        sections_.graphCard(
            QStringLiteral("menubar|%1").arg(int(unit)), 7, a,
            [&](QWidget* parent) {
                return new HistoryGraph(
                    env_,
                    {{HistoryMetric::temperature, QStringLiteral("Temperature"), Tint::orange, 0.22,
                      true}},
                    std::nullopt, false, 40, [unit](double v) { return format(unit, v, 1); },
                    [&hub, settings, a](QWidget* graphParent) {
                        return liveLineAreaGraph(
                            hub,
                            [settings](const Hub& h) {
                                const std::optional<QString> chosen =
                                    settings ? settings->config().menubarSensorKey : std::nullopt;
                                const std::optional<Sensor> now = menubarSensor(h.sensors, chosen);
                                return liveSeries(now ? historyOf(h.sensors, now->key)
                                                      : std::vector<double>{},
                                                  Tint::orange, std::nullopt);
                            },
                            a, graphParent);
                    },
                    defaults_, parent);
            },
            title,
            [a](const GraphCard& parts, const std::pair<QString, QString>& m) {
                parts.before->addWidget(new CardHeader(m.first, m.second, nullptr, a));
            },
            [](const GraphCard& parts, const std::pair<QString, QString>& m) {
                auto* header = parts.card->findChild<CardHeader*>();
                if (!header || !header->trailingLine())
                    return false;
                header->titleLine()->setFullText(m.first);
                header->trailingLine()->setFullText(m.second);
                return true;
            });
    }

    if (monitor.fans.empty()) {
        sections_.section(QStringLiteral("fanless"), 0, [a](int) {
            auto* fans = new Card(8, a);
            fans->add(new CardHeader(QStringLiteral("Fans"), std::nullopt, nullptr, a));
            fans->add(new StatRow(QStringLiteral("Fans"), std::nullopt,
                                  new StatValue(QStringLiteral("None (fanless)"), a), a));
            return fans;
        });
    } else {
        double top = monitor.fans.front().maximum;
        for (const Fan& fan : monitor.fans)
            top = std::max(top, fan.maximum);
        sections_.graphCard(
            QStringLiteral("fans|%1").arg(top, 0, 'g', 17), 8, a,
            [&](QWidget* parent) {
                return new HistoryGraph(
                    env_,
                    {{HistoryMetric::fan, QStringLiteral("Fastest fan"), Tint::teal, 0.22, true}},
                    top, false, 40, [](double v) { return rpmText(v); },
                    [&hub, top, a](QWidget* graphParent) {
                        return liveLineAreaGraph(
                            hub,
                            [top](const Hub& h) {
                                return liveSeries(h.sensors.fanHistory.values, Tint::teal, top);
                            },
                            a, graphParent);
                    },
                    defaults_, parent);
            },
            FanRows{monitor.fans},
            [a](const GraphCard& parts, const FanRows& m) {
                parts.before->addWidget(new CardHeader(
                    QStringLiteral("Fans"), QStringLiteral("min – max rpm"), nullptr, a));
                for (const Fan& fan : m.fans)
                    parts.after->addWidget(fanEntry(fan, a));
            },
            [](const GraphCard& parts, const FanRows& m) { return updateFans(parts.card, m); });
    }

    const std::vector<Sensor> power = powerRows(monitor.sensors);
    if (power.empty())
        return;
    RowTexts rows;
    for (const Sensor& sensor : power)
        rows.emplace_back(label(sensor), value(sensor, unit, 1));
    if (monitor.sensor(QStringLiteral("PSTR"))) {
        sections_.graphCard(
            QStringLiteral("power"), 5, a,
            [&](QWidget* parent) {
                return new HistoryGraph(
                    env_,
                    {{HistoryMetric::power, QStringLiteral("System power"), Tint::yellow, 0.22,
                      true}},
                    std::nullopt, false, 40,
                    [](double v) { return Fmt::number(v, 1) + QStringLiteral(" W"); },
                    [&hub, a](QWidget* graphParent) {
                        return liveLineAreaGraph(
                            hub,
                            [](const Hub& h) {
                                return liveSeries(historyOf(h.sensors, QStringLiteral("PSTR")),
                                                  Tint::yellow, std::nullopt);
                            },
                            a, graphParent);
                    },
                    defaults_, parent);
            },
            rows,
            [a](const GraphCard& parts, const RowTexts& m) {
                parts.before->addWidget(
                    new CardHeader(QStringLiteral("Power"), std::nullopt, nullptr, a));
                for (const auto& [text, reading] : m)
                    parts.after->addWidget(
                        new StatRow(text, std::nullopt, new StatValue(reading, a), a));
            },
            [](const GraphCard& parts, const RowTexts& m) {
                return updateRowValues(parts.card, m);
            });
    } else {
        sections_.section(
            QStringLiteral("powerRows"), rows, [a](const RowTexts& m) { return rowsCard(m, a); },
            updateRowValues);
    }
}

void SensorsPanel::buildDetailed(TempUnit unit) {
    const Appearance a = env_.appearance;
    const SensorMonitor& monitor = env_.hub->sensors;
    const std::optional<QString> key =
        env_.settings ? env_.settings->config().menubarSensorKey : std::nullopt;
    const std::optional<Sensor> marked = menubarSensor(monitor, key);

    DetailRows model;
    if (marked)
        model.marked = marked->key;
    for (const auto& [group, word] : EnumCases<SensorGroup>::cases)
        for (const Sensor& sensor : monitor.sensors)
            if (sensor.group == group)
                model.rows.emplace_back(
                    sensor, label(sensor),
                    value(sensor, unit, sensor.kind == SensorKind::temperature ? 1 : 2));

    auto* frame =
        sections_.section(QStringLiteral("detailed"), model, [this, a](const DetailRows& m) {
            auto* list = new QWidget;
            auto* column = new QVBoxLayout(list);
            // 12 on each side, less the 6 by which a row's highlight reaches past its content.
            column->setContentsMargins(6, 2, 6, 8);
            column->setSpacing(0);
            column->setAlignment(Qt::AlignTop);
            std::optional<SensorGroup> group;
            for (const auto& [sensor, text, reading] : m.rows) {
                if (sensor.group != group) {
                    group = sensor.group;
                    column->addSpacing(8);
                    auto* title = sp::text(rawValue(sensor.group), 11, Tint::secondaryText, a,
                                           QFont::DemiBold);
                    title->setContentsMargins(6, 0, 6, 0);
                    column->addWidget(title);
                    column->addSpacing(3);
                }
                const QString sensorKey = sensor.key;
                column->addWidget(new DetailedSensorRow(
                    sensor, text, reading, m.marked == sensor.key,
                    [this, sensorKey] { showInMenuBar(sensorKey); }, a));
            }

            auto* card = new Card(0, a);
            card->body()->setContentsMargins(0, 0, 0, 0);
            auto* scroll = new QScrollArea(card);
            scroll->setFrameShape(QFrame::NoFrame);
            scroll->setWidgetResizable(true);
            scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            // A render clips the list at the frame's height instead of scrolling it.
            scroll->setVerticalScrollBarPolicy(
                env_.previewOverrides.isPreview ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
            scroll->setFixedHeight(400);
            scroll->setWidget(list);
            // After setWidget, which turns the list's own background on (the light window colour,
            // even in a dark panel): the card shows through instead.
            scroll->viewport()->setAutoFillBackground(false);
            list->setAutoFillBackground(false);
            card->add(scroll);
            if (!env_.previewOverrides.isPreview) {
                QScrollBar* bar = scroll->verticalScrollBar();
                QObject::connect(bar, &QScrollBar::valueChanged, this,
                                 [this](int v) { scrollValue_ = v; });
                // The list gets its height once laid out: put it back where the user left it then.
                QTimer::singleShot(0, bar, [bar, v = scrollValue_] { bar->setValue(v); });
            }
            return card;
        });
    scroll_ = frame->findChild<QScrollArea*>();

    sections_.section(QStringLiteral("caption"), 0, [a](int) {
        auto* caption = wrappingText(detailCaption, 11, Tint::tertiaryText, a);
        caption->setContentsMargins(4, 0, 4, 0);
        return caption;
    });
}

void SensorsPanel::showInMenuBar(const QString& key) {
    if (env_.settings)
        env_.settings->update([&key](Config& c) { c.menubarSensorKey = key; });
}

} // namespace morvanex::ui
