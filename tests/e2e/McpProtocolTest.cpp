#include "e2e/ExitCheck.h"
#include "e2e/RunBinary.h"
#include "support/TestEnv.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

using namespace morvanex::test;

namespace {

const QByteArray noHistory =
    "No history yet. Morvanex records history while the menu bar app is running.";

// One line sent to the server and what must come back: nothing, or one reply that `check`
// examines.
struct Exchange {
    QByteArray line;
    std::function<void(const QJsonObject& reply, const QByteArray& text)> check;
};

QJsonObject result(const QJsonObject& reply) {
    return reply.value("result").toObject();
}

// The text of a tool result, after checking that the result is an error or not as expected.
QString toolText(const QJsonObject& reply, bool isError) {
    const QJsonObject toolResult = result(reply);
    EXPECT_EQ(toolResult.keys(), QStringList({"content", "isError"}));
    EXPECT_EQ(toolResult.value("isError").toBool(), isError);
    const QJsonArray content = toolResult.value("content").toArray();
    EXPECT_EQ(content.size(), 1);
    EXPECT_EQ(content.at(0).toObject().value("type"), "text");
    return content.at(0).toObject().value("text").toString();
}

// The answer object of a successful tool call.
QJsonObject toolAnswer(const QJsonObject& reply) {
    QJsonParseError error{};
    const QJsonDocument answer = QJsonDocument::fromJson(toolText(reply, false).toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_TRUE(answer.isObject());
    return answer.object();
}

void expectKeys(const QJsonObject& object, const QStringList& required) {
    for (const QString& key : required)
        EXPECT_TRUE(object.contains(key)) << key.toStdString();
}

QByteArray call(int id, const char* tool, const char* arguments = nullptr) {
    QByteArray line = R"({"jsonrpc":"2.0","id":)" + QByteArray::number(id) +
                      R"(,"method":"tools/call","params":{"name":")" + tool + '"';
    if (arguments)
        line += QByteArray(R"(,"arguments":)") + arguments;
    return line + "}}";
}

std::function<void(const QJsonObject&, const QByteArray&)> exactly(const QByteArray& expected) {
    return [expected](const QJsonObject&, const QByteArray& text) { EXPECT_EQ(text, expected); };
}

std::function<void(const QJsonObject&, const QByteArray&)> toolFails(const QByteArray& message) {
    return [message](const QJsonObject& reply, const QByteArray&) {
        EXPECT_EQ(toolText(reply, true), QString::fromUtf8(message));
    };
}

// The project's version, with what git describes of the sources when they are a clone: read
// here independently of the build's own generated record.
QString projectVersion() {
    QProcess git;
    git.start(QStringLiteral("git"), {QStringLiteral("-C"), QStringLiteral(MORVANEX_SOURCE_DIR),
                                      QStringLiteral("describe"), QStringLiteral("--tags"),
                                      QStringLiteral("--always"), QStringLiteral("--dirty")});
    const bool described = git.waitForFinished(30000) && git.exitStatus() == QProcess::NormalExit &&
                           git.exitCode() == 0;
    const QString build =
        described ? QString::fromUtf8(git.readAllStandardOutput()).trimmed() : QString();
    const QString version = QStringLiteral(MORVANEX_PROJECT_VERSION);
    return build.isEmpty() ? version : version + u'+' + build;
}

std::function<void(const QJsonObject&, const QByteArray&)> protocolVersion(const char* version) {
    return [version](const QJsonObject& reply, const QByteArray&) {
        EXPECT_EQ(result(reply).value("protocolVersion"), version);
        EXPECT_EQ(result(reply).value("serverInfo").toObject().value("name"), "morvanex");
        EXPECT_EQ(result(reply).value("serverInfo").toObject().value("version").toString(),
                  projectVersion());
        EXPECT_EQ(result(reply).value("capabilities"),
                  QJsonObject({{"tools", QJsonObject{{"listChanged", false}}}}));
    };
}

// name, title, description, input properties (as JSON text)
struct ToolRow {
    const char* name;
    const char* title;
    const char* description;
    const char* properties;
};

const ToolRow toolTable[] = {
    {"get_overview", "Overview",
     "Snapshot of this computer right now: CPU, GPU, memory, system disk, network, "
     "temperatures, fans, battery, power, uptime, connected iPhones/iPads, and "
     "Morvanex's one-line insight about what is using the computer.",
     "{}"},
    {"get_top_processes", "Top processes",
     "The processes using the most CPU, memory or disk right now. CPU is per core "
     "(100% = one full core). Every process is listed; disk rates are measured only for "
     "processes the current user may inspect, usually its own.",
     "{\"limit\": {\"description\": \"How many processes. Default: 10.\", \"maximum\": 30, "
     "\"minimum\": 1, \"type\": \"integer\"}, \"sort_by\": {\"description\": \"Resource to rank "
     "by. Default: cpu.\", \"enum\": [\"cpu\", \"memory\", \"disk\"], \"type\": \"string\"}}"},
    {"get_history", "History",
     "Recorded history of one metric: summary (min, max, average, when the peak was) "
     "plus evenly spaced points. Morvanex keeps 30 days while it runs; gaps mean the "
     "computer was asleep or Morvanex wasn't running.",
     "{\"metric\": {\"description\": "
     "\"cpu_user/cpu_system/gpu/mem_pressure/mem_used/battery in %, "
     "disk_read/disk_write/net_down/net_up in bytes per second, temperature in °C, "
     "fan in rpm (fastest fan), power in watts.\", \"enum\": [\"cpu_user\", \"cpu_system\", "
     "\"gpu\", \"mem_pressure\", \"mem_used\", \"disk_read\", \"disk_write\", \"net_down\", "
     "\"net_up\", \"temperature\", \"fan\", \"battery\", \"power\"], \"type\": \"string\"}, "
     "\"points\": {\"description\": \"Number of points to return besides the summary. "
     "Default: 48.\", \"maximum\": 200, \"minimum\": 0, \"type\": \"integer\"}, \"range\": "
     "{\"description\": \"How far back. Default: 24h.\", \"enum\": [\"1h\", \"24h\", \"7d\", "
     "\"30d\"], \"type\": \"string\"}}"},
    {"get_sensors", "Sensors",
     "Temperatures (average and maximum per component group, and the hottest "
     "sensors), fan speeds with their range, and power readings.",
     "{\"all_sensors\": {\"description\": \"Also list every sensor with its key "
     "(long). Default: false.\", \"type\": \"boolean\"}}"},
    {"get_battery", "Battery",
     "Battery charge, charging state, time remaining, health (maximum capacity vs "
     "design), cycle count, temperature, power draw, adapter, Power Saver, and "
     "Bluetooth device batteries.",
     "{}"},
    {"get_network", "Network",
     "Network rates, internet status, public and local IP addresses, ping, router, "
     "DNS, VPN, Wi-Fi details, interfaces, and the saved results of Morvanex's "
     "network speed tests.",
     "{}"},
    {"get_disks", "Disks",
     "Mounted volumes with capacity, used and free space, purgeable space, and "
     "current disk read/write rates.",
     "{}"},
    {"get_connected_devices", "Connected devices",
     "iPhones and iPads connected by USB or Wi-Fi sync that trust this computer: battery, "
     "battery health, cycle count, storage, model and iOS version.",
     "{}"},
};

void checkToolList(const QJsonObject& reply, const QByteArray&) {
    const QJsonArray tools = result(reply).value("tools").toArray();
    ASSERT_EQ(tools.size(), 8);
    for (qsizetype i = 0; i < tools.size(); ++i) {
        const ToolRow& row = toolTable[i];
        SCOPED_TRACE(row.name);
        const QJsonObject expected{
            {"name", row.name},
            {"title", row.title},
            {"description", QString::fromUtf8(row.description)},
            {"annotations", QJsonObject{{"readOnlyHint", true}, {"openWorldHint", false}}},
            {"inputSchema",
             QJsonObject{{"type", "object"},
                         {"properties", QJsonDocument::fromJson(row.properties).object()},
                         {"additionalProperties", false}}}};
        EXPECT_EQ(tools.at(i).toObject(), expected);
    }
}

int processCount(const QJsonObject& reply) {
    return int(toolAnswer(reply).value("processes").toArray().size());
}

TEST(McpProtocol, ASessionThroughTheBinary) {
    std::optional<int> countAt31;
    const std::vector<Exchange> session = {
        {R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":"2025-03-26","capabilities":{},"clientInfo":{"name":"t","version":"1"}}})",
         protocolVersion("2025-03-26")},
        {R"({"jsonrpc":"2.0","id":2,"method":"initialize","params":{"protocolVersion":"1999-01-01"}})",
         protocolVersion("2025-06-18")},
        {R"({"jsonrpc":"2.0","id":3,"method":"initialize"})", protocolVersion("2025-06-18")},
        {R"({"jsonrpc":"2.0","method":"notifications/initialized"})", nullptr},
        {" \t ", nullptr},
        {"", nullptr},
        {"{\"jsonrpc\":\"2.0\",\"id\":\"s-1\",\"method\":\"ping\"}\r",
         exactly(R"({"jsonrpc":"2.0","id":"s-1","result":{}})")},
        {R"({"jsonrpc":"2.0","id":4,"method":"tools/list"})", checkToolList},
        {call(10, "get_overview"),
         [](const QJsonObject& reply, const QByteArray&) {
             const QJsonObject answer = toolAnswer(reply);
             expectKeys(answer, {"time", "mac", "uptime", "insight", "cpu", "memory", "network",
                                 "thermal"});
             expectKeys(answer.value("mac").toObject(), {"model", "processor", "cores", "macos"});
             EXPECT_GT(answer.value("mac").toObject().value("cores").toInt(), 0);
             EXPECT_TRUE(answer.value("time").toString().endsWith('Z')); // the test's TZ is UTC
         }},
        {call(11, "get_top_processes"),
         [](const QJsonObject& reply, const QByteArray&) {
             const QJsonObject answer = toolAnswer(reply);
             EXPECT_EQ(answer.value("sorted_by"), "cpu");
             const QJsonArray processes = answer.value("processes").toArray();
             EXPECT_GE(processes.size(), 1);
             EXPECT_LE(processes.size(), 10);
             expectKeys(processes.at(0).toObject(),
                        {"pid", "name", "cpu_percent", "memory", "disk_read_per_second",
                         "disk_write_per_second"});
         }},
        {call(12, "get_history", R"({"metric":"cpu_user"})"), toolFails(noHistory)},
        {call(13, "get_sensors"),
         [](const QJsonObject& reply, const QByteArray&) {
             const QJsonObject answer = toolAnswer(reply);
             EXPECT_TRUE(answer.contains("note") || answer.contains("temperature_groups"));
         }},
        {call(14, "get_battery"),
         [](const QJsonObject& reply, const QByteArray&) {
             EXPECT_TRUE(toolAnswer(reply).value("present").isBool());
         }},
        {call(15, "get_network"),
         [](const QJsonObject& reply, const QByteArray&) {
             expectKeys(toolAnswer(reply), {"download_per_second", "upload_per_second", "internet",
                                            "dns", "vpn_interfaces", "interfaces", "speed_tests"});
         }},
        {call(16, "get_disks"),
         [](const QJsonObject& reply, const QByteArray&) {
             expectKeys(toolAnswer(reply), {"volumes", "read_per_second", "write_per_second"});
         }},
        {call(17, "get_connected_devices"),
         [](const QJsonObject& reply, const QByteArray&) {
             EXPECT_TRUE(toolAnswer(reply).value("devices").isArray());
         }},
        {call(20, "get_weather"), toolFails("Unknown tool: get_weather")},
        {call(21, "get_top_processes", R"({"sort_by":"name"})"),
         toolFails("sort_by must be cpu, memory or disk.")},
        {call(22, "get_top_processes", R"({"limit":0})"),
         [](const QJsonObject& reply, const QByteArray&) { EXPECT_EQ(processCount(reply), 1); }},
        {call(23, "get_top_processes", R"({"limit":31})"),
         [&countAt31](const QJsonObject& reply, const QByteArray&) {
             countAt31 = processCount(reply);
             EXPECT_LE(*countAt31, 30);
         }},
        {call(24, "get_top_processes", R"({"limit":1e300})"),
         [&countAt31](const QJsonObject& reply, const QByteArray&) {
             EXPECT_EQ(processCount(reply), countAt31.value_or(-1));
         }},
        {call(25, "get_history", R"({"metric":"cpu_user","points":0})"), toolFails(noHistory)},
        {call(26, "get_history", R"({"metric":"cpu_user","points":500})"), toolFails(noHistory)},
        {call(27, "get_history", R"({"metric":"cpu_user","range":"2h"})"),
         toolFails("range must be 1h, 24h, 7d or 30d.")},
        {call(28, "get_history"),
         toolFails("metric must be one of: cpu_user, cpu_system, gpu, mem_pressure, mem_used, "
                   "disk_read, disk_write, net_down, net_up, temperature, fan, battery, "
                   "power.")},
        {call(29, "get_sensors", R"({"all_sensors":true})"),
         [](const QJsonObject& reply, const QByteArray&) {
             const QJsonObject answer = toolAnswer(reply);
             EXPECT_TRUE(answer.contains("note") || answer.contains("all_sensors"));
         }},
        {"not json at all",
         exactly(R"({"jsonrpc":"2.0","id":null,"error":{"code":-32700,"message":"Parse error"}})")},
        {R"([{"jsonrpc":"2.0","id":5,"method":"ping"}])",
         exactly(R"({"jsonrpc":"2.0","id":null,"error":{"code":-32700,"message":"Parse error"}})")},
        {R"({"jsonrpc":"2.0","id":99,"method":"resources/list"})",
         exactly(
             R"({"jsonrpc":"2.0","id":99,"error":{"code":-32601,"message":"Method not found: resources/list"}})")},
        {R"({"jsonrpc":"2.0","method":"resources/list"})", nullptr},
        {R"({"jsonrpc":"2.0","id":1.5,"method":"ping"})",
         exactly(R"({"jsonrpc":"2.0","id":1.5,"result":{}})")},
    };
    QByteArray input;
    std::vector<const Exchange*> answered;
    for (const Exchange& exchange : session) {
        input += exchange.line + '\n';
        if (exchange.check)
            answered.push_back(&exchange);
    }
    // The last request ends without a line feed: end of input still delivers it.
    input += R"({"jsonrpc":"2.0","id":100,"method":"ping"})";

    const RunResult run = runMorvanex({QStringLiteral("--mcp")}, localEnvironment(), input);
    ASSERT_FALSE(run.crashed) << run.standardError.toStdString();
    EXPECT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    ASSERT_TRUE(run.standardOutput.endsWith('\n'));
    const QList<QByteArray> lines = run.standardOutput.chopped(1).split('\n');
    ASSERT_EQ(std::size_t(lines.size()), answered.size() + 1) << run.standardOutput.toStdString();
    for (std::size_t i = 0; i < answered.size(); ++i) {
        SCOPED_TRACE(answered[i]->line.toStdString());
        QJsonParseError error{};
        const QJsonObject reply = QJsonDocument::fromJson(lines[qsizetype(i)], &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << lines[qsizetype(i)].toStdString();
        EXPECT_EQ(reply.value("jsonrpc"), "2.0");
        answered[i]->check(reply, lines[qsizetype(i)]);
    }
    EXPECT_EQ(lines.last(), R"({"jsonrpc":"2.0","id":100,"result":{}})");
}

TEST(McpProtocol, EmptyInputEndsAtOnceWithoutOutput) {
    const RunResult run = runMorvanex({QStringLiteral("--mcp")}, localEnvironment(), {});
    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    EXPECT_TRUE(run.standardOutput.isEmpty());
}

// A server that keeps running until the test ends it one way or another.
class LiveServer {
public:
    LiveServer() {
        const QStringList command = morvanexCommand({QStringLiteral("--mcp")});
        process_.setProcessEnvironment(localEnvironment());
        process_.start(command.first(), command.mid(1));
        EXPECT_TRUE(process_.waitForStarted(10000));
    }
    ~LiveServer() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(10000);
        }
    }

