#include "ui/panels/DevicePanel.h"

#include "app/Hub.h"
#include "base/Fmt.h"
#include "base/Numbers.h"
#include "base/Units.h"
#include "ui/kit/Card.h"
#include "ui/kit/DetailCell.h"
#include "ui/kit/Dot.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/HeroValue.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/StatRow.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/kit/UsageBars.h"
#include "ui/kit/WrappingText.h"
#include "ui/panels/DeviceTexts.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>

namespace morvanex::ui {

namespace {

QWidget* headerTrailing(const ConnectedDevice& device, Appearance appearance) {
    if (!device.batteryLevel)
        return nullptr;
    auto* holder = new QWidget;
    auto* row = new QHBoxLayout(holder);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    if (device.isCharging == true) {
        auto* bolt =
            new SymbolIcon(QStringLiteral("bolt.fill"), 15, color(Tint::yellow, appearance));
        bolt->setAccessibleName(QStringLiteral("Charging"));
        row->addWidget(bolt, 0, Qt::AlignVCenter);
    }
    row->addWidget(
        new HeroValue({QString::fromStdString(numbers::integerText(*device.batteryLevel)),
                       QStringLiteral("%")},
                      appearance),
        0, Qt::AlignVCenter);
    return holder;
}

StatRow* row(const QString& label, const QString& value, Appearance appearance) {
    return new StatRow(label, std::nullopt, new StatValue(value, appearance), appearance);
}

QWidget* healthCard(const DeviceBattery& battery, TempUnit unit, Appearance appearance) {
    auto* card = new Card(8, appearance);
    const auto health = device::health(battery);

    auto* top = new QWidget;
    auto* line = new QHBoxLayout(top);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(
        new CardHeader(QStringLiteral("Battery Health"), std::nullopt, nullptr, appearance), 1,
        Qt::AlignVCenter);
    if (health) {
        const auto badge = device::healthBadge(*health);
        auto* words = new QHBoxLayout;
        words->setSpacing(5);
        words->addWidget(new Dot(badge.color, 7, appearance), 0, Qt::AlignVCenter);
        words->addWidget(new TextLine(badge.text, Fonts::font(11, QFont::Medium),
                                      color(Tint::primaryText, appearance)),
                         0, Qt::AlignVCenter);
        line->addLayout(words);
    }
    card->add(top);

    if (health) {
        auto* block = new QWidget;
        auto* column = new QVBoxLayout(block);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(5);
        column->addWidget(
            row(QStringLiteral("Maximum capacity"), Fmt::percent(*health), appearance));
        column->addWidget(new UsageBarView(
            UsageBar{*health / 100, device::healthBarColor(*health), 5}, appearance));
        card->add(block);
    }
    if (battery.cycleCount)
        card->add(row(QStringLiteral("Cycle count"),
                      QString::fromStdString(numbers::integerText(*battery.cycleCount)),
                      appearance));
    if (battery.temperature)
        card->add(
            row(QStringLiteral("Temperature"), format(unit, battery.temperature, 1), appearance));

    auto* cells = new QWidget;
    auto* grid = new QGridLayout(cells);
    grid->setContentsMargins(0, 2, 0, 0);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    const auto cell = [&](int r, int c, const QString& label, const std::optional<QString>& value) {
        grid->addWidget(new DetailCell(label, value, appearance), r, c);
    };
    cell(0, 0, QStringLiteral("Capacity"), device::milliampHours(battery.maxCapacity));
    cell(0, 1, QStringLiteral("Design"), device::milliampHours(battery.designCapacity));
    cell(0, 2, QStringLiteral("Charge"), device::milliampHours(battery.currentCharge));
    cell(1, 0, QStringLiteral("Voltage"), device::voltageText(battery.voltage));
    cell(1, 1, QStringLiteral("Amperage"), device::amperageText(battery.amperage));
    cell(1, 2, QStringLiteral("Adapter"), device::adapterText(battery.adapterWatts));
    card->add(cells);
    return card;
}

} // namespace

DevicePanel::DevicePanel(const PanelEnv& env, const QString& deviceID, QWidget* parent)
    : QWidget(parent), env_(env), deviceID_(deviceID) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    section_ = new PanelSection;
    column->addWidget(section_);
    refresh();
    connect(env_.hub, &Hub::changed, this, [this] { refresh(); });
    env_.settings->addObserver(this, [this](const Config& old, const Config& now) {
        if (old.temperatureUnit != now.temperatureUnit)
            refresh();
    });
}

void DevicePanel::refresh() {
    Model model{std::nullopt, env_.settings->config().temperatureUnit};
    for (const ConnectedDevice& device : env_.hub->devices.devices())
        if (device.id == deviceID_) {
            model.device = device;
            break;
        }
    if (!last_.changed(model))
        return;
    section_->setContent(model.device ? content(*model.device, model.unit, env_.appearance)
                                      : missing(env_.appearance));
}

QWidget* DevicePanel::missing(Appearance appearance) {
    return new PanelHeader(
        QStringLiteral("iphone.slash"), Tint::gray, QStringLiteral("Disconnected"),
        QStringLiteral("The device is no longer connected"), nullptr, appearance);
}

QWidget* DevicePanel::content(const ConnectedDevice& device, TempUnit unit, Appearance appearance) {
    auto* stack = new QWidget;
    auto* column = new QVBoxLayout(stack);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(sectionSpacing);

    column->addWidget(new PanelHeader(device::deviceSymbol(device), Tint::blue,
                                      device.displayName(), device::subtitle(device),
                                      headerTrailing(device, appearance), appearance));

    if (!device.trusted) {
        auto* card = new Card(7, appearance);
        card->add(wrappingText(device::trustHint(device), 12, Tint::secondaryText, appearance));
        column->addWidget(card);
    }

    if (device.battery) {
        column->addWidget(healthCard(*device.battery, unit, appearance));
    } else if (device.trusted) {
        auto* card = new Card(7, appearance);
        card->add(new CardHeader(QStringLiteral("Battery"), std::nullopt, nullptr, appearance));
        card->add(row(QStringLiteral("State"), device::batteryState(device), appearance));
        card->add(wrappingText(QStringLiteral("Battery health isn't available for this device."),
                               11, Tint::secondaryText, appearance));
        column->addWidget(card);
    }

    if (const auto use = device::storage(device)) {
        auto* card = new Card(6, appearance);
        std::optional<QString> total;
        if (device.storageTotal)
            total = device::byteCount(double(*device.storageTotal));
        card->add(new CardHeader(QStringLiteral("Storage"), total, nullptr, appearance));
        card->add(new UsageBarView(UsageBar{use->fraction, use->barColor, 5}, appearance));
        card->add(row(QStringLiteral("Used"), device::byteCount(use->used), appearance));
        card->add(row(QStringLiteral("Available"), device::byteCount(double(*device.storageFree)),
                      appearance));
        column->addWidget(card);
    }

    auto* about = new Card(5, appearance);
    about->add(new CardHeader(QStringLiteral("About"), std::nullopt, nullptr, appearance));
    if (const auto model = device.modelName())
        about->add(row(QStringLiteral("Model"), *model, appearance));
    if (device.modelNumber)
        about->add(row(QStringLiteral("Model number"), *device.modelNumber, appearance));
    if (const auto software = device::softwareText(device))
        about->add(row(QStringLiteral("Software"), *software, appearance));
    if (device.serialNumber)
        about->add(row(QStringLiteral("Serial number"), *device.serialNumber, appearance));
    about->add(row(QStringLiteral("Connection"), device::connectionText(device), appearance));
    column->addWidget(about);
    return stack;
}

} // namespace morvanex::ui
