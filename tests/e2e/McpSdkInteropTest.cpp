#include "e2e/RunBinary.h"
#include "history/HistoryStore.h"
#include "support/TestEnv.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::test;

namespace {

// The client script and its locked SDK, installed by scripts/setup.
QString sdkFolder() {
    return QDir::cleanPath(QStringLiteral(MORVANEX_FIXTURES) + QStringLiteral("/../e2e/mcp-sdk"));
}

// A little history, so that get_history has something to answer with.
void writeHistory() {
    auto store = HistoryStore::open(
        scratchDir() + QStringLiteral("/home/.local/share/Morvanex/history.sqlite"), false);
    ASSERT_TRUE(store);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (int i = 1; i <= 30; ++i) {
        store->record({{HistoryMetric::cpuUser, double(i)}},
                      QDateTime::fromSecsSinceEpoch(now - 10 * i, Qt::UTC));
    }
    store->flush();
}

// The official TypeScript SDK's client connects to the server, lists the tools and calls every
// one; the SDK checks each message against the protocol's schemas on the way.
TEST(McpSdkInterop, TheOfficialClientListsAndCallsEveryTool) {
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    ASSERT_FALSE(node.isEmpty()) << "Node.js is missing: run scripts/setup";
    ASSERT_TRUE(
        QFileInfo::exists(sdkFolder() + QStringLiteral("/node_modules/@modelcontextprotocol/sdk")))
        << "the SDK is not installed in " << sdkFolder().toStdString() << ": run scripts/setup";
    writeHistory();

    QProcess client;
    // The client runs isolated too: the server it starts inherits that.
    const QStringList command = isolatedCommand(
        {node, sdkFolder() + QStringLiteral("/client.mjs"), QStringLiteral(MORVANEX_BINARY)});
    client.setProcessEnvironment(localEnvironment());
    client.setWorkingDirectory(sdkFolder());
    client.start(command.first(), command.mid(1));
    ASSERT_TRUE(client.waitForStarted(10000));
    client.closeWriteChannel();
    if (!client.waitForFinished(120000)) {
        client.kill();
        client.waitForFinished();
        FAIL() << "the client did not finish";
    }
    const QByteArray errors = client.readAllStandardError();
    ASSERT_EQ(client.exitStatus(), QProcess::NormalExit) << errors.toStdString();
    ASSERT_EQ(client.exitCode(), 0) << errors.toStdString();

    QJsonParseError error{};
    const QJsonObject report =
        QJsonDocument::fromJson(client.readAllStandardOutput(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_EQ(report.value("serverVersion").toObject().value("name"), "morvanex");
    EXPECT_TRUE(report.value("instructions").toString().startsWith("Live and historical stats"));
    const QStringList names = {"get_overview", "get_top_processes",    "get_history",
                               "get_sensors",  "get_battery",          "get_network",
                               "get_disks",    "get_connected_devices"};
    QStringList listed;
    for (const QJsonValue& name : report.value("tools").toArray())
        listed.append(name.toString());
    EXPECT_EQ(listed, names);
    const QJsonObject calls = report.value("calls").toObject();
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QJsonObject call = calls.value(name).toObject();
        EXPECT_FALSE(call.value("isError").toBool()) << call.value("text").toString().toStdString();
        EXPECT_TRUE(call.value("parsed").toBool());
    }
    EXPECT_TRUE(calls.value("get_history").toObject().value("keys").toArray().contains("summary"));
}

} // namespace
