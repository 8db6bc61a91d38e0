#include "ui/tray/PanelContent.h"

#include "app/InsightEngine.h"
#include "support/FakeDesktopPrograms.h"
#include "support/FixtureTree.h"
#include "support/HubFixture.h"
#include "ui/kit/BackRow.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/kit/ProcessRow.h"
#include "ui/kit/TextLine.h"
#include "ui/panels/DevicePanel.h"
#include "ui/panels/ProcessorPanel.h"
#include "ui/panels/overview/CombinedPanel.h"
#include "ui/panels/overview/OverviewRows.h"
#include "ui/tray/DropdownController.h"
#include "ui/tray/DropdownPanel.h"
#include "ui/tray/DropdownPlacement.h"
#include "ui/tray/PanelFooterItems.h"
#include "ui/tray/PanelRoot.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

QStringList titles(const std::vector<FooterItem>& items) {
    QStringList all;
    for (const FooterItem& item : items)
        all << item.title;
    return all;
}

// Runs the posted rebuilds, the layout requests they post, and the deletions.
void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST(PanelShell, ShownPanelPrecedence) {
    struct Case {
        ModuleKind kind;
        std::optional<ModuleKind> detail;
        std::optional<ModuleKind> previewDetail;
        ModuleKind shown;
    };
    const Case cases[] = {
        {ModuleKind::combined, std::nullopt, std::nullopt, ModuleKind::combined},
        {ModuleKind::combined, std::nullopt, ModuleKind::cpu, ModuleKind::cpu},
        {ModuleKind::combined, ModuleKind::memory, ModuleKind::cpu, ModuleKind::memory},
        // A module's own dropdown ignores the overview's forced drill-down.
        {ModuleKind::network, std::nullopt, ModuleKind::cpu, ModuleKind::network},
        {ModuleKind::network, ModuleKind::disks, std::nullopt, ModuleKind::disks},
    };
    for (const Case& c : cases) {
        PreviewOverrides preview;
        preview.overviewDetail = c.previewDetail;
        EXPECT_EQ(PanelContent::shownKind(c.kind, c.detail, preview), c.shown);
    }

    PreviewOverrides preview;
    preview.overviewDevice = QStringLiteral("preview-1");
    EXPECT_EQ(PanelContent::shownDeviceID(ModuleKind::combined, std::nullopt, preview),
              QStringLiteral("preview-1"));
    EXPECT_EQ(PanelContent::shownDeviceID(ModuleKind::cpu, std::nullopt, preview), std::nullopt);
    EXPECT_EQ(PanelContent::shownDeviceID(ModuleKind::cpu, QStringLiteral("d"), preview),
              QStringLiteral("d"));
    EXPECT_EQ(PanelContent::backTitle(ModuleKind::combined), QStringLiteral("Overview"));
}

