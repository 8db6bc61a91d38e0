#include "dump/DumpPanels.h"

#include "app/InsightEngine.h"
#include "support/HubFixture.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QImage>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::dump;

namespace {

// A panel stand-in of a fixed height.
class StandIn : public QWidget {
public:
    QSize sizeHint() const override { return {340, 120}; }
};

// What the hub held and what the panel was handed when one panel was made.
struct Seen {
    ModuleKind kind;
    ui::PreviewOverrides overrides;
    ui::Appearance appearance;
    std::size_t devices;
    bool keepAwake;
    std::size_t speedTests;
    Insight::Kind insight;
    std::size_t events;
    bool history;
};

TEST(DumpPanels, InstallsEachSampleBeforeItsEntryAndRendersBothAppearances) {
    const QString tmp = test::scratchDir() + QStringLiteral("/tmp");
    ASSERT_TRUE(QDir().mkpath(tmp));
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(tmp));

    test::HubFixture f;
    Hub& hub = *f.hub;
    hub.tick();
    f.advance(2);
    hub.tick();
    // A quiet insight to start from, so the sample's processor warning shows when it comes.
    hub.insights().current.kind = Insight::Kind::quiet;
    const bool processes = !hub.processes.top(&ProcessSample::cpu, 1).empty();

    std::vector<Seen> seen;
    QStringList printed;
    const QString folder = test::scratchDir() + QStringLiteral("/renders");
    RenderWriter writer(QFile::encodeName(folder));
    const int written = writePanelRenders(
        hub, f.settings, writer,
        [&](ModuleKind kind, const ui::PanelEnv& env) {
            EXPECT_EQ(env.hub, &hub);
            EXPECT_EQ(env.settings, &f.settings);
            seen.push_back({kind, env.previewOverrides, env.appearance,
                            hub.devices.devices().size(), hub.keepAwake.isActive,
                            hub.speedTest.results.size(), hub.insights().current.kind,
                            hub.calendar.events().size(), hub.history != nullptr});
            return new StandIn;
        },
        [&](const QString& line) { printed.append(line); });
    if (oldTmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTmp);

    EXPECT_EQ(written, 68);
    const std::vector<PanelRenderEntry> list = panelRenderList(std::nullopt);
    ASSERT_EQ(seen.size(), 2 * list.size());
    const auto indexOf = [&](const char* name) {
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].name == QLatin1String(name))
                return 2 * i;
        return std::size_t(-1);
    };
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const PanelRenderEntry& entry = list[i / 2];
        SCOPED_TRACE(entry.name.toStdString());
        EXPECT_EQ(seen[i].kind, entry.kind);
        EXPECT_TRUE(seen[i].overrides.isPreview);
        EXPECT_EQ(seen[i].appearance, i % 2 == 0 ? ui::Appearance::dark : ui::Appearance::light);
        EXPECT_TRUE(seen[i].history) << "the synthetic month is there from the first panel on";
        // Each sample arrives right before its entry and stays.
        EXPECT_EQ(seen[i].devices, i >= indexOf("combined-devices") ? 2u : 0u);
        EXPECT_EQ(seen[i].keepAwake, i >= indexOf("combined-keepawake"));
        EXPECT_EQ(seen[i].speedTests, i >= indexOf("network-speedtest") ? 2u : 0u);
        EXPECT_EQ(seen[i].events, i >= indexOf("time-events") ? 5u : 0u);
        if (processes) {
            EXPECT_EQ(seen[i].insight == Insight::Kind::cpu, i >= indexOf("combined-insight"));
        }
        const QString file = QStringLiteral("%1/panel-%2-%3.png")
                                 .arg(folder, entry.name, i % 2 == 0 ? "dark" : "light");
        EXPECT_EQ(QImage(file).size(), QSize(760, (120 + 40) * 2));
    }
    // The last entry marks the process the sample insight names.
    const ui::PreviewOverrides& last = seen.back().overrides;
    EXPECT_EQ(last.highlightedProcess, hub.insights().current.pid);
    EXPECT_EQ(last.highlightedProcess.has_value(), processes);
    // One keep-awake check, printed when keep-awake started.
    ASSERT_EQ(printed.size(), 1);
    EXPECT_TRUE(printed[0].startsWith(QStringLiteral("KeepAwake "))) << printed[0].toStdString();
    hub.keepAwake.stop(false);
}

} // namespace
