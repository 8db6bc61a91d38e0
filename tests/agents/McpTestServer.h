#pragma once

#include "agents/MCPServer.h"
#include "base/JsonWriter.h"
#include "support/HubFixture.h"
#include "support/TestEnv.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace morvanex::test {

// The server over a hub whose monitors the test fills in by hand, with a machine folder of its
// own, in-memory saved speed tests and a switch for the controller connection. Replies are
// collected instead of written.
struct McpTestServer {
    HubFixture hubFixture;
    Hub& hub = *hubFixture.hub;
    QString machine = scratchDir() + QStringLiteral("/machine");
    platform::UserDefaults defaults = platform::UserDefaults::inMemory();
    bool smcOpen = true;
    std::vector<QByteArray> replies;
    std::unique_ptr<MCPServer> server;

    McpTestServer() {
        MCPServer::Sources sources;
        sources.smcOpen = [this] { return smcOpen; };
        sources.roots = platform::Roots::under(machine);
        sources.defaults = defaults;
        server = std::make_unique<MCPServer>(
            hub, hubFixture.settings, [this](const QByteArray& line) { replies.push_back(line); },
            sources);
    }

    // Handles one line; the replies it wrote.
    std::vector<QByteArray> exchange(const QString& line) {
        replies.clear();
        server->handle(line);
        return replies;
    }

    // The one reply to a line, parsed.
    QJsonObject response(const QString& line) {
        const std::vector<QByteArray> written = exchange(line);
        EXPECT_EQ(written.size(), 1u) << line.toStdString();
        if (written.size() != 1)
            return {};
        EXPECT_TRUE(written.front().endsWith('\n'));
        EXPECT_EQ(written.front().count('\n'), 1);
        return QJsonDocument::fromJson(written.front()).object();
    }

    // The tool result of a "tools/call" with these arguments.
    QJsonObject toolResult(const QString& tool, const QJsonObject& arguments = {}) {
        const QJsonObject request{
            {"jsonrpc", "2.0"},
            {"id", 1},
            {"method", "tools/call"},
            {"params", QJsonObject{{"name", tool}, {"arguments", arguments}}}};
        return response(QString::fromUtf8(*json::compact(request))).value("result").toObject();
    }

    // The text of a successful tool call.
    QString answerText(const QString& tool, const QJsonObject& arguments = {}) {
        const QJsonObject result = toolResult(tool, arguments);
        EXPECT_FALSE(result.value("isError").toBool()) << resultText(result).toStdString();
        return resultText(result);
    }

    // The answer object of a successful tool call.
    QJsonObject answer(const QString& tool, const QJsonObject& arguments = {}) {
        return QJsonDocument::fromJson(answerText(tool, arguments).toUtf8()).object();
    }

    // The sentence of a failed tool call.
    QString failure(const QString& tool, const QJsonObject& arguments = {}) {
        const QJsonObject result = toolResult(tool, arguments);
        EXPECT_TRUE(result.value("isError").toBool()) << resultText(result).toStdString();
        return resultText(result);
    }

    static QString resultText(const QJsonObject& result) {
        return result.value("content").toArray().at(0).toObject().value("text").toString();
    }
};

// A JSON text in one canonical form (compact, keys sorted), for comparing answers with the
// expected JSON written out in a test.
inline std::string canonical(const QJsonObject& object) {
    return json::compact(object).value_or("<unwritable>").toStdString();
}

inline std::string canonical(const char* jsonText) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(jsonText, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << jsonText;
    return canonical(document.object());
}

} // namespace morvanex::test
