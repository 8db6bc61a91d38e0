#include "ui/menubar/MenuBarPreviewImages.h"

#include "ui/menubar/MenuBarContent.h"
#include "ui/menubar/MenuBarRenderer.h"

namespace morvanex::ui {

MenuBarPreviewSource menuBarPreviewImages() {
    return [](const ModuleConfig& module, const Hub& hub, const Config& config,
              Appearance appearance) {
        return MenuBarRenderer::image(MenuBarContent::parts(module, hub, config), config.monochrome)
            .toTintedImage(appearance);
    };
}

} // namespace morvanex::ui
