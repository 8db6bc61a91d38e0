#pragma once

#include "monitors/MemoryMonitor.h"
#include "monitors/ProcessMonitor.h"
#include "ui/kit/PanelEnv.h"
#include "ui/kit/UsageBars.h"
#include "ui/panels/SectionStack.h"

#include <QString>
#include <QWidget>
#include <array>
#include <utility>
#include <vector>

namespace morvanex::ui {

class PanelDefaults;

// The memory module's panel: used of total, pressure with its level, the breakdown, swap and
// paging, and the processes with the largest footprint.
class MemoryPanel : public QWidget {
    Q_OBJECT
public:
    explicit MemoryPanel(PanelEnv env, PanelDefaults* defaults = nullptr,
                         QWidget* parent = nullptr);

    // Green up to level 1, yellow for 2 and 3, red from 4.
    static Tint levelTint(int level);
    // "Normal", "Warning", "Critical" with the same bounds.
    static QString levelWord(int level);
    // "9.4 GB of 16.0 GB used".
    static QString subtitle(const MemoryMonitor& memory);
    // The used share rounded; "0" without a total, "—" when it cannot be shown.
    static QString heroText(const MemoryMonitor& memory);
    // App, wired, compressed and cached as shares of the total; none without a total.
    static std::vector<BarSegment> segments(const MemoryMonitor& memory);
    // The five largest footprints with their sizes.
    static std::vector<std::pair<ProcessSample, QString>>
    topRows(std::vector<ProcessSample> processes);

    const SectionStack& sections() const { return sections_; }

private:
    using GraphCard = SectionStack::GraphCard;
    // The breakdown card: its bar and the bytes of app, compressed, free, wired and cached.
    struct BreakdownModel {
        std::vector<BarSegment> segments;
        std::array<double, 5> bytes{};
        bool operator==(const BreakdownModel&) const = default;
    };

    void build();

    PanelEnv env_;
    PanelDefaults& defaults_;
    SectionStack sections_;
};

// One kind of memory: a dot, its name, and its size at the trailing edge.
class BreakdownCell : public QWidget {
    Q_OBJECT
public:
    // `faint` draws the dot in the primary colour at 0.15 instead of `tint`.
    BreakdownCell(const QString& label, double value, Tint tint, bool faint, Appearance appearance,
                  QWidget* parent = nullptr);
};

} // namespace morvanex::ui
