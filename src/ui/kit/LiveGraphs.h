#pragma once

#include "ui/kit/LineAreaGraph.h"
#include "ui/kit/MirroredGraph.h"

#include <functional>

namespace morvanex {
class Hub;
}

// Live graphs of the monitors' recent values, redrawn after every tick of the hub. A panel
// hands one of these to its history graph as the live view.
namespace morvanex::ui {

// A line-and-area graph built from the hub by `build` now and again after each of its
// changes; the subscription ends with the view.
LineAreaGraphView* liveLineAreaGraph(Hub& hub, std::function<LineAreaGraph(const Hub&)> build,
                                     Appearance appearance, QWidget* parent = nullptr);

MirroredGraphView* liveMirroredGraph(Hub& hub, std::function<MirroredGraph(const Hub&)> build,
                                     Appearance appearance, QWidget* parent = nullptr);

} // namespace morvanex::ui
