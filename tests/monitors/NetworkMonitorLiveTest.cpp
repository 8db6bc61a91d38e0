#include "monitors/NetworkMonitor.h"
#include "platform/linux/ResolvConf.h"
#include "platform/linux/RouteTable.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace morvanex;

using morvanex::test::waitUntil;

namespace {

// The real machine, except that nothing is sent to the internet during tests: no ping (its
// default host is on the internet) and a closed local port for the public address.
NetworkMonitor::Sources machineSources() {
    auto sources = NetworkMonitor::Sources::system();
    sources.pingSocket = {};
    sources.pingProgram = QStringLiteral("/nonexistent/ping");
    sources.publicAddressUrl = QUrl("http://127.0.0.1:9/");
    return sources;
}

} // namespace

TEST(NetworkMonitorLive, ListsThePrimaryInterfaceWithItsAddressRouterAndDns) {
    const platform::Roots roots = platform::Roots::system();
    NetworkMonitor monitor(machineSources());
    monitor.sample();

    EXPECT_EQ(monitor.dns, platform::readDnsServers(roots));
    const platform::PrimaryRoute route = platform::readPrimaryRoute(roots);
    EXPECT_EQ(monitor.primaryInterface, route.interface);
    EXPECT_EQ(monitor.router, route.router);
    if (!route.interface)
        GTEST_SKIP() << "this machine has no default route";
    ASSERT_FALSE(monitor.interfaces.empty());
    const InterfaceInfo& primary = monitor.interfaces.front();
    EXPECT_EQ(primary.bsdName, *route.interface);
    if (route.router) {
        EXPECT_FALSE(primary.ipv4.isEmpty());
    }
    EXPECT_GT(primary.totalDown, 0u);
    for (const InterfaceInfo& info : monitor.interfaces)
        EXPECT_NE(info.bsdName, "lo");
}

TEST(NetworkMonitorLive, DownloadRateWhileBytesArrive) {
    // Loopback is never counted; count it here to watch real counters move under a transfer.
    auto sources = machineSources();
    sources.names.loopback.clear();
    sources.names.physical.push_back("lo");
    NetworkMonitor monitor(sources);
    monitor.sample();

    constexpr qint64 size = 8 * 1024 * 1024;
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        QTcpSocket* peer = server.nextPendingConnection();
        peer->write(QByteArray(size, 'x'));
        peer->disconnectFromHost();
    });
    QTcpSocket client;
    qint64 received = 0;
    QObject::connect(&client, &QTcpSocket::readyRead, &client,
                     [&] { received += client.readAll().size(); });
    client.connectToHost(QHostAddress::LocalHost, server.serverPort());
    ASSERT_TRUE(waitUntil([&] { return received >= size; }));

    monitor.sample();
    EXPECT_GT(monitor.download, 0);
    EXPECT_GE(monitor.sessionDown, std::uint64_t(size));
    const auto lo = std::find_if(monitor.interfaces.begin(), monitor.interfaces.end(),
                                 [](const InterfaceInfo& info) { return info.bsdName == "lo"; });
    ASSERT_NE(lo, monitor.interfaces.end());
    EXPECT_GT(lo->download, 0);
    EXPECT_EQ(monitor.downloadHistory.values.size(), 2u);
}
