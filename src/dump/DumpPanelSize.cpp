#include "dump/DumpPanelSize.h"

#include "dump/DumpValues.h"
#include "dump/PanelRenderFrame.h"
#include "ui/tray/PanelContent.h"
#include "ui/tray/PanelRoot.h"

#include <QEventLoop>
#include <QTimer>

namespace morvanex::dump {
namespace {

void runMainLoop(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

ui::PanelEnv sizeEnv(Hub& hub, AppSettings& settings) {
    ui::PanelEnv env;
    env.hub = &hub;
    env.settings = &settings;
    return env;
}

} // namespace

std::vector<ModuleKind> panelSizeKinds() {
    return {ModuleKind::cpu, ModuleKind::network, ModuleKind::sensors};
}

QString panelSizeLine(Hub& hub, AppSettings& settings, ModuleKind kind,
                      std::chrono::milliseconds wait) {
    std::vector<double> reported;
    {
        // The window the dropdown would be, laid out and drawn but kept off every screen; the
        // frame stays 340 × 300 whatever the panel asks for.
        QWidget window(nullptr, Qt::FramelessWindowHint);
        window.setAttribute(Qt::WA_DontShowOnScreen);
        auto* root = new ui::PanelRoot(
            kind, sizeEnv(hub, settings),
            [&reported](double height) { reported.push_back(height); }, &window);
        root->setGeometry(0, 0, panelWidth, 300);
        window.resize(panelWidth, 300);
        window.show();
        settleLayouts(window);
        runMainLoop(wait);
        hub.tick();
        runMainLoop(wait);
    }

    // The same panel on its own, without the scroller, in a window of its own.
    QWidget holder;
    holder.setAttribute(Qt::WA_DontShowOnScreen);
    auto* alone = new ui::PanelContent(kind, sizeEnv(hub, settings), &holder);
    holder.show();
    settleLayouts(holder);
    const int natural = alone->naturalHeight();

    QStringList heights;
    for (const double height : reported)
        heights.append(whole(height));
    return QStringLiteral("PanelSize ") + rawValue(kind) + QStringLiteral(": reported [") +
           heights.join(QStringLiteral(", ")) + QStringLiteral("] natural ") +
           QString::number(natural) + QStringLiteral(" (frame 300, ") +
           QString::number(reported.size()) + QStringLiteral(" reports)");
}

QStringList panelSizeLines(Hub& hub, AppSettings& settings) {
    QStringList lines;
    for (const ModuleKind kind : panelSizeKinds())
        lines.append(panelSizeLine(hub, settings, kind));
    return lines;
}

} // namespace morvanex::dump
