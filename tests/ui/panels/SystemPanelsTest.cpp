#include "support/HubFixture.h"
#include "support/TestEnv.h"
#include "ui/kit/DisclosureRow.h"
#include "ui/kit/HeroValue.h"
#include "ui/kit/HistoryGraph.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/SegmentedPicker.h"
#include "ui/kit/StatRow.h"
#include "ui/panels/BatteryPanel.h"
#include "ui/panels/DisksPanel.h"
#include "ui/panels/GPUPanel.h"
#include "ui/panels/MemoryPanel.h"
#include "ui/panels/ProcessorPanel.h"
#include "ui/panels/SensorRows.h"
#include "ui/panels/SensorsPanel.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

class SystemPanels : public testing::Test {
protected:
    PanelEnv env(Appearance appearance = Appearance::light) {
        PanelEnv e;
        e.hub = f.hub.get();
        e.settings = &f.settings;
        e.appearance = appearance;
        e.processActions.hasLocation = [](std::int32_t) { return false; };
        return e;
    }

    // Every text the panel shows now (visible widgets only).
    static QStringList texts(QWidget& panel) {
        QStringList all;
        for (QLabel* label : panel.findChildren<QLabel*>())
            if (label->isVisibleTo(&panel))
                all << (qobject_cast<TextLine*>(label) ? static_cast<TextLine*>(label)->fullText()
                                                       : label->text());
        return all;
    }

    static void click(SegmentedPicker* picker, int index) {
        picker->resize(200, SegmentedPicker::height);
        const QPointF at = picker->segmentRect(index).center();
        QMouseEvent release(QEvent::MouseButtonRelease, at, picker->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(picker, &release);
    }

    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    void fillSensors() {
        SensorMonitor& s = f.hub->sensors;
        s.isReady = true;
        s.sensors = {{"TC0P", "CPU Proximity", SensorGroup::cpu, SensorKind::temperature, 52, 60},
                     {"TC1C", "CPU Core 1", SensorGroup::cpu, SensorKind::temperature, 64.5, 71},
                     {"TG0P", "GPU Proximity", SensorGroup::gpu, SensorKind::temperature, 47, 55},
                     {"TB0T", "Battery", SensorGroup::battery, SensorKind::temperature, 31, 33},
                     {"PSTR", "System Total", SensorGroup::power, SensorKind::power, 14.2, 30},
                     {"VD0R", "DC In", SensorGroup::power, SensorKind::voltage, 20.1, 20.2}};
        s.fans = {{0, 2400, 1200, 6000}};
        for (int i = 0; i < 60; ++i) {
            s.histories["TC1C"].add(55 + 8 * std::sin(i / 6.0));
            s.histories["PSTR"].add(12 + 4 * std::cos(i / 5.0));
            s.fanHistory.add(2300 + 200 * std::sin(i / 7.0));
        }
    }

    test::HubFixture f;
    PanelDefaults defaults{platform::UserDefaults::inMemory()};
};

} // namespace

TEST_F(SystemPanels, SensorsShowTheControllerMessageWhenItIsClosed) {
    f.hub->sensors.isReady = true;
    SensorsPanel panel(env(), &defaults);
    const bool open = f.hub->smc().isOpen();
    EXPECT_EQ(texts(panel).contains(SensorsPanel::notAccessibleText), !open);
    EXPECT_TRUE(texts(panel).contains("Sensors"));
}

TEST_F(SystemPanels, SensorsPickerWritesTheModeAndTheDetailedRowChoosesTheMenuBarSensor) {
    if (!f.hub->smc().isOpen())
        GTEST_SKIP() << "the fixture machine's controller does not open here";
    fillSensors();
    SensorsPanel panel(env(), &defaults);
    EXPECT_TRUE(texts(panel).contains("CPU Core 1 · in menu bar"));
    EXPECT_TRUE(texts(panel).contains("System Total"));
    EXPECT_TRUE(texts(panel).contains("DC In voltage"));
    click(panel.picker(), 1);
    settle();
    EXPECT_EQ(f.settings.config().sensorMode, SensorMode::detailed);
    ASSERT_NE(panel.detailScroll(), nullptr);
    const QList<DetailedSensorRow*> rows = panel.findChildren<DetailedSensorRow*>();
    for (DetailedSensorRow* row : rows)
        if (row->sensor().key == "TG0P")
            row->showInMenuBar();
    settle();
    EXPECT_EQ(f.settings.config().menubarSensorKey, QString("TG0P"));
    for (DetailedSensorRow* row : panel.findChildren<DetailedSensorRow*>())
        EXPECT_EQ(row->inMenuBar(), row->sensor().key == "TG0P") << row->sensor().key.toStdString();
}

