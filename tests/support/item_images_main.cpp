// The images the tray publishes for modules drawn in the icon style, computed here the way the
// status items compute them, so an end-to-end test (whose process has no GUI application) can
// compare what it reads over the bus with them.
//
// Usage: morvanex_test_item_images MODULE...   (raw module names: cpu, memory, ...)
// Prints one line per module, variant and scale:
//   MODULE VARIANT RATIO WIDTH HEIGHT BASE64-OF-THE-BIG-ENDIAN-ARGB-WORDS
// The variant is "-", except for the network, whose symbol follows reachability: "reachable"
// (or not yet known) and "unreachable".

#include "app/Hub.h"
#include "base/AppSettings.h"
#include "platform/UserDefaults.h"
#include "ui/kit/Palette.h"
#include "ui/menubar/MenuBarContent.h"
#include "ui/menubar/MenuBarRenderer.h"
#include "ui/tray/PanelImage.h"
#include "ui/tray/SniTypes.h"

#include <QApplication>
#include <cstdio>
#include <optional>

using namespace morvanex;

namespace {

void print(const QString& module, const char* variant, const ui::MenuBarImage& image) {
    // The items draw in the dark appearance until the desktop states a light scheme, which a
    // test's private bus never does.
    for (const int ratio : {1, 2}) {
        const ui::SniPixmap pixmap =
            ui::SniPixmap::from(ui::PanelImage::draw(image, ui::Appearance::dark, ratio));
        std::printf("%s %s %d %d %d %s\n", module.toUtf8().constData(), variant, ratio,
                    pixmap.width, pixmap.height, pixmap.bytes.toBase64().constData());
    }
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    AppSettings settings(platform::UserDefaults::inMemory());
    const Config config = settings.config();
    // Never started: the icon style shows no reading.
    Hub hub(settings);
    for (const QString& name : QApplication::arguments().mid(1)) {
        const std::optional<ModuleKind> kind = fromRawValue<ModuleKind>(name);
        if (!kind) {
            std::fprintf(stderr, "unknown module %s\n", name.toUtf8().constData());
            return 1;
        }
        const ModuleConfig module{*kind, true, DisplayStyle::icon};
        const auto image = [&] {
            return ui::MenuBarRenderer::image(ui::MenuBarContent::parts(module, hub, config),
                                              config.monochrome);
        };
        if (*kind != ModuleKind::network) {
            print(name, "-", image());
            continue;
        }
        print(name, "reachable", image());
        hub.network.internetReachable = false;
        print(name, "unreachable", image());
        hub.network.internetReachable.reset();
    }
    return 0;
}
