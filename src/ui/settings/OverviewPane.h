#pragma once

#include "base/Config.h"
#include "ui/kit/PanelEnv.h"
#include "ui/settings/PaneForm.h"

#include <QWidget>
#include <memory>
#include <set>

namespace morvanex::ui {


// Which rows the overview panel shows and in which order.
class OverviewPane : public QWidget {
    Q_OBJECT
public:
    // The line under an item's title.
    static QString description(OverviewItem item);
    // The shown order with the items at `sources` moved before the one at `destination`; the
    // whole order, all thirteen items, is stored. The switches stay as they are.
    static void move(Config& config, const std::set<int>& sources, int destination);
    // One place up (-1) or down (+1); nothing at the ends.
    static void step(Config& config, OverviewItem item, int by);
    static bool canStep(const Config& config, OverviewItem item, int by);
    static bool isDefaultOrder(const Config& config);
    static void restoreDefaultOrder(Config& config);

    static constexpr int rowHeight = 48;

    explicit OverviewPane(const PanelEnv& env, QWidget* parent = nullptr);

private:
    void rebuild();
    QWidget* itemRow(OverviewItem item, const Config& config);
    void edit(const std::function<void(Config&)>& change, bool redraw);

    PanelEnv env_;
    std::unique_ptr<PaneEditor> editor_;
};

} // namespace morvanex::ui
