// The `--mcp` process: the reply channel, the headless hub, the reader thread and the event
// loop that serves one message at a time.

#include "agents/MCPServer.h"
#include "agents/McpLineReader.h"
#include "agents/McpTransport.h"
#include "platform/QuitOnSignals.h"

#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <unistd.h>

namespace morvanex {

int MCPServer::run(int argc, char** argv) {
    // First of all, before anything could print: standard output is the protocol's alone.
    mcp::ProtocolOutput replies = mcp::ProtocolOutput::takeStandardOutput();
    // A client that goes away must end the process quietly, not kill it with a signal.
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    const platform::QuitOnSignals quitOnSignals;

    AppSettings& settings = AppSettings::shared();
    Hub hub(settings);
    MCPServer server(hub, settings, [&replies](const QByteArray& line) {
        if (!replies.write(line))
            QCoreApplication::exit(0);
    });

    hub.start(Hub::Mode::headless);
    // The first sample's rates cover no time; a second one soon after gives real ones to the
    // questions of the first seconds.
    QTimer::singleShot(1000, &hub, [&hub] { hub.tick(); });

    // Declared last: destroyed first, so no line reaches a server that is going away.
    const mcp::LineReader reader(
        STDIN_FILENO, [&server](const QString& line) { server.handle(line); },
        [] { QCoreApplication::exit(0); });

    QCoreApplication::exec();
    return 0;
}

} // namespace morvanex
