#include "dump/DumpSettingsPanes.h"

#include "dump/PanelRenderFrame.h"
#include "ui/menubar/MenuBarPreviewImages.h"
#include "ui/settings/SettingsView.h"

#include <QEventLoop>
#include <QTimer>
#include <QVBoxLayout>

namespace morvanex::dump {
namespace {

const char* appearanceName(ui::Appearance appearance) {
    return appearance == ui::Appearance::dark ? "dark" : "light";
}

void runMainLoop(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

QImage renderSettings(Hub& hub, AppSettings& settings, ui::PanelDefaults& defaults,
                      ui::Appearance appearance, std::chrono::milliseconds settle) {
    ui::SettingsEnv env;
    env.panel.hub = &hub;
    env.panel.settings = &settings;
    env.panel.appearance = appearance;
    env.menuBarPreview = ui::menuBarPreviewImages();

    // The view sits inside a window of its own, as in the application; the window is laid out
    // and drawn but kept off every screen. The view is not the window, so it keeps no frame.
    QWidget window;
    window.setAttribute(Qt::WA_DontShowOnScreen);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new ui::SettingsView(env, defaults, &window));
    window.setFixedSize(ui::SettingsView::contentSize);
    window.show();
    settleLayouts(window);
    runMainLoop(settle);
    settleLayouts(window);

    QImage image(window.size() * renderScale, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.setDevicePixelRatio(renderScale);
    image.fill(ui::color(ui::Tint::windowBackground, appearance));
    window.render(&image);
    return image;
}

} // namespace

StoredSettingsPane::StoredSettingsPane(ui::PanelDefaults& defaults) : defaults_(defaults) {
    const QVariant stored = defaults_.value(ui::PanelKeys::settingsPane);
    if (stored.isValid())
        remembered_ = stored;
}

void StoredSettingsPane::restore() {
    if (remembered_)
        defaults_.setValue(ui::PanelKeys::settingsPane, *remembered_);
    else
        defaults_.remove(ui::PanelKeys::settingsPane);
}

int writeSettingsRenders(Hub& hub, AppSettings& settings, ui::PanelDefaults& defaults,
                         RenderWriter& writer, std::chrono::milliseconds settle) {
    int written = 0;
    for (const ui::SettingsPane pane : allCases<ui::SettingsPane>()) {
        if (writer.stopped())
            break;
        defaults.setValue(ui::PanelKeys::settingsPane, rawValue(pane));
        for (const ui::Appearance appearance : {ui::Appearance::dark, ui::Appearance::light}) {
            if (writer.stopped())
                break;
            const QImage image = renderSettings(hub, settings, defaults, appearance, settle);
            const QString name = QStringLiteral("settings-") + rawValue(pane) + u'-' +
                                 QString::fromLatin1(appearanceName(appearance)) +
                                 QStringLiteral(".png");
            if (writer.writePng(image, name))
                ++written;
        }
    }
    return written;
}

} // namespace morvanex::dump
