#include "McpTestServer.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

using namespace morvanex;
using morvanex::test::canonical;
using morvanex::test::McpTestServer;

namespace {

const char* const instructions =
    "Live and historical stats for this computer from Morvanex. Start with get_overview; use "
    "get_history to answer questions about the past (up to 30 days), and get_top_processes to "
    "find what is using CPU, memory or disk. Process CPU percentages are per core, as top shows "
    "them: 100% is one full core. Temperatures are in \u00b0C.";

TEST(McpServerDispatch, InitializeAnswersAKnownVersionOrItsOwn) {
    struct Row {
        const char* params;
        const char* version;
    };
    const Row rows[] = {
        {R"("params":{"protocolVersion":"2024-11-05"})", "2024-11-05"},
        {R"("params":{"protocolVersion":"2025-03-26"})", "2025-03-26"},
        {R"("params":{"protocolVersion":"2025-06-18"})", "2025-06-18"},
        {R"("params":{"protocolVersion":"2025-11-25"})", "2025-11-25"},
        {R"("params":{"protocolVersion":"1999-01-01"})", "2025-06-18"},
        {R"("params":{"protocolVersion":20250618})", "2025-06-18"},
        {R"("params":{})", "2025-06-18"},
        {R"("params":"not an object")", "2025-06-18"},
        {R"("other":1)", "2025-06-18"},
    };
    McpTestServer f;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.params);
        const QJsonObject reply =
            f.response(QStringLiteral(R"({"jsonrpc":"2.0","id":1,"method":"initialize",%1})")
                           .arg(QString::fromUtf8(row.params)));
        const QJsonObject expected{
            {"jsonrpc", "2.0"},
            {"id", 1},
            {"result",
             QJsonObject{
                 {"protocolVersion", row.version},
                 {"capabilities", QJsonObject{{"tools", QJsonObject{{"listChanged", false}}}}},
                 {"serverInfo", QJsonObject{{"name", "morvanex"},
                                            {"title", "Morvanex"},
                                            {"version", MCPServer::appVersion()}}},
                 {"instructions", instructions}}}};
        EXPECT_EQ(canonical(reply), canonical(expected));
    }
}

TEST(McpServerDispatch, RepliesAreOneCompactLineEach) {
    McpTestServer f;
    const auto written = f.exchange(R"({"jsonrpc":"2.0","id":7,"method":"ping"})");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written.front(), "{\"jsonrpc\":\"2.0\",\"id\":7,\"result\":{}}\n");
}

TEST(McpServerDispatch, IdsComeBackUnchanged) {
    struct Row {
        const char* sent;
        const char* echoed;
    };
    const Row rows[] = {
        {"7", "7"},
        {"-3", "-3"},
        {"0", "0"},
        {"1.5", "1.5"},
        {"9007199254740993", "9007199254740993"}, // beyond 2^53: still every digit
        {"\"abc\"", "\"abc\""},
        {"\"\"", "\"\""},
        {"null", "null"},
        {"\"caf\u00e9 \\/ \\\"q\\\"\"", "\"caf\u00e9 / \\\"q\\\"\""},
    };
    McpTestServer f;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sent);
        const auto written =
            f.exchange(QStringLiteral(R"({"jsonrpc":"2.0","id":%1,"method":"ping"})")
                           .arg(QString::fromUtf8(row.sent)));
        ASSERT_EQ(written.size(), 1u);
        EXPECT_EQ(written.front(),
                  QByteArray("{\"jsonrpc\":\"2.0\",\"id\":") + row.echoed + ",\"result\":{}}\n");
    }
}

TEST(McpServerDispatch, MessagesWithoutAnIdGetNoAnswer) {
    McpTestServer f;
    for (const char* line : {R"({"jsonrpc":"2.0","method":"notifications/initialized"})",
                             R"({"jsonrpc":"2.0","method":"ping"})",
                             R"({"jsonrpc":"2.0","method":"tools/call","params":{"name":"x"}})",
                             R"({"jsonrpc":"2.0","method":"no/such/method"})", R"({})"}) {
        SCOPED_TRACE(line);
        EXPECT_TRUE(f.exchange(QString::fromUtf8(line)).empty());
    }
}