TEST(PanelShell, FooterItemsPerPanelAndInstalledPrograms) {
    using test::FakeDesktopPrograms;
    const FakeDesktopPrograms nothing({});
    const FakeDesktopPrograms gnome(
        {{"gnome-system-monitor", "gnome-system-monitor.desktop", "System Monitor"},
         {"gnome-disks", "org.gnome.DiskUtility.desktop", "Disks"},
         {"gnome-control-center", "org.gnome.Settings.desktop", "Settings"}});
    const FakeDesktopPrograms kde(
        {{"plasma-systemmonitor", "org.kde.plasma-systemmonitor.desktop", "System Monitor"},
         {"partitionmanager", "org.kde.partitionmanager.desktop", "KDE Partition Manager"},
         {"systemsettings", "systemsettings.desktop", "System Settings"}});
    // Installed without desktop entries: called by what they are.
    const FakeDesktopPrograms bare(
        {{"xfce4-taskmanager", nullptr, nullptr}, {"nm-connection-editor", nullptr, nullptr}});

    const QString settings = QStringLiteral("Morvanex Settings…");
    const QString ip = QStringLiteral("192.0.2.4");
    struct Case {
        const FakeDesktopPrograms* machine;
        std::optional<ModuleKind> shown;
        bool device;
        std::optional<QString> address;
        QStringList titles;
    };
    const QStringList weatherItems{"Refresh Weather", "Change Location…", settings};
    const Case cases[] = {
        {&gnome, std::nullopt, true, std::nullopt, {settings}},
        {&gnome, ModuleKind::combined, true, std::nullopt, {settings}},
        {&gnome, ModuleKind::combined, false, std::nullopt, {"Customize Overview…", settings}},
        {&gnome, ModuleKind::cpu, false, std::nullopt, {"Open System Monitor", settings}},
        {&gnome, ModuleKind::gpu, false, std::nullopt, {"Open System Monitor", settings}},
        {&gnome, ModuleKind::memory, false, std::nullopt, {"Open System Monitor", settings}},
        {&gnome, ModuleKind::disks, false, std::nullopt, {"Open Disks", settings}},
        {&gnome, ModuleKind::network, false, std::nullopt, {"Network Settings…", settings}},
        {&gnome,
         ModuleKind::network,
         false,
         ip,
         {"Copy Local IP Address", "Network Settings…", settings}},
        {&gnome, ModuleKind::sensors, false, std::nullopt, {settings}},
        {&gnome, ModuleKind::battery, false, std::nullopt, {"Battery Settings…", settings}},
        {&gnome, ModuleKind::weather, false, std::nullopt, weatherItems},
        {&gnome, ModuleKind::astronomy, false, std::nullopt, weatherItems},
        {&gnome, ModuleKind::time, false, std::nullopt, {"Date & Time Settings…", settings}},

        {&kde, ModuleKind::cpu, false, std::nullopt, {"Open System Monitor", settings}},
        {&kde, ModuleKind::disks, false, std::nullopt, {"Open KDE Partition Manager", settings}},
        {&kde, ModuleKind::time, false, std::nullopt, {"Date & Time Settings…", settings}},

        {&bare, ModuleKind::memory, false, std::nullopt, {"Open System Monitor", settings}},
        {&bare, ModuleKind::disks, false, std::nullopt, {settings}},
        {&bare, ModuleKind::network, false, std::nullopt, {"Network Settings…", settings}},
        {&bare, ModuleKind::battery, false, std::nullopt, {settings}},

        // Nothing installed: no item that would do nothing.
        {&nothing, ModuleKind::cpu, false, std::nullopt, {settings}},
        {&nothing, ModuleKind::disks, false, std::nullopt, {settings}},
        {&nothing, ModuleKind::network, false, ip, {"Copy Local IP Address", settings}},
        {&nothing, ModuleKind::battery, false, std::nullopt, {settings}},
        {&nothing, ModuleKind::time, false, std::nullopt, {settings}},
        {&nothing, ModuleKind::weather, false, std::nullopt, weatherItems},
    };
    for (const Case& c : cases) {
        FooterActions actions{[] {},
                              [] {},
                              [](const QString&) {},
                              [](platform::SystemLink) {},
                              {},
                              [](const QString&) {},
                              [] {}};
        actions.linkName = c.machine->linkName();
        const std::vector<FooterItem> items = footerItems(c.shown, c.device, c.address, actions);
        EXPECT_EQ(titles(items), c.titles) << (c.shown ? title(*c.shown) : QString()).toStdString();
        for (const FooterItem& item : items)
            EXPECT_EQ(item.shortcut.has_value(), item.title == settings);
    }
}

TEST(PanelShell, CopyableAddressNeedsListedPrimaryWithIPv4) {
    NetworkMonitor network;
    auto interface = [](const QString& name, QStringList v4, QStringList v6) {
        InterfaceInfo info;
        info.bsdName = name;
        info.ipv4 = std::move(v4);
        info.ipv6 = std::move(v6);
        return info;
    };
    network.interfaces = {interface("wlan0", {"10.0.0.2", "10.0.0.3"}, {}),
                          interface("eth0", {}, {"2001:db8::1"})};
    EXPECT_EQ(copyableLocalAddress(network), std::nullopt); // no primary interface
    network.primaryInterface = QStringLiteral("tun0");
    EXPECT_EQ(copyableLocalAddress(network), std::nullopt); // primary not listed
    network.primaryInterface = QStringLiteral("eth0");
    EXPECT_EQ(copyableLocalAddress(network), std::nullopt); // IPv6 only
    network.primaryInterface = QStringLiteral("wlan0");
    EXPECT_EQ(copyableLocalAddress(network), QStringLiteral("10.0.0.2"));
}

