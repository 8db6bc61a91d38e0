#pragma once

#include "ui/kit/MenuBarPreviewSource.h"

namespace morvanex::ui {

// The status items' own content and renderer, as a source for the settings window's preview.
MenuBarPreviewSource menuBarPreviewImages();

} // namespace morvanex::ui
