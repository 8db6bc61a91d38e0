#include "agents/AgentClient.h"
#include "agents/MCPServer.h"
#include "app/RunMode.h"
#include "platform/Display.h"
#include "platform/GuiLibrary.h"
#include "platform/OpenFileLimit.h"
#include "platform/QuitOnSignals.h"
#include "platform/StandardDescriptors.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

using namespace morvanex;

namespace {

// Runs a mode that draws through the widgets library, or says in one line why it cannot.
int runGui(int argc, char** argv, platform::GuiLibrary::Mode mode, const char* outputDirectory) {
    QString error;
    const auto entry = platform::GuiLibrary::load(error);
    if (!entry) {
        std::fprintf(stderr, "Morvanex: the widgets library could not be loaded: %s\n",
                     error.toLocal8Bit().constData());
        return 1;
    }
    return (*entry)(argc, argv, int(mode), outputDirectory);
}

// The argument after the first "--dump" as the process received it, or null when "--dump" is
// the last one. A folder name is bytes: decoded and encoded again, one that is not UTF-8 would
// name a look-alike folder.
const char* dumpFolderArgument(int argc, char** argv) {
    for (int i = 0; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--dump") == 0)
            return argv[i + 1];
    }
    return nullptr;
}

QStringList argumentList(int argc, char** argv) {
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list.append(QString::fromLocal8Bit(argv[i]));
    return list;
}

// The executable's earliest initialiser: from here until main chooses, SIGTERM and SIGINT wait.
// The agent server then catches them and ends normally; every other mode lets them through to
// their default action.
void holdTerminationSignals(int, char**, char**) {
    platform::QuitOnSignals::holdEarly();
}
[[gnu::used, gnu::section(".preinit_array")]] void (*holdAtLoad)(int, char**,
                                                                 char**) = holdTerminationSignals;

} // namespace

int main(int argc, char** argv) {
    // Before anything opens a descriptor that could take a closed standard one's number.
    platform::openMissingStandardDescriptors();
    // Before the process table sizes itself from it: a monitor keeps many files open.
    platform::raiseOpenFileLimit();
    const RunChoice choice = chooseRunMode(argumentList(argc, argv));
    if (choice.mode != RunMode::mcp)
        platform::QuitOnSignals::releaseHeld();
    switch (choice.mode) {
    case RunMode::dump: {
        const char* folder = dumpFolderArgument(argc, argv);
        if (folder && *folder == '\0') {
            std::fputs("Morvanex: the folder after --dump is empty; name a folder for the "
                       "renders, or leave it out for the report alone.\n",
                       stderr);
            return 2;
        }
        return runGui(argc, argv, platform::GuiLibrary::Mode::dump, folder);
    }
    case RunMode::agents: {
        QCoreApplication app(argc, argv);
        return AgentClient::runCommand(choice.agentArguments);
    }
    case RunMode::mcp:
        // From here on SIGTERM and SIGINT end the server normally, even while it is starting.
        platform::QuitOnSignals::catchEarly();
        return MCPServer::run(argc, argv);
    case RunMode::application:
        break;
    }
    if (!platform::displayAvailable(platform::DisplayProbe::fromEnvironment())) {
        std::fputs("Morvanex: the menu-bar application needs a graphical session, and no X11 or "
                   "Wayland display was found.\n",
                   stderr);
        return 1;
    }
    return runGui(argc, argv, platform::GuiLibrary::Mode::application, nullptr);
}
