#include "app/InsightEngine.h"
#include "support/HubFixture.h"
#include "support/TestEnv.h"
#include "ui/kit/TileBackground.h"
#include "ui/panels/overview/CombinedPanel.h"
#include "ui/panels/overview/OverviewRows.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QDir>
#include <QEnterEvent>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <memory>

using namespace morvanex;
using namespace morvanex::ui;
using namespace morvanex::ui::overview;

namespace {

// The panel on the dropdown's background, 340 wide, as the shell shows it.
QImage render(QWidget& panel, Appearance appearance) {
    QWidget sheet;
    sheet.setAttribute(Qt::WA_DontShowOnScreen);
    auto* layout = new QVBoxLayout(&sheet);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(&panel);
    sheet.setFixedWidth(340);
    sheet.setAutoFillBackground(true);
    QPalette palette = sheet.palette();
    palette.setColor(QPalette::Window, color(Tint::windowBackground, appearance));
    sheet.setPalette(palette);
    sheet.show();
    // Taller than the offscreen screen allows adjustSize() to make it.
    const int height =
        sheet.hasHeightForWidth() ? sheet.heightForWidth(340) : sheet.sizeHint().height();
    sheet.resize(340, std::max(height, sheet.minimumSizeHint().height()));
    QCoreApplication::processEvents();
    QImage image(sheet.size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    sheet.render(&image);
    panel.setParent(nullptr);
    return image;
}

void fill(Hub& hub, const QDateTime& now) {
    hub.cpu.uptime = 200000;
    hub.cpu.user = 23.4;
    hub.cpu.system = 8.2;
    hub.memory.total = 16e9;
    hub.memory.app = 6e9;
    hub.memory.wired = 2e9;
    hub.memory.compressed = 1e9;
    hub.network.download = 1.3 * 1024 * 1024;
    GPUMonitor::GPU gpu;
    gpu.utilization = 37;
    for (int i = 0; i < 60; ++i) {
        hub.cpu.totalHistory.add(30 + 20 * std::sin(i / 5.0));
        hub.memory.usedHistory.add(55 + i / 10.0);
        hub.network.downloadHistory.add(1e6 * (1 + std::cos(i / 3.0)));
        gpu.history.add(37 + 10 * std::sin(i / 7.0));
    }
    hub.gpu.gpus = {gpu};
    DiskMonitor::Volume root;
    root.isRoot = true;
    root.total = 500e9;
    root.availableImportant = 40e9;
    hub.disks.volumes = {root};
    hub.battery.present = true;
    hub.battery.percent = 76;
    hub.battery.minutesRemaining = 215;
    hub.sensors.isReady = true;
    hub.sensors.fans = {Fan{0, 2400, 1200, 6000}};
    ConnectedDevice phone;
    phone.id = "phone-1";
    phone.name = "Ana's iPhone";
    phone.productType = "iPhone15,2";
    phone.deviceClass = "iPhone";
    phone.osVersion = "17.2";
    phone.trusted = true;
    phone.batteryLevel = 18;
    phone.storageFree = 64'300'000'000;
    phone.connection = ConnectedDevice::Connection::wifi;
    ConnectedDevice pad;
    pad.id = "pad-1";
    pad.name = "Studio iPad";
    pad.deviceClass = "iPad";
    pad.trusted = false;
    hub.devices.setDevices({phone, pad});
    CalendarEvent event;
    event.id = "e1";
    event.title = "Stand-up";
    event.start = now.addSecs(600);
    event.end = now.addSecs(1800);
    hub.calendar.setEvents(CalendarEvents::Access::granted, {event});
    hub.insights().current = {Insight::Kind::cpu,
                              "Web Browser Helper has used most of the processor for 6 min, "
                              "which keeps the fans busy and drains the battery.",
                              Insight::Severity::warning, ModuleKind::cpu, 310};
}

OverviewRowMakers makers() {
    OverviewRowMakers makers;
    makers.keepAwakeCard = [](const PanelEnv& env) -> QWidget* {
        auto* label = new QLabel("(keep-awake card)");
        label->setStyleSheet(
            QString("color: %1").arg(color(Tint::tertiaryText, env.appearance).name()));
        return new TileBackground(label, nullptr, env.appearance);
    };
    makers.nextEventRow = [](const CalendarEvent& event, std::function<void()> open,
                             const PanelEnv& env) -> QWidget* {
        auto* label = new QLabel("(next-event row) " + event.title);
        label->setStyleSheet(
            QString("color: %1").arg(color(Tint::tertiaryText, env.appearance).name()));
        return new TileBackground(label, std::move(open), env.appearance);
    };
    return makers;
}

// The rows in the states the panel above does not reach with the fixture hub.
QWidget* rowSheet(Appearance a) {
    auto* rows = new QWidget;
    auto* column = new QVBoxLayout(rows);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(new InsightRow(Insight{}, nullptr, a));
    column->addWidget(new InsightRow(
        {Insight::Kind::storage, "The system disk is almost full.", Insight::Severity::critical,
         ModuleKind::disks, std::nullopt},
        [] {}, a));
    WeatherRowState state;
    WeatherReport report;
    report.location.name = "San Carlos de Bariloche, Río Negro, Argentina";
    report.timeZone = QTimeZone(QByteArrayLiteral("America/Argentina/Buenos_Aires"));
    report.current.temperature = 7.6;
    report.current.code = 61;
    WeatherDay day;
    day.high = 11.2;
    day.low = -1.4;
    day.sunset = QDateTime(QDate(2027, 6, 1), QTime(21, 12), Qt::UTC);
    report.days = {day};
    state.report = report;
    column->addWidget(new WeatherRow(
        state, TempUnit::celsius, [] {}, a));
    report.current.code = 2;
    report.current.isDay = false;
    report.days.clear();
    state.report = report;
    column->addWidget(new WeatherRow(
        state, TempUnit::fahrenheit, [] {}, a));
    column->addWidget(new WeatherRow(
        {std::nullopt, true, QString("offline"), std::nullopt}, TempUnit::celsius, [] {}, a));
    ConnectedDevice pad;
    pad.id = "pad";
    pad.name = "A tablet with a rather long name for its row";
    pad.deviceClass = "iPad";
    pad.osVersion = "17.1";
    pad.trusted = true;
    pad.batteryLevel = 100;
    pad.isCharging = true;
    pad.fullyCharged = true;
    column->addWidget(new DeviceRow(pad, {}, a));
    ConnectedDevice unknown;
    unknown.id = "u";
    column->addWidget(new DeviceRow(unknown, {}, a));
    column->addWidget(new WorldClocksRow(
        {"America/Argentina/Buenos_Aires", "Nowhere/Atlantis", "Asia/Kolkata", "UTC"},
        QDateTime(QDate(2027, 1, 15), QTime(12, 0), Qt::UTC), [] {}, a));
    return rows;
}

bool drewSomething(const QImage& image) {
    const QColor first = image.pixelColor(image.width() / 2, image.height() / 2);
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            if (image.pixelColor(x, y) != first)
                return true;
    return false;
}

} // namespace

TEST(OverviewGallery, RendersDarkAndLight) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString scratch = test::scratchDir() + "/overview-gallery";
    const QString shared = QStringLiteral("/tmp/overview-gallery");
    QDir().mkpath(scratch);
    QDir().mkpath(shared);
    for (const Appearance appearance : {Appearance::light, Appearance::dark}) {
        const QString tag = appearance == Appearance::dark ? "dark" : "light";
        test::HubFixture f;
        fill(*f.hub, f.now);
        PanelEnv env;
        env.hub = f.hub.get();
        env.settings = &f.settings;
        env.appearance = appearance;

        std::vector<std::pair<QString, QImage>> images;
        {
            CombinedPanel panel(env, makers());
            // One tile under the pointer, to see the hover fill.
            QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
            QCoreApplication::sendEvent(
                panel.findChild<QWidget*>("memory")->findChild<TileBackground*>(), &enter);
            images.push_back({"overview-" + tag, render(panel, appearance)});
        }
        {
            // A desktop without battery, fans before discovery, no weather, small tiles split.
            f.hub->battery.present = false;
            f.hub->sensors.fans.clear();
            f.hub->sensors.isReady = false;
            f.hub->insights().current = Insight{};
            f.settings.update([](Config& c) {
                c.overviewOrder = {OverviewItem::cpu,     OverviewItem::gpu,
                                   OverviewItem::memory,  OverviewItem::insight,
                                   OverviewItem::disk,    OverviewItem::weather,
                                   OverviewItem::sensors, OverviewItem::worldClocks};
                c.overviewHidden = {OverviewItem::network, OverviewItem::keepAwake,
                                    OverviewItem::nextEvent};
                c.showDevices = false;
                c.worldClocks = {"America/Argentina/Buenos_Aires", "Nowhere/Atlantis",
                                 "Asia/Kolkata", "UTC"};
            });
            CombinedPanel panel(env, makers());
            images.push_back({"overview-variant-" + tag, render(panel, appearance)});
        }
        {
            f.settings.update([](Config& c) {
                c.overviewHidden.clear();
                for (OverviewItem item : allOverviewItems())
                    c.overviewHidden.push_back(item);
                c.showDevices = false;
            });
            CombinedPanel panel(env, makers());
            images.push_back({"overview-empty-" + tag, render(panel, appearance)});
        }
        {
            std::unique_ptr<QWidget> rows(rowSheet(appearance));
            images.push_back({"overview-rows-" + tag, render(*rows, appearance)});
        }
        for (const auto& [name, image] : images) {
            EXPECT_TRUE(drewSomething(image)) << name.toStdString();
            EXPECT_TRUE(image.save(scratch + "/" + name + ".png"));
            image.save(shared + "/" + name + ".png");
        }
    }
    QLocale::setDefault(saved);
}