TEST(McpServerDispatch, UnparsableLinesGetAParseErrorWithANullId) {
    McpTestServer f;
    for (const char* line :
         {"nonsense", "[1,2]", "42", "\"text\"", "null", R"({"id":5,"method":"ping")",
          R"({"id":5,"method":"ping"} trailing)", R"([{"id":5,"method":"ping"}])"}) {
        SCOPED_TRACE(line);
        const auto written = f.exchange(QString::fromUtf8(line));
        ASSERT_EQ(written.size(), 1u);
        EXPECT_EQ(written.front(),
                  "{\"jsonrpc\":\"2.0\",\"id\":null,\"error\":{\"code\":-32700,\"message\":"
                  "\"Parse error\"}}\n");
    }
}

TEST(McpServerDispatch, OtherMethodsAreNotFound) {
    struct Row {
        const char* line;
        const char* message;
    };
    const Row rows[] = {
        {R"({"id":3,"method":"resources/list"})", "Method not found: resources/list"},
        {R"({"id":3,"method":"Ping"})", "Method not found: Ping"},
        {R"({"id":3})", "Method not found: "},
        {R"({"id":3,"method":42})", "Method not found: "},
    };
    McpTestServer f;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        const QJsonObject reply = f.response(QString::fromUtf8(row.line));
        EXPECT_EQ(canonical(reply),
                  canonical(QJsonObject{
                      {"jsonrpc", "2.0"},
                      {"id", 3},
                      {"error", QJsonObject{{"code", -32601}, {"message", row.message}}}}));
    }
}

TEST(McpServerDispatch, TheJsonrpcMemberIsNotExamined) {
    McpTestServer f;
    EXPECT_EQ(f.response(R"({"jsonrpc":"1.0","id":1,"method":"ping"})").value("result"),
              QJsonObject());
}

TEST(McpServerDispatch, ToolFailuresAreResultsNotProtocolErrors) {
    McpTestServer f;
    struct Row {
        const char* params;
        const char* text;
    };
    const Row rows[] = {
        {R"({"name":"get_weather"})", "Unknown tool: get_weather"},
        {R"({"name":42})", "Unknown tool: "},
        {R"({})", "Unknown tool: "},
        {R"({"name":"get_top_processes","arguments":{"sort_by":"name"}})",
         "sort_by must be cpu, memory or disk."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.params);
        const QJsonObject reply = f.response(
            QStringLiteral(R"({"jsonrpc":"2.0","id":9,"method":"tools/call","params":%1})")
                .arg(QString::fromUtf8(row.params)));
        EXPECT_FALSE(reply.contains("error"));
        EXPECT_EQ(canonical(reply.value("result").toObject()),
                  canonical(QJsonObject{
                      {"content", QJsonArray{QJsonObject{{"type", "text"}, {"text", row.text}}}},
                      {"isError", true}}));
    }
}

TEST(McpServerDispatch, ArgumentsThatAreNoObjectCountAsNone) {
    McpTestServer f;
    const QJsonObject reply = f.response(
        R"({"id":1,"method":"tools/call","params":{"name":"get_top_processes","arguments":[1]}})");
    const QJsonObject result = reply.value("result").toObject();
    EXPECT_FALSE(result.value("isError").toBool());
    const QJsonObject answer =
        QJsonDocument::fromJson(McpTestServer::resultText(result).toUtf8()).object();
    EXPECT_EQ(answer.value("sorted_by"), "cpu");
}

TEST(McpServerDispatch, AnswersArePrettyTextWithSortedKeys) {
    McpTestServer f;
    f.hub.battery.present = false;
    EXPECT_EQ(f.answerText("get_battery"), "{\n  \"present\" : false\n}");
    f.hub.battery.present = true;
    f.hub.battery.percent = 87.25;
    f.hub.battery.onAC = true;
    f.hub.battery.isCharging = true;
    f.hub.battery.adapterWatts = 65;
    f.hub.battery.adapterName = QStringLiteral("USB-C/PD");
    EXPECT_EQ(f.answerText("get_battery"), "{\n"
                                           "  \"adapter\" : \"65 W \u00b7 USB-C/PD\",\n"
                                           "  \"low_power_mode\" : false,\n"
                                           "  \"on_power_adapter\" : true,\n"
                                           "  \"percent\" : 87.2,\n"
                                           "  \"present\" : true,\n"
                                           "  \"state\" : \"Charging\"\n"
                                           "}");
}

