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
        // The folder's bytes as given: a name that is not UTF-8 must not become a look-alike.
        const std::optional<QByteArray> folder =
            outputDirectory ? std::optional(QByteArray(outputDirectory)) : std::nullopt;
        return morvanex::DebugDump::launch(argc, argv, folder);
    }
    case Mode::application:
        return morvanex::ui::runTrayApplication(argc, argv);
    }
    std::fprintf(stderr, "Morvanex: unknown run mode %d.\n", mode);
    return 1;
}
