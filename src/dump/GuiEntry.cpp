// The entry of the widgets library (see platform/GuiLibrary.h): the executable loads the library
// and calls this for the modes that draw.

#include "dump/DebugDump.h"
#include "platform/GuiLibrary.h"
#include "ui/tray/TrayApplication.h"

#include <cstdio>
#include <optional>

using morvanex::platform::GuiLibrary::Mode;

extern "C" [[gnu::visibility("default")]] int morvanex_gui_main(int argc, char** argv, int mode,
                                                                const char* outputDirectory) {
    switch (Mode(mode)) {
    case Mode::dump: {
        const std::optional<QString> folder =
            outputDirectory ? std::optional(QString::fromLocal8Bit(outputDirectory)) : std::nullopt;
        return morvanex::DebugDump::launch(argc, argv, folder);
    }
    case Mode::application:
        return morvanex::ui::runTrayApplication(argc, argv);
    }
    std::fprintf(stderr, "Morvanex: unknown run mode %d.\n", mode);
    return 1;
}
