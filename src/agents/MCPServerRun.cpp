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
    const int replyFd = mcp::takeStandardOutput();
    // A write to a client that has gone away must fail, not kill the process with a signal.
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    // A client that goes away ends the process quietly, with status 0.
    mcp::ProtocolOutput replies(replyFd, [] { QCoreApplication::exit(0); });
    // SIGTERM and SIGINT, caught since the start of main, end the loop; replies the client has
    // not read yet are dropped.
    const platform::QuitOnSignals quitOnSignals;

    AppSettings& settings = AppSettings::shared();
    Hub hub(settings);
    MCPServer server(hub, settings, [&replies](const QByteArray& line) { replies.write(line); });

    hub.start(Hub::Mode::headless);
    // The first sample's rates cover no time; a second one soon after gives real ones to the
    // questions of the first seconds.
    QTimer::singleShot(1000, &hub, [&hub] { hub.tick(); });

    // Declared last: destroyed first, so no line reaches a server that is going away. At the end
    // of input every line is answered (a network answer may still wait for the public address);
    // the process ends once the client has the answers.
    const mcp::LineReader reader(
        STDIN_FILENO, [&server](const QString& line) { server.handle(line); },
        [&server, &replies] {
            server.whenIdle([&replies] { replies.whenFlushed([] { QCoreApplication::exit(0); }); });
        });

    QCoreApplication::exec();
    return 0;
}

} // namespace morvanex
