#include "ui/kit/LiveGraphs.h"

#include "app/Hub.h"

namespace morvanex::ui {

LineAreaGraphView* liveLineAreaGraph(Hub& hub, std::function<LineAreaGraph(const Hub&)> build,
                                     Appearance appearance, QWidget* parent) {
    auto* view = new LineAreaGraphView(build(hub), appearance, parent);
    QObject::connect(&hub, &Hub::changed, view,
                     [view, &hub, build = std::move(build)] { view->setGraph(build(hub)); });
    return view;
}

MirroredGraphView* liveMirroredGraph(Hub& hub, std::function<MirroredGraph(const Hub&)> build,
                                     Appearance appearance, QWidget* parent) {
    auto* view = new MirroredGraphView(build(hub), appearance, parent);
    QObject::connect(&hub, &Hub::changed, view,
                     [view, &hub, build = std::move(build)] { view->setGraph(build(hub)); });
    return view;
}

} // namespace morvanex::ui