TEST_F(SystemPanels, GraphCardsStayAcrossTicksAndAnUnchangedTickMakesNothing) {
    CPUPanel panel(env(), &defaults);
    const auto graphs = panel.findChildren<HistoryGraph*>();
    ASSERT_EQ(graphs.size(), 1);
    f.advance(2);
    f.hub->tick();
    settle();
    EXPECT_EQ(panel.findChildren<HistoryGraph*>(), graphs);

    // A second look at the same readings makes and updates nothing.
    const int builds = panel.sections().builds();
    const int updates = panel.sections().updates();
    emit f.hub->changed();
    settle();
    EXPECT_EQ(panel.sections().builds(), builds);
    EXPECT_EQ(panel.sections().updates(), updates);
    EXPECT_EQ(panel.findChildren<HistoryGraph*>(), graphs);
}

TEST_F(SystemPanels, BatteryTabsAndForcedTab) {
    f.hub->processes.processes = {{11, "busy", 40, 0, 0, 0}, {12, "idle", 1, 0, 0, 0}};
    BatteryPanel panel(env(), &defaults, [](platform::PowerProfileDone) {});
    EXPECT_EQ(panel.tabSwitch()->labels(), QStringList({"Battery", "Apps · 1"}));
    EXPECT_TRUE(texts(panel).contains("Health"));
    click(panel.tabSwitch(), 1);
    settle();
    EXPECT_EQ(panel.shownTab(), 1);
    EXPECT_TRUE(texts(panel).contains("Using Significant CPU"));
    EXPECT_TRUE(texts(panel).contains("busy"));

    PanelEnv forced = env();
    forced.previewOverrides.isPreview = true;
    forced.previewOverrides.batteryTab = 0;
    BatteryPanel render(forced, &defaults);
    EXPECT_EQ(render.shownTab(), 0);
    EXPECT_TRUE(texts(render).contains("Power"));
}

// The header gives the charge beside the state; without a battery there is no charge.
TEST_F(SystemPanels, BatteryHeaderChargeOrADashWithoutABattery) {
    BatteryMonitor& b = f.hub->battery;
    const auto hero = [](BatteryPanel& panel) {
        auto* header = panel.findChild<PanelHeader*>();
        HeroValue* value = header ? header->findChild<HeroValue*>() : nullptr;
        return value ? value->content() : HeroValue::Content{};
    };
    b.present = false;
    b.percent = 0;
    {
        BatteryPanel panel(env(), &defaults, [](platform::PowerProfileDone) {});
        EXPECT_TRUE(texts(panel).contains("No battery"));
        EXPECT_EQ(hero(panel), (HeroValue::Content{"—", std::nullopt}));
        // A battery that appears gets its charge in the same header.
        b.present = true;
        b.percent = 42.4;
        emit f.hub->changed();
        settle();
        EXPECT_EQ(hero(panel), (HeroValue::Content{"42", "%"}));
    }
}

TEST_F(SystemPanels, BatteryLowPowerModeFollowsTheProfileAnswer) {
    platform::PowerProfileDone answer;
    BatteryPanel panel(env(), &defaults,
                       [&answer](platform::PowerProfileDone done) { answer = std::move(done); });
    ASSERT_TRUE(answer);
    EXPECT_FALSE(panel.lowPowerMode()); // not answered yet: the firmware's reading, off here
    answer(QString("power-saver"));
    settle();
    EXPECT_TRUE(panel.lowPowerMode());
    QStringList shown = texts(panel);
    const int row = shown.indexOf("Power Saver");
    ASSERT_GE(row, 0) << shown.join('|').toStdString();
    EXPECT_EQ(shown.value(row + 1), "On");
}