TEST(McpServerDispatch, ToolListHasEightToolsWithTheirSchemas) {
    McpTestServer f;
    const QJsonArray tools = f.response(R"({"id":1,"method":"tools/list"})")
                                 .value("result")
                                 .toObject()
                                 .value("tools")
                                 .toArray();
    ASSERT_EQ(tools.size(), 8);
    const char* names[] = {"get_overview", "get_top_processes",    "get_history",
                           "get_sensors",  "get_battery",          "get_network",
                           "get_disks",    "get_connected_devices"};
    for (qsizetype i = 0; i < tools.size(); ++i) {
        const QJsonObject tool = tools.at(i).toObject();
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(tool.value("name"), names[i]);
        EXPECT_EQ(tool.keys(),
                  QStringList({"annotations", "description", "inputSchema", "name", "title"}));
        EXPECT_EQ(canonical(tool.value("annotations").toObject()),
                  canonical(R"({"readOnlyHint":true,"openWorldHint":false})"));
        const QJsonObject schema = tool.value("inputSchema").toObject();
        EXPECT_EQ(schema.keys(), QStringList({"additionalProperties", "properties", "type"}));
        EXPECT_EQ(schema.value("type"), "object");
        EXPECT_EQ(schema.value("additionalProperties"), false);
        EXPECT_TRUE(schema.value("properties").isObject());
    }
}

} // namespace

namespace {

// Answers every HTTP request on 127.0.0.1 with one public address, counting the requests.
class AddressService {
public:
    AddressService() {
        EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    if (!socket->readAll().contains("\r\n") || socket->property("seen").toBool())
                        return;
                    socket->setProperty("seen", true);
                    ++requests;
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 11\r\nConnection: "
                                  "close\r\n\r\n203.0.113.9");
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QUrl url() const { return QUrl("http://127.0.0.1:" + QString::number(server_.serverPort())); }
    int requests = 0;

private:
    QTcpServer server_;
};

QString callLine(int id, const QString& tool) {
    return QString::fromUtf8(json::compact(QJsonObject{{"jsonrpc", "2.0"},
                                                       {"id", id},
                                                       {"method", "tools/call"},
                                                       {"params", QJsonObject{{"name", tool}}}})
                                 .value_or(QByteArray()));
}

} // namespace

// The headless server asks for the public address only when the network is first asked
// about; that answer waits for it, and the lines after it wait their turn.
TEST(McpServerDispatch, TheFirstNetworkAnswerWaitsForThePublicAddress) {
    AddressService service;
    test::HubFixture f(
        [&service](Hub::Sources& sources) { sources.network.publicAddressUrl = service.url(); });
    std::vector<QByteArray> replies;
    MCPServer server(*f.hub, f.settings,
                     [&replies](const QByteArray& line) { replies.push_back(line); });
    f.hub->start(Hub::Mode::headless);
    QCoreApplication::processEvents();
    EXPECT_EQ(service.requests, 0);

    server.handle(callLine(1, "get_sensors")); // answered at once
    ASSERT_EQ(replies.size(), 1u);
    server.handle(callLine(2, "get_network"));
    server.handle(R"({"jsonrpc":"2.0","id":3,"method":"ping"})");
    bool idle = false;
    server.whenIdle([&idle] { idle = true; });
    EXPECT_EQ(replies.size(), 1u);
    EXPECT_FALSE(idle);

    ASSERT_TRUE(test::waitUntil([&] { return replies.size() == 3; }));
    EXPECT_TRUE(idle);
    EXPECT_EQ(service.requests, 1);
    const QJsonObject network = QJsonDocument::fromJson(replies[1]).object();
    EXPECT_EQ(network.value("id").toInt(), 2);
    EXPECT_TRUE(network.value("result")
                    .toObject()
                    .value("content")
                    .toArray()
                    .at(0)
                    .toObject()
                    .value("text")
                    .toString()
                    .contains("203.0.113.9"));
    EXPECT_EQ(QJsonDocument::fromJson(replies[2]).object().value("id").toInt(), 3);

    // From then on the address is read as the last check left it: answered at once.
    server.handle(callLine(4, "get_network"));
    EXPECT_EQ(replies.size(), 4u);
    EXPECT_EQ(service.requests, 1);
}
