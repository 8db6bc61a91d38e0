#include "platform/linux/NetCounters.h"

#include "platform/ParseNumber.h"
#include "platform/linux/ProcFiles.h"

#include <QList>

namespace morvanex::platform {

CounterMap parseNetDev(const QByteArray& text) {
    CounterMap counters;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        // Interface names never hold a colon; the first one ends the name.
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray name = line.left(colon).trimmed();
        if (name.isEmpty())
            continue;
        const QList<QByteArray> fields = line.mid(colon + 1).simplified().split(' ');
        // Receive: bytes packets errs drop fifo frame compressed multicast; then transmit.
        if (fields.size() < 9)
            continue;
        const auto rx = parseInteger<std::uint64_t>(fields[0]);
        const auto tx = parseInteger<std::uint64_t>(fields[8]);
        if (!rx || !tx)
            continue;
        counters[QString::fromUtf8(name)] = {*rx, *tx};
    }
    return counters;
}

CounterMap readNetCounters(const Roots& roots) {
    static procfiles::LoggedRead file("network rates");
    const auto text = file.read(roots.proc + QStringLiteral("/net/dev"));
    return text ? parseNetDev(*text) : CounterMap{};
}

} // namespace morvanex::platform
