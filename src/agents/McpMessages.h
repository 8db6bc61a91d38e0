#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <optional>

// The JSON-RPC 2.0 messages of the agent server: response lines, the "initialize" result and
// the envelope a tool's answer travels in.
namespace morvanex::mcp {

inline constexpr int parseErrorCode = -32700;
inline constexpr int methodNotFoundCode = -32601;

// The protocol revision answered when the client names none the server knows.
inline const QString defaultProtocolVersion = QStringLiteral("2025-06-18");

// The protocol revisions this server speaks, oldest first.
const QStringList& knownProtocolVersions();

// The revision to answer: the client's when it is a text naming a known revision, else the
// default. Echoing an unknown revision would claim support the server does not have.
QString negotiatedProtocolVersion(const QJsonValue& requested);

// {"protocolVersion", "capabilities", "serverInfo", "instructions"} for the request's params.
QJsonObject initializeResult(const QJsonObject& params, const QString& serverVersion);

// {"content": [{"type": "text", "text": text}], "isError": isError}.
QJsonObject toolResult(const QString& text, bool isError);

// One compact line ending in a line feed; nothing when the message cannot be written as JSON.
std::optional<QByteArray> successLine(const QJsonValue& id, const QJsonValue& result);
std::optional<QByteArray> errorLine(const QJsonValue& id, int code, const QString& message);

} // namespace morvanex::mcp
