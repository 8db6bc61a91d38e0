#include "agents/MCPServer.h"

#include "agents/McpArguments.h"
#include "agents/McpMessages.h"
#include "agents/McpNumbers.h"
#include "agents/McpText.h"
#include "base/BuildInfo.h"
#include "base/JsonWriter.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonParseError>
#include <exception>
#include <utility>

namespace morvanex {

MCPServerSources MCPServerSources::system() {
    return {};
}

MCPServer::MCPServer(Hub& servedHub, AppSettings& appSettings, Output output, Sources sources)
    : hub(servedHub), settings(appSettings), output_(std::move(output)),
      sources_(std::move(sources)) {
    if (!sources_.smcOpen)
        sources_.smcOpen = [&servedHub] { return servedHub.smc().isOpen(); };
}

QString MCPServer::appVersion() {
    const QString version = QString::fromUtf8(BuildInfo::version);
    const QString build = QString::fromUtf8(BuildInfo::buildNumber);
    return build.isEmpty() ? version : version + QLatin1Char('+') + build;
}

QJsonValue MCPServer::r(double value, int decimals) {
    return mcp::r(value, decimals);
}

void MCPServer::write(const std::optional<QByteArray>& line) {
    // A response that cannot be written as JSON is dropped; the next line is served as usual.
    if (line && output_)
        output_(*line);
}

void MCPServer::reply(const QJsonValue& id, const QJsonValue& result) {
    write(mcp::successLine(id, result));
}

void MCPServer::handle(const QString& line) {
    waiting_.push_back(line);
    if (waiting_.size() == 1)
        serveWaiting();
}

void MCPServer::whenIdle(std::function<void()> done) {
    if (waiting_.empty()) {
        if (done)
            done();
        return;
    }
    whenIdle_ = std::move(done);
}

void MCPServer::serveWaiting() {
    while (!waiting_.empty()) {
        if (!serve(waiting_.front()))
            return;
        waiting_.pop_front();
    }
    if (auto done = std::exchange(whenIdle_, {}))
        done();
}

bool MCPServer::serve(const QString& line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        write(mcp::errorLine(QJsonValue::Null, mcp::parseErrorCode, QStringLiteral("Parse error")));
        return true;
    }
    const QJsonObject message = document.object();
    const QJsonValue methodValue = message.value(QLatin1StringView("method"));
    const QString method = methodValue.isString() ? methodValue.toString() : QString();
    const QJsonValue paramsValue = message.value(QLatin1StringView("params"));
    const QJsonObject params = paramsValue.isObject() ? paramsValue.toObject() : QJsonObject();

    // Notifications, and any other message without an id, are never answered.
    if (!message.contains(QLatin1StringView("id")))
        return true;
    const QJsonValue id = message.value(QLatin1StringView("id"));

    if (method == QLatin1StringView("initialize"))
        reply(id, mcp::initializeResult(params, appVersion()));
    else if (method == QLatin1StringView("ping"))
        reply(id, QJsonObject());
    else if (method == QLatin1StringView("tools/list"))
        reply(id, QJsonObject{{"tools", tools()}});
    else if (method == QLatin1StringView("tools/call")) {
        // The network answer reports the public address: the first time it is asked for, the
        // answer waits for the address to be fetched.
        const std::weak_ptr<bool> alive = alive_;
        if (mcp::textArgument(params, QStringLiteral("name")) == QLatin1StringView("get_network") &&
            !hub.network.askForPublicAddress([this, alive] {
                if (alive.lock())
                    serveWaiting();
            }))
            return false;
        reply(id, callTool(params));
    } else {
        write(mcp::errorLine(id, mcp::methodNotFoundCode,
                             QStringLiteral("Method not found: ") + method));
    }
    return true;
}

// A tool's answer, or its failure, as a tool result: failures are results for the agent to
// read, not protocol errors.
QJsonObject MCPServer::callTool(const QJsonObject& params) {
    const QString name = mcp::textArgument(params, QStringLiteral("name")).value_or(QString());
    const QJsonValue argumentsValue = params.value(QLatin1StringView("arguments"));
    const QJsonObject arguments =
        argumentsValue.isObject() ? argumentsValue.toObject() : QJsonObject();
    try {
        const std::optional<QByteArray> text = json::pretty(call(name, arguments));
        if (!text)
            return mcp::toolResult(QStringLiteral("The answer couldn't be written as JSON."), true);
        return mcp::toolResult(mcp::decoded(*text), false);
    } catch (const ToolError& failure) {
        return mcp::toolResult(failure.message, true);
    } catch (const std::exception& failure) {
        return mcp::toolResult(mcp::decoded(QByteArray(failure.what())), true);
    }
}

QJsonObject MCPServer::call(const QString& name, const QJsonObject& arguments) {
    if (name == QLatin1StringView("get_overview"))
        return overview();
    if (name == QLatin1StringView("get_top_processes"))
        return topProcesses(arguments);
    if (name == QLatin1StringView("get_history"))
        return history(arguments);
    if (name == QLatin1StringView("get_sensors"))
        return sensors(
            mcp::booleanArgument(arguments, QStringLiteral("all_sensors")).value_or(false));
    if (name == QLatin1StringView("get_battery"))
        return battery();
    if (name == QLatin1StringView("get_network"))
        return network();
    if (name == QLatin1StringView("get_disks"))
        return disks();
    if (name == QLatin1StringView("get_connected_devices")) {
        QJsonArray devices;
        for (const ConnectedDevice& connected : hub.devices.devices())
            devices.append(device(connected));
        return QJsonObject{{"devices", devices}};
    }
    throw ToolError{QStringLiteral("Unknown tool: ") + name};
}

} // namespace morvanex