TEST(PanelShell, EveryFooterActionDismissesBeforeItActs) {
    QStringList log;
    FooterActions actions;
    actions.dismiss = [&] { log << "dismiss"; };
    actions.openSettings = [&] { log << "settings"; };
    actions.selectSettingsPane = [&](const QString& pane) { log << "pane " + pane; };
    actions.openLink = [&](platform::SystemLink) { log << "link"; };
    actions.linkName = [](platform::SystemLink) { return std::optional(QStringLiteral("Disks")); };
    actions.copy = [&](const QString& text) { log << "copy " + text; };
    actions.refreshWeather = [&] { log << "refresh"; };
    const std::pair<ModuleKind, QStringList> expected[] = {
        {ModuleKind::combined, {"dismiss", "pane overview", "settings"}},
        {ModuleKind::network, {"dismiss", "copy 10.1.1.1"}},
        {ModuleKind::weather, {"dismiss", "refresh"}},
        {ModuleKind::astronomy, {"dismiss", "refresh"}},
        {ModuleKind::disks, {"dismiss", "link"}},
    };
    for (const auto& [kind, calls] : expected) {
        log.clear();
        footerItems(kind, false, QStringLiteral("10.1.1.1"), actions).front().action();
        EXPECT_EQ(log, calls) << title(kind).toStdString();
    }
    // "Change Location…" stores the weather pane, and the settings item leaves the pane alone.
    log.clear();
    footerItems(ModuleKind::weather, false, std::nullopt, actions)[1].action();
    EXPECT_EQ(log, QStringList({"dismiss", "pane weather", "settings"}));
    log.clear();
    footerItems(ModuleKind::time, false, std::nullopt, actions).back().action();
    EXPECT_EQ(log, QStringList({"dismiss", "settings"}));
}

class PanelShellView : public testing::Test {
protected:
    PanelEnv env() {
        PanelEnv e;
        e.hub = f.hub.get();
        e.settings = &f.settings;
        e.processActions.hasLocation = [](std::int32_t) { return false; };
        e.panelActions.dismiss = [this] { ++dismissed; };
        e.openLink = [](platform::SystemLink) {};
        e.linkName = [](platform::SystemLink) { return std::optional(QStringLiteral("Monitor")); };
        return e;
    }

    test::HubFixture f;
    int dismissed = 0;
};

TEST_F(PanelShellView, ForcedOverviewDrillDownShowsProcessorPanelWithBackRow) {
    f.hub->tick();
    PanelEnv e = env();
    e.previewOverrides.isPreview = true;
    e.previewOverrides.overviewDetail = ModuleKind::cpu;
    PanelContent content(ModuleKind::combined, e);
    EXPECT_NE(qobject_cast<CPUPanel*>(content.panel()), nullptr);
    ASSERT_NE(content.backRow(), nullptr);
    EXPECT_EQ(content.backRow()->titleLine()->fullText(), QStringLiteral("Overview"));
    EXPECT_EQ(titles(content.footerItems()), QStringList({"Open Monitor", "Morvanex Settings…"}));
}

TEST_F(PanelShellView, DrillDownMarksProcessAndBackClearsBoth) {
    f.hub->tick();
    f.advance(2);
    f.hub->tick();
    const std::vector<ProcessSample> top = f.hub->processes.top(&ProcessSample::cpu, 1);
    ASSERT_FALSE(top.empty());
    PanelContent content(ModuleKind::combined, env());
    EXPECT_NE(qobject_cast<CombinedPanel*>(content.panel()), nullptr);
    EXPECT_EQ(content.backRow(), nullptr);

    content.openModule(ModuleKind::cpu, top.front().pid);
    settle();
    EXPECT_EQ(content.shown(), ModuleKind::cpu);
    ASSERT_NE(content.backRow(), nullptr);
    int marked = 0;
    for (const ProcessRow* row : content.panel()->findChildren<ProcessRow*>())
        marked += row->isHighlighted() && row->process().pid == top.front().pid;
    EXPECT_GE(marked, 1);

    content.goBack();
    settle();
    EXPECT_EQ(content.shown(), ModuleKind::combined);
    EXPECT_EQ(content.backRow(), nullptr);
    content.openModule(ModuleKind::cpu, std::nullopt);
    settle();
    for (const ProcessRow* row : content.panel()->findChildren<ProcessRow*>())
        EXPECT_FALSE(row->isHighlighted());

    // A drill-down into the dropdown's own module needs no way back.
    PanelContent own(ModuleKind::cpu, env());
    own.openModule(ModuleKind::cpu, std::nullopt);
    settle();
    EXPECT_EQ(own.backRow(), nullptr);
}

