#pragma once

#include "agents/McpTools.h"
#include "app/Hub.h"
#include "base/AppSettings.h"
#include "platform/Roots.h"
#include "platform/UserDefaults.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace morvanex {

struct ConnectedDevice;

// What the answers read besides the hub's monitors; system() reads the machine.
struct MCPServerSources {
    // Whether the System Management Controller connection is open; none: the hub's controller.
    std::function<bool()> smcOpen;
    // Where the machine's model, system name and kernel release are read.
    platform::Roots roots;
    // Where the speed-test results the tray application saved are read.
    platform::UserDefaults defaults = platform::UserDefaults::standard();

    static MCPServerSources system();
};

// The Model Context Protocol server of `--mcp`: JSON-RPC 2.0, one message per line, read from
// standard input and answered on standard output, with eight read-only tools over a headless
// hub. Main thread only: every message is parsed, answered and written there, one at a time.
// No state is kept between messages; every method is served at any time.
class MCPServer {
public:
    using ToolError = mcp::ToolError;
    using Sources = MCPServerSources;
    // Writes one reply line (its line feed included) to the client.
    using Output = std::function<void(const QByteArray& line)>;

    MCPServer(Hub& hub, AppSettings& settings, Output output, Sources sources = Sources::system());

    // The `--mcp` entry: builds the application object, the headless hub and the server, reads
    // standard input until it ends and returns the exit status (0).
    static int run(int argc, char** argv);

    // Parses one line and answers it, if it needs an answer. Lines are answered in the order
    // they came: one whose answer waits for a reading (the public address, the first time the
    // network is asked about) holds the lines after it until it has been answered.
    void handle(const QString& line);
    // Runs `done` once every line handed in has been answered: now, when none waits.
    void whenIdle(std::function<void()> done);
    // Writes the success response for `id` with `result`.
    void reply(const QJsonValue& id, const QJsonValue& result);
    // The tool's answer object; throws ToolError.
    QJsonObject call(const QString& name, const QJsonObject& arguments);

    static const QJsonArray& tools() { return mcp::tools(); }
    static const QJsonObject& readOnly() { return mcp::readOnly(); }
    static const QStringList& historyMetrics() { return mcp::historyMetrics(); }
    // The application's version with what git described of its sources as build metadata
    // ("0.1.0+44ab1c0"), or the version alone when the build has no such description.
    static QString appVersion();
    // Rounding for every fractional number of an answer (see mcp::r).
    static QJsonValue r(double value, int decimals = 1);

    // The answers. Each reads the monitors as the hub's last tick left them.
    QJsonObject overview();
    QJsonObject topProcesses(const QJsonObject& arguments) const;
    QJsonObject history(const QJsonObject& arguments) const;
    QJsonObject sensors(bool all) const;
    QJsonObject battery() const;
    QJsonObject network() const;
    QJsonObject disks() const;
    static QJsonObject device(const ConnectedDevice& device);

    Hub& hub;
    AppSettings& settings;

private:
    // "connected", "offline", or "checking" before the first ping has finished.
    static QString internet(const std::optional<bool>& reachable);
    void write(const std::optional<QByteArray>& line);
    QJsonObject callTool(const QJsonObject& params);
    // Answers one line; false, answering nothing, when the answer must wait for a reading.
    bool serve(const QString& line);
    // Serves the waiting lines in order until one must wait or none is left.
    void serveWaiting();

    Output output_;
    Sources sources_;
    std::deque<QString> waiting_;
    std::function<void()> whenIdle_;
    // Readings that finish after the server has gone find it gone.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace morvanex
