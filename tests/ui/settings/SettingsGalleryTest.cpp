#include "support/HubFixture.h"
#include "support/TestEnv.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/menubar/MenuBarPreviewImages.h"
#include "ui/settings/MenuBarPane.h"
#include "ui/settings/SettingsView.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

// Whether the image holds more than one colour (something was drawn over the background).
bool hasDrawing(const QImage& image) {
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3) {
            if (image.pixel(x, y) != first)
                return true;
        }
    }
    return false;
}

QImage render(QWidget& widget) {
    QImage image(widget.size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    widget.render(&image);
    return image;
}

} // namespace

// Every pane of this window in both appearances, to the scratch folder (and to the folder
// in MORVANEX_GALLERY when set, for looking at them).
TEST(SettingsGallery, RendersEveryPaneInBothAppearances) {
    test::HubFixture f;
    f.hub->tick();
    f.settings.update([](Config& c) {
        c.hotKeys[QStringLiteral("dropdown.cpu")] = HotKey{40, 0x1900, QStringLiteral("⌃⌥⌘K")};
        c.hotKeys[QStringLiteral("settings")] = HotKey{43, 0x100, QStringLiteral("⌘,")};
    });
    HotKeyCenter hotKeys([](HotKeyCenter&) { return std::optional<HotKeyCenter::Registrar>(); });
    hotKeys.failed.insert(QStringLiteral("settings"));
    PanelDefaults defaults(platform::UserDefaults::inMemory());
    const QString folder = test::scratchDir() + QStringLiteral("/gallery");
    QDir().mkpath(folder);
    const QString extra = qEnvironmentVariable("MORVANEX_GALLERY");
    if (!extra.isEmpty())
        QDir().mkpath(extra);

    for (const Appearance appearance : {Appearance::light, Appearance::dark}) {
        SettingsEnv env;
        env.panel.hub = f.hub.get();
        env.panel.settings = &f.settings;
        env.panel.appearance = appearance;
        env.hotKeys = &hotKeys;
        env.menuBarPreview = menuBarPreviewImages();
        env.general.defaults = platform::UserDefaults::inMemory();
        env.general.autostart = platform::AutostartEntry(test::scratchDir() + "/autostart", "/m");
        env.general.applyAppearance = [](AppearanceMode) {};
        const QString suffix = appearance == Appearance::dark ? "dark" : "light";
        for (const PaneEntry& entry : settingsPanes()) {
            defaults.setValue(PanelKeys::settingsPane, rawValue(entry.pane));
            SettingsView view(env, defaults);
            view.resize(SettingsView::contentSize);
            if (auto* menuBar = qobject_cast<MenuBarPane*>(view.paneView()))
                menuBar->setShowHidden(true);
            view.show();
            QCoreApplication::processEvents();
            const QImage image = render(view);
            EXPECT_TRUE(hasDrawing(image)) << rawValue(entry.pane).toStdString();
            const QString name = "settings-" + rawValue(entry.pane) + "-" + suffix + ".png";
            EXPECT_TRUE(image.save(folder + "/" + name));
            if (!extra.isEmpty())
                image.save(extra + "/" + name);
        }
    }
}