    // Sends a ping and waits for its reply line.
    QByteArray ping(int id) {
        process_.write(R"({"jsonrpc":"2.0","id":)" + QByteArray::number(id) +
                       R"(,"method":"ping"})" + "\n");
        while (!process_.canReadLine()) {
            if (!process_.waitForReadyRead(30000))
                return {};
        }
        return process_.readLine();
    }

    // Waits for the process to end by itself; whether it ended with status 0.
    bool endsCleanly() {
        if (!process_.waitForFinished(30000))
            return false;
        const QByteArray errors = process_.readAllStandardError();
        EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit) << errors.toStdString();
        return process_.exitStatus() == QProcess::NormalExit &&
               exitedCleanly(process_.exitCode(), errors);
    }

    QProcess& process() { return process_; }

private:
    QProcess process_;
};

QString descriptorTarget(qint64 pid, int fd) {
    return QFileInfo(QStringLiteral("/proc/%1/fd/%2").arg(pid).arg(fd)).symLinkTarget();
}

TEST(McpProtocol, StandardOutputBelongsToTheProtocolAlone) {
    LiveServer server;
    EXPECT_EQ(server.ping(1), "{\"jsonrpc\":\"2.0\",\"id\":1,\"result\":{}}\n");
    // Descriptor 1 now writes to standard error, so nothing else can reach the client's stream.
    const qint64 pid = server.process().processId();
    EXPECT_FALSE(descriptorTarget(pid, 2).isEmpty());
    EXPECT_EQ(descriptorTarget(pid, 1), descriptorTarget(pid, 2));
    server.process().closeWriteChannel();
    EXPECT_TRUE(server.endsCleanly());
}

