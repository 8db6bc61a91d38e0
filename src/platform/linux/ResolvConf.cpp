#include "platform/linux/ResolvConf.h"

#include "platform/linux/ProcFiles.h"

#include <QList>
#include <algorithm>

namespace morvanex::platform {

namespace {

bool isResolverStub(const QString& address) {
    return address == QLatin1String("127.0.0.53") || address == QLatin1String("127.0.0.54");
}

} // namespace

QStringList parseNameservers(const QByteArray& text) {
    QStringList servers;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QByteArray line = rawLine.simplified();
        if (line.startsWith('#') || line.startsWith(';'))
            continue;
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 2 || fields[0] != "nameserver" || fields[1].isEmpty())
            continue;
        servers.push_back(QString::fromUtf8(fields[1]));
    }
    return servers;
}

QStringList readDnsServers(const Roots& roots) {
    const auto text = procfiles::read(roots.etc + QStringLiteral("/resolv.conf"));
    const QStringList servers = text ? parseNameservers(*text) : QStringList{};
    if (servers.isEmpty() || !std::all_of(servers.begin(), servers.end(), isResolverStub))
        return servers;
    const auto upstream =
        procfiles::read(roots.run + QStringLiteral("/systemd/resolve/resolv.conf"));
    const QStringList upstreamServers = upstream ? parseNameservers(*upstream) : QStringList{};
    return upstreamServers.isEmpty() ? servers : upstreamServers;
}

} // namespace morvanex::platform