TEST_F(PanelShellView, GoneDeviceStillGetsTheDevicePanelAndOnlyTheSettingsItem) {
    PanelContent content(ModuleKind::combined, env());
    content.openModule(ModuleKind::memory, std::nullopt);
    content.openDevice(QStringLiteral("gone-device"));
    settle();
    EXPECT_NE(qobject_cast<DevicePanel*>(content.panel()), nullptr);
    EXPECT_EQ(titles(content.footerItems()), QStringList({"Morvanex Settings…"}));
    ASSERT_NE(content.backRow(), nullptr);
}

TEST_F(PanelShellView, FooterRowsCloseTheDropdown) {
    PanelContent content(ModuleKind::disks, env());
    ASSERT_NE(content.footer(), nullptr);
    ASSERT_EQ(content.footer()->rows().size(), 2u);
    content.footer()->rows().front()->item().action();
    EXPECT_EQ(dismissed, 1);
}

TEST_F(PanelShellView, RootReportsTheContentsNaturalHeight) {
    f.hub->tick();
    std::vector<double> reports;
    PanelRoot root(ModuleKind::cpu, env(), [&](double h) { reports.push_back(h); });
    root.resize(PanelContent::panelWidth, 300);
    settle();
    ASSERT_FALSE(reports.empty());
    EXPECT_GT(reports.back(), 100);
    EXPECT_EQ(int(reports.back()), root.content()->naturalHeight());
    EXPECT_EQ(root.content()->height(), root.content()->naturalHeight());
    // A rebuild that changes the rows reports the new height.
    const std::size_t before = reports.size();
    root.content()->openModule(ModuleKind::sensors, std::nullopt);
    settle();
    EXPECT_EQ(int(reports.back()), root.content()->naturalHeight());
    EXPECT_GE(reports.size(), before);
}

TEST_F(PanelShellView, CappedRootFitsTheContentBesideItsScrollBar) {
    f.hub->tick();
    std::vector<double> reports;
    PanelRoot root(ModuleKind::cpu, env(), [&](double h) { reports.push_back(h); });
    root.resize(PanelContent::panelWidth, 200);
    root.show();
    settle();
    ASSERT_FALSE(reports.empty());
    ASSERT_GT(reports.back(), 200);
    // The window still hears the height the content wants at full width, while the content
    // itself fits beside the scroll bar instead of running under it.
    EXPECT_EQ(int(reports.back()), root.content()->naturalHeight());
    EXPECT_LT(root.viewport()->width(), PanelContent::panelWidth);
    EXPECT_EQ(root.content()->width(), root.viewport()->width());
    root.resize(PanelContent::panelWidth, 2000);
    settle();
    EXPECT_EQ(root.content()->width(), PanelContent::panelWidth);
}

