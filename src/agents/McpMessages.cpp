#include "agents/McpMessages.h"

#include "base/JsonWriter.h"

#include <QJsonArray>

namespace morvanex::mcp {
namespace {

std::optional<QByteArray> line(const json::OrderedObject& message) {
    std::optional<QByteArray> text = json::compact(message);
    if (text)
        text->append('\n');
    return text;
}

} // namespace

const QStringList& knownProtocolVersions() {
    static const QStringList versions{"2024-11-05", "2025-03-26", "2025-06-18", "2025-11-25"};
    return versions;
}

QString negotiatedProtocolVersion(const QJsonValue& requested) {
    if (requested.isString() && knownProtocolVersions().contains(requested.toString()))
        return requested.toString();
    return defaultProtocolVersion;
}

QJsonObject initializeResult(const QJsonObject& params, const QString& serverVersion) {
    return QJsonObject{
        {"protocolVersion", negotiatedProtocolVersion(params.value("protocolVersion"))},
        {"capabilities", QJsonObject{{"tools", QJsonObject{{"listChanged", false}}}}},
        {"serverInfo",
         QJsonObject{{"name", "morvanex"}, {"title", "Morvanex"}, {"version", serverVersion}}},
        {"instructions",
         "Live and historical stats for this computer from Morvanex. Start with get_overview; "
         "use get_history to answer questions about the past (up to 30 days), and "
         "get_top_processes to find what is using CPU, memory or disk. Process CPU percentages "
         "are per core, as top shows them: 100% is one full core. Temperatures are in \u00b0C."}};
}

QJsonObject toolResult(const QString& text, bool isError) {
    return QJsonObject{{"content", QJsonArray{QJsonObject{{"type", "text"}, {"text", text}}}},
                       {"isError", isError}};
}

std::optional<QByteArray> successLine(const QJsonValue& id, const QJsonValue& result) {
    return line({{"jsonrpc", "2.0"}, {"id", id}, {"result", result}});
}

std::optional<QByteArray> errorLine(const QJsonValue& id, int code, const QString& message) {
    return line({{"jsonrpc", "2.0"},
                 {"id", id},
                 {"error", QJsonObject{{"code", code}, {"message", message}}}});
}

} // namespace morvanex::mcp