TEST(McpProtocol, EndsQuietlyWhenTheClientStopsReading) {
    // The client reads one reply and goes away; standard input stays open, so only the failed
    // write of a later reply can end the server, and it must end with status 0, not by SIGPIPE.
    QProcess client;
    const QStringList command =
        isolatedCommand({QStringLiteral("/bin/bash"), QStringLiteral("-c"),
                         QStringLiteral("set -o pipefail; \"$0\" --mcp | head -n 1 > /dev/null"),
                         QStringLiteral(MORVANEX_BINARY)});
    client.setProcessEnvironment(localEnvironment());
    client.start(command.first(), command.mid(1));
    ASSERT_TRUE(client.waitForStarted(10000));
    for (int i = 0; i < 600 && client.state() != QProcess::NotRunning; ++i) {
        client.write(R"({"jsonrpc":"2.0","id":1,"method":"ping"})"
                     "\n");
        client.waitForFinished(100);
    }
    ASSERT_EQ(client.state(), QProcess::NotRunning);
    EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(client.exitCode(), 0) << client.readAllStandardError().toStdString();
}

TEST(McpProtocol, TerminationEndsTheServerNormally) {
    LiveServer server;
    EXPECT_FALSE(server.ping(1).isEmpty());
    server.process().terminate();
    EXPECT_TRUE(server.endsCleanly());
}

} // namespace
