#include "ui/panels/BatteryParts.h"

#include "base/Fmt.h"
#include "ui/kit/Dot.h"
#include "ui/kit/Fills.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/kit/UsageBars.h"
#include "ui/panels/BatteryPanel.h"
#include "ui/panels/SystemPanelParts.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>

namespace morvanex::ui {

namespace sp = systempanel;

QWidget* healthBadge(const QString& word, Appearance appearance) {
    auto* badge = new QWidget;
    auto* row = new QHBoxLayout(badge);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(5);
    row->addWidget(new Dot(BatteryPanel::badgeTint(word), 7, appearance), 0, Qt::AlignVCenter);
    row->addWidget(
        sp::text(BatteryPanel::badgeLabel(word), 11, Tint::primaryText, appearance, QFont::Medium),
        0, Qt::AlignVCenter);
    return badge;
}

namespace {

// The faint rounded square behind a peripheral's symbol.
class DeviceTile : public QWidget {
public:
    DeviceTile(const QString& symbol, Appearance appearance) : appearance_(appearance) {
        setFixedSize(18, 18);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new SymbolIcon(symbol, 9, color(Tint::secondaryText, appearance)), 0,
                          Qt::AlignCenter);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        fillRoundedRect(painter, QRectF(rect()), 5, primaryFill(appearance_, 0.1));
    }

private:
    Appearance appearance_;
};

} // namespace

QWidget* peripheralRow(const BluetoothBattery& device, const QString& symbol,
                       Appearance appearance) {
    auto* line = new QWidget;
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    const bool low = device.percent < 20;
    row->addWidget(new DeviceTile(symbol, appearance), 0, Qt::AlignVCenter);
    row->addWidget(sp::text(device.name, 13, Tint::primaryText, appearance), 0, Qt::AlignVCenter);
    addFlexibleSpace(row, 8);
    auto* bar = new UsageBarView(UsageBar{device.percent / 100.0, low ? Tint::red : Tint::green, 5},
                                 appearance);
    bar->setFixedWidth(60);
    row->addWidget(bar, 0, Qt::AlignVCenter);
    auto* percent = sp::text(QString::number(device.percent) + QStringLiteral("%"), 13,
                             low ? Tint::red : Tint::primaryText, appearance, QFont::Medium);
    percent->setFixedWidth(36);
    percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(percent, 0, Qt::AlignVCenter);
    return line;
}

QString cellVoltagesText(const std::vector<double>& volts) {
    QStringList parts;
    for (double v : volts)
        parts << Fmt::number(v, 3);
    return parts.join(QStringLiteral(" · ")) + QStringLiteral(" V");
}

QWidget* batteryDetails(const BatteryMonitor& battery, const std::optional<QString>& temperature,
                        Appearance appearance) {
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 4, 0, 0);
    column->setSpacing(8);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    auto optionalNumber = [](const std::optional<double>& v, const QString& unit) {
        return v ? std::optional(Fmt::number(*v, 2) + unit) : std::nullopt;
    };
    grid->addWidget(new DetailCell(QStringLiteral("Capacity"),
                                   BatteryPanel::capacityText(battery.maxCapacity), appearance),
                    0, 0);
    grid->addWidget(new DetailCell(QStringLiteral("Design"),
                                   BatteryPanel::capacityText(battery.designCapacity), appearance),
                    0, 1);
    grid->addWidget(new DetailCell(QStringLiteral("Charge"),
                                   BatteryPanel::capacityText(battery.currentCapacity), appearance),
                    0, 2);
    grid->addWidget(new DetailCell(QStringLiteral("Voltage"),
                                   optionalNumber(battery.voltage, QStringLiteral(" V")),
                                   appearance),
                    1, 0);
    grid->addWidget(new DetailCell(QStringLiteral("Amperage"),
                                   optionalNumber(battery.amperage, QStringLiteral(" A")),
                                   appearance),
                    1, 1);
    grid->addWidget(new DetailCell(QStringLiteral("Temperature"), temperature, appearance), 1, 2);
    for (int c = 0; c < 3; ++c)
        grid->setColumnStretch(c, 1);
    column->addLayout(grid);
    if (!battery.cellVoltages.empty()) {
        auto* line = new QHBoxLayout;
        line->addWidget(sp::text(QStringLiteral("Cells"), 11, Tint::secondaryText, appearance));
        line->addStretch(1);
        line->addWidget(
            sp::text(cellVoltagesText(battery.cellVoltages), 11, Tint::secondaryText, appearance));
        column->addLayout(line);
    }
    return content;
}

} // namespace morvanex::ui
