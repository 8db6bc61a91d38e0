#pragma once

#include "monitors/CPUMonitor.h"
#include "monitors/ProcessMonitor.h"
#include "ui/kit/Legend.h"
#include "ui/kit/PanelEnv.h"
#include "ui/panels/SectionStack.h"

#include <QString>
#include <QWidget>
#include <utility>
#include <vector>

namespace morvanex::ui {

class PanelDefaults;

// The processor module's panel: name and total load, the user and system history, a bar per
// core, the load average and uptime, and the busiest processes.
class CPUPanel : public QWidget {
    Q_OBJECT
public:
    explicit CPUPanel(PanelEnv env, PanelDefaults* defaults = nullptr, QWidget* parent = nullptr);

    // "Apple M2 · 8 cores".
    static QString subtitle(const CPUMonitor& cpu);
    // User plus system, rounded; "—" when it cannot be shown.
    static QString heroText(const CPUMonitor& cpu);
    // User, system and idle (never below 0) with their colours.
    static std::vector<LegendItem> legend(const CPUMonitor& cpu);
    // "4 Performance · 6 Efficiency", or "12 threads" without efficiency cores.
    static QString coresTrailing(const CPUMonitor& cpu);
    // "1.52  ·  1.31  ·  1.20".
    static QString loadAverageText(const std::vector<double>& loads);
    // The five busiest processes with "12.3%".
    static std::vector<std::pair<ProcessSample, QString>>
    topRows(std::vector<ProcessSample> processes);

    const SectionStack& sections() const { return sections_; }

private:
    using GraphCard = SectionStack::GraphCard;
    // The cores card: the count of each kind and every core's load.
    struct CoresModel {
        QString trailing;
        std::vector<CPUMonitor::Core> cores;
        bool classes = false;
        bool operator==(const CoresModel&) const = default;
    };

    void build();

    PanelEnv env_;
    PanelDefaults& defaults_;
    SectionStack sections_;
};

// One bar per core, performance cores first, each kind by index, with "P" or "E" under it where
// the processor has such classes; without them the bars carry no label.
class CoreGrid : public QWidget {
    Q_OBJECT
public:
    CoreGrid(std::vector<CPUMonitor::Core> cores, bool classes, Appearance appearance,
             QWidget* parent = nullptr);

    // "P" or "E" under a core's bar; empty without classes.
    static QString label(const CPUMonitor::Core& core, bool classes);

    // The cores in the order they are drawn.
    static std::vector<CPUMonitor::Core> ordered(std::vector<CPUMonitor::Core> cores);
    // The share of a core's bar that is filled, 0...1.
    static double fill(const CPUMonitor::Core& core);

    const std::vector<CPUMonitor::Core>& cores() const { return cores_; }
    bool classes() const { return classes_; }
    // Draws other loads in place.
    void setCores(std::vector<CPUMonitor::Core> cores);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<CPUMonitor::Core> cores_;
    bool classes_ = false;
    Appearance appearance_;
};

} // namespace morvanex::ui
