#pragma once

#include "base/SettingsEnums.h"
#include "monitors/GPUMonitor.h"
#include "monitors/SensorMonitor.h"
#include "ui/kit/Legend.h"
#include "ui/kit/PanelEnv.h"
#include "ui/panels/SectionStack.h"

#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

namespace morvanex::ui {

class PanelDefaults;

// The graphics module's panel: the first device's name and the highest utilisation, a card
// per device with its graph and legend, and memory, temperature and power when known.
class GPUPanel : public QWidget {
    Q_OBJECT
public:
    explicit GPUPanel(PanelEnv env, PanelDefaults* defaults = nullptr, QWidget* parent = nullptr);

    // "No GPU statistics" without a device; else the first device's name and core count.
    static QString subtitle(const GPUMonitor& gpu);
    // The highest utilisation rounded; "—" without a device or a number to show.
    static QString heroText(const GPUMonitor& gpu);
    static std::vector<LegendItem> legend(const GPUMonitor::GPU& gpu);
    struct Line {
        QString label;
        QString value;
        bool operator==(const Line&) const = default;
    };
    // The statistics card's rows; empty: no card.
    static std::vector<Line> statistics(const GPUMonitor& gpu, const SensorMonitor& sensors,
                                        TempUnit unit);

    const SectionStack& sections() const { return sections_; }

private:
    using GraphCard = SectionStack::GraphCard;

    void build();

    PanelEnv env_;
    PanelDefaults& defaults_;
    SectionStack sections_;
};

} // namespace morvanex::ui