// The overview's insight wraps from one line to two while its dropdown is open: the window
// grows by the new line, and the footer stays whole in view with no scroll bar. The new text
// fills its two lines to within a scroll bar's width, so while a scroll bar stood beside it, it
// would take a third line. With PANEL_RENDERS set to a folder, the open dropdown is written
// there before and after the change, to be looked at.
TEST_F(PanelShellView, OpenDropdownGrowsWithItsContent) {
    f.hub->tick();
    Insight& insight = f.hub->insights().current;
    insight = Insight{Insight::Kind::cpu, QStringLiteral("Firefox is using 80% CPU."),
                      Insight::Severity::warning, ModuleKind::cpu, std::nullopt};

    DropdownController controller(
        [this](ModuleKind kind, PanelActions actions, std::function<void(double)> report) {
            PanelEnv e = env();
            e.panelActions = std::move(actions);
            return new PanelRoot(kind, std::move(e), std::move(report));
        });
    // A screen with room for the whole overview.
    QRect screen(0, 25, 1440, 1600);
    controller.visibleFrame = [&screen](QRect) { return screen; };
    controller.show(ModuleKind::combined, QRect(1400, 0, 30, 25));
    settle();
    ASSERT_NE(controller.panel(), nullptr);
    auto* root =
        qobject_cast<PanelRoot*>(static_cast<DropdownPanel*>(controller.panel())->content());
    ASSERT_NE(root, nullptr);

    const auto insightRow = [&] {
        return root->content()->panel()->findChild<overview::InsightRow*>();
    };
    const auto expectFooterWhole = [&] {
        const PanelFooter* footer = root->content()->footer();
        ASSERT_NE(footer, nullptr);
        const QRect shown(footer->mapTo(root->viewport(), QPoint(0, 0)), footer->size());
        EXPECT_TRUE(root->viewport()->rect().contains(shown))
            << "footer " << shown.y() << "+" << shown.height() << " in a viewport "
            << root->viewport()->height() << " high";
        EXPECT_FALSE(root->verticalScrollBar()->isVisible());
        EXPECT_EQ(root->verticalScrollBar()->maximum(), 0);
        EXPECT_EQ(root->content()->width(), PanelContent::panelWidth);
        EXPECT_EQ(controller.panel()->height(), root->content()->naturalHeight());
    };
    ASSERT_NE(insightRow(), nullptr);
    const int oneLine = insightRow()->text()->height();
    const int oneLineRow = insightRow()->height();
    const int before = controller.panel()->height();
    expectFooterWhole();
    const QString renders = qEnvironmentVariable("PANEL_RENDERS");
    const auto render = [&](const QString& name) {
        if (!renders.isEmpty())
            controller.panel()->grab().save(QDir(renders).filePath(name));
    };
    render(QStringLiteral("insight-one-line.png"));

    // The longest start of a sentence that takes two lines at the row's width and three beside
    // a scroll bar.
    const int rowWidth = insightRow()->width();
    const int bar = root->verticalScrollBar()->sizeHint().width();
    const QString sentence = QStringLiteral(
        "Firefox has used 98% CPU for 12 min \u2014 fans are up, and the machine is running hot "
        "while it builds the project again and again.");
    Insight probe = insight;
    QString twoLines;
    for (qsizetype n = 1; n <= sentence.size(); ++n) {
        probe.text = sentence.left(n).trimmed();
        const overview::InsightRow row(probe, {}, env().appearance);
        const int wide = row.heightForWidth(rowWidth);
        if (wide > oneLineRow && wide < row.heightForWidth(rowWidth - bar))
            twoLines = probe.text;
    }
    ASSERT_FALSE(twoLines.isEmpty());

    insight.text = twoLines;
    emit f.hub->changed();
    settle();
    ASSERT_NE(insightRow(), nullptr);
    EXPECT_GT(insightRow()->text()->height(), oneLine * 3 / 2);
    EXPECT_LT(insightRow()->text()->height(), oneLine * 5 / 2);
    EXPECT_GT(controller.panel()->height(), before);
    expectFooterWhole();
    render(QStringLiteral("insight-two-lines.png"));

    // And back: the window shrinks to the content again.
    insight.text = QStringLiteral("Firefox is using 80% CPU.");
    emit f.hub->changed();
    settle();
    EXPECT_EQ(controller.panel()->height(), before);
    expectFooterWhole();

    // On a screen too short for it, the window stops at the screen's height and the content
    // scrolls beside a scroll bar; scrolled to the end, the footer shows whole.
    screen = QRect(0, 25, 1440, 500);
    insight.text = twoLines;
    emit f.hub->changed();
    settle();
    EXPECT_EQ(controller.panel()->height(), 500 - DropdownMetrics::heightReserve);
    EXPECT_TRUE(root->verticalScrollBar()->isVisible());
    EXPECT_LT(root->viewport()->width(), PanelContent::panelWidth);
    EXPECT_EQ(root->content()->width(), root->viewport()->width());
    root->verticalScrollBar()->setValue(root->verticalScrollBar()->maximum());
    settle();
    const PanelFooter* footer = root->content()->footer();
    EXPECT_TRUE(root->viewport()->rect().contains(
        QRect(footer->mapTo(root->viewport(), QPoint(0, 0)), footer->size())));
    controller.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace
