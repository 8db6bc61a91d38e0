// Performance and efficiency classes of cores, from the machine's own lists through the monitor
// to the processor panel and the report: where the processor has no such classes nothing claims
// them, and where it has, every label and count follows the kernel's lists.

#include "dump/DumpMachineLines.h"
#include "monitors/CPUMonitor.h"
#include "support/FixtureTree.h"
#include "ui/panels/ProcessorPanel.h"

#include <gtest/gtest.h>
#include <map>

using namespace morvanex;

namespace {

TEST(CoreClasses, LabelsAndCountsFollowTheMachinesLists) {
    // A hybrid part whose core and atom processors interleave in the numbering, so position
    // tells nothing: only the lists do.
    const QString interleaved = test::copyFixture("machines/hybrid");
    test::writeFile(interleaved, "sys/devices/cpu_core/cpus", "0-5,14-15\n");
    test::writeFile(interleaved, "sys/devices/cpu_atom/cpus", "6-13\n");

    struct Row {
        const char* what;
        QString root;
        QString bracket;  // in the report's processor line
        QString trailing; // of the panel's cores card
        QString labels;   // under each core's bar, by processor number; "." for none
    };
    const QString fixtures = QStringLiteral(MORVANEX_FIXTURES "/machines/");
    const Row rows[] = {
        {"one kind of core", fixtures + "desktop", "[no core classes]", "8 threads", "........"},
        {"one kind of core, in a virtual machine", fixtures + "vm", "[no core classes]",
         "8 threads", "........"},
        {"hybrid, cores first", fixtures + "hybrid", "[8P+8E]", "8 Performance · 8 Efficiency",
         "PPPPPPPPEEEEEEEE"},
        {"hybrid, interleaved", interleaved, "[8P+8E]", "8 Performance · 8 Efficiency",
         "PPPPPPEEEEEEEEPP"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CPUMonitor cpu(platform::Roots::under(row.root));
        cpu.sample();
        cpu.sample();
        ASSERT_EQ(cpu.cores.size(), std::size_t(row.labels.size()));
        EXPECT_TRUE(dump::cpuLine(cpu).contains(QStringLiteral(", cores ") +
                                                QString::number(row.labels.size()) + " " +
                                                row.bracket + ", load "))
            << dump::cpuLine(cpu).toStdString();
        EXPECT_EQ(ui::CPUPanel::coresTrailing(cpu), row.trailing);
        QString labels(row.labels.size(), QLatin1Char('.'));
        for (const CPUMonitor::Core& core : cpu.cores) {
            const QString label = ui::CoreGrid::label(core, cpu.hasCoreClasses());
            if (!label.isEmpty())
                labels[core.index] = label[0];
        }
        EXPECT_EQ(labels, row.labels);
    }
}

} // namespace