TEST_F(SystemPanels, DetailsDisclosureIsStored) {
    BatteryPanel panel(env(), &defaults, [](platform::PowerProfileDone) {});
    DisclosureRow* details = panel.findChild<DisclosureRow*>();
    ASSERT_NE(details, nullptr);
    EXPECT_FALSE(details->isExpanded());
    details->toggle();
    EXPECT_TRUE(defaults.boolValue(BatteryPanel::detailsKey));
}

TEST_F(SystemPanels, GalleryInBothAppearances) {
    fillSensors();
    f.hub->tick();
    BatteryMonitor& b = f.hub->battery;
    b.present = true;
    b.percent = 86.5;
    b.isCharging = true;
    b.onAC = true;
    b.minutesRemaining = 125;
    b.designCapacity = 5000;
    b.maxCapacity = 4382;
    b.currentCapacity = 3800;
    b.cycleCount = 212;
    b.voltage = 12.6;
    b.amperage = 1.25;
    b.adapterWatts = 65;
    b.cellVoltages = {4.201, 4.199, 4.2};
    b.bluetooth = {{"Magic Keyboard", 64}, {"MX Mouse", 12}};
    for (int i = 0; i < 200; ++i)
        b.history.add(40 + i * 0.2);
    GPUMonitor::GPU gpu;
    gpu.name = "Radeon 780M";
    gpu.utilization = 34;
    gpu.memoryUsed = 900e6;
    for (int i = 0; i < 120; ++i)
        gpu.history.add(30 + 10 * std::sin(i / 8.0));
    f.hub->gpu.gpus = {gpu};
    f.hub->processes.processes = {{101, "compiler", 180, 1.2e9, 3e6, 1e6},
                                  {102, "browser", 22, 2.4e9, 0, 5e5},
                                  {103, "editor", 3, 4e8, 0, 0}};

    const QString out = QStringLiteral("/tmp/syspanels-gallery");
    QDir().mkpath(out);
    const QString scratch = test::scratchDir();
    for (Appearance a : {Appearance::light, Appearance::dark}) {
        PanelEnv e = env(a);
        e.previewOverrides.isPreview = true;
        e.previewOverrides.expandDisclosures = true;
        std::vector<std::pair<QString, std::unique_ptr<QWidget>>> panels;
        panels.emplace_back("sensors", std::make_unique<SensorsPanel>(e, &defaults));
        PanelEnv detailed = e;
        detailed.previewOverrides.sensorMode = SensorMode::detailed;
        panels.emplace_back("sensors-detailed",
                            std::make_unique<SensorsPanel>(detailed, &defaults));
        panels.emplace_back("battery", std::make_unique<BatteryPanel>(e, &defaults));
        PanelEnv apps = e;
        apps.previewOverrides.batteryTab = 1;
        panels.emplace_back("battery-apps", std::make_unique<BatteryPanel>(apps, &defaults));
        panels.emplace_back("cpu", std::make_unique<CPUPanel>(e, &defaults));
        panels.emplace_back("gpu", std::make_unique<GPUPanel>(e, &defaults));
        panels.emplace_back("memory", std::make_unique<MemoryPanel>(e, &defaults));
        panels.emplace_back("disks", std::make_unique<DisksPanel>(e, &defaults));
        for (auto& [name, panel] : panels) {
            panel->setAttribute(Qt::WA_DontShowOnScreen);
            panel->setFixedWidth(320);
            panel->show();
            panel->adjustSize();
            QImage image(QSize(340, panel->height() + 20) * 2, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(2);
            image.fill(color(Tint::windowBackground, a));
            {
                QPainter painter(&image);
                panel->render(&painter, QPoint(10, 10), QRegion(), QWidget::DrawChildren);
            }
            const QString file =
                QStringLiteral("%1-%2.png").arg(name, a == Appearance::dark ? "dark" : "light");
            ASSERT_TRUE(image.save(scratch + "/" + file));
            image.save(out + "/" + file);
            // Something besides the background was drawn.
            const QImage plain = image.convertToFormat(QImage::Format_RGB32);
            int differing = 0;
            const QRgb background = color(Tint::windowBackground, a).rgb();
            for (int y = 0; y < plain.height(); y += 4)
                for (int x = 0; x < plain.width(); x += 4)
                    differing += plain.pixel(x, y) != background;
            EXPECT_GT(differing, 200) << file.toStdString();
        }
    }
}
