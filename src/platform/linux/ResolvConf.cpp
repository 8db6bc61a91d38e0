#include "platform/linux/ResolvConf.h"

#include "platform/linux/ProcFiles.h"

#include <QFile>
#include <QList>
#include <algorithm>
#include <ctime>
#include <sys/stat.h>

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

DnsServerCache::DnsServerCache(Roots roots) : roots_(std::move(roots)) {}

DnsServerCache::Stamps DnsServerCache::stamps() const {
    const auto stampOf = [](const QString& path) -> std::optional<Stamp> {
        struct stat info {};
        if (::stat(QFile::encodeName(path).constData(), &info) != 0)
            return std::nullopt;
        // The change time moves with every write and every rename onto the path, which is how
        // resolver managers replace the file.
        return Stamp{info.st_dev, info.st_ino, info.st_size, info.st_ctim.tv_sec,
                     info.st_ctim.tv_nsec};
    };
    return {stampOf(roots_.etc + QStringLiteral("/resolv.conf")),
            stampOf(roots_.run + QStringLiteral("/systemd/resolve/resolv.conf"))};
}

QStringList DnsServerCache::servers() {
    // The stamps are taken before the read: a change during the read is seen next time.
    const Stamps now = stamps();
    if (read_ == now)
        return servers_;
    servers_ = readDnsServers(roots_);
    // File times advance in coarse steps: a file changed within the last moments may change
    // again, at the same size, without its stamp moving. Such a read is not trusted to last.
    timespec clock{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &clock);
    const auto recent = [&](const std::optional<Stamp>& stamp) {
        return stamp && clock.tv_sec - stamp->changedSeconds < 2;
    };
    if (std::any_of(now.begin(), now.end(), recent))
        read_.reset();
    else
        read_ = now;
    return servers_;
}

} // namespace morvanex::platform
