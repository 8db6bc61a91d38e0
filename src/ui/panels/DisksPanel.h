#pragma once

#include "monitors/DiskMonitor.h"
#include "monitors/ProcessMonitor.h"
#include "ui/kit/PanelEnv.h"
#include "ui/panels/SectionStack.h"

#include <QString>
#include <QWidget>
#include <optional>
#include <utility>
#include <vector>

namespace morvanex::ui {

class PanelDefaults;

// The disks module's panel: the startup volume's free space and fullness, every volume with
// its bar, read and write activity, and the processes that read or write most.
class DisksPanel : public QWidget {
    Q_OBJECT
public:
    explicit DisksPanel(PanelEnv env, PanelDefaults* defaults = nullptr, QWidget* parent = nullptr);

    // Used bytes (total less the space available for important data), never below 0.
    static double usedBytes(const DiskMonitor::Volume& volume);
    // Used share in percent; 0 without a total.
    static double usedPercent(const DiskMonitor::Volume& volume);
    // Red above 90 % used, else blue.
    static Tint barTint(const DiskMonitor::Volume& volume);
    // "externaldrive", "internaldrive" or "server.rack".
    static QString symbol(const DiskMonitor::Volume& volume);
    // "Macintosh HD · 120.5 GB available"; nothing without a startup volume.
    static std::optional<QString> subtitle(const DiskMonitor& disks);
    // The startup volume's used share rounded; "—" without one or a number to show.
    static QString heroText(const DiskMonitor& disks);
    // "1.2 GB purgeable" above 1,000,000 bytes of purgeable space; nothing otherwise.
    static std::optional<QString> purgeableText(const DiskMonitor::Volume& volume);
    // The busiest five by read plus write, only those with any traffic, with "R / W" rates.
    static std::vector<std::pair<ProcessSample, QString>>
    topRows(std::vector<ProcessSample> processes);

    const SectionStack& sections() const { return sections_; }

private:
    using GraphCard = SectionStack::GraphCard;

    void build();

    PanelEnv env_;
    PanelDefaults& defaults_;
    SectionStack sections_;
};

} // namespace morvanex::ui
