// The readings the real binary prints, each set beside the test's own read of the same Linux
// source on this machine. The machine keeps moving while the binary runs, so the test reads its
// sources over and over for the whole run and accepts anything between the smallest and the
// largest value it saw; what the binary prints is rounded, so it stands for every value that
// prints that way.

#include "e2e/ExitCheck.h"
#include "e2e/RunBinary.h"
#include "e2e/TrayScene.h"
#include "monitors/MemoryMonitor.h"
#include "support/MachineReads.h"
#include "support/TestEnv.h"
#include "support/Wait.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <sched.h>
#include <sqlite3.h>
#include <string>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace morvanex::test;

namespace {

// A closed range of values.
struct Span {
    double low = 0;
    double high = 0;

    bool meets(const Span& other) const { return low <= other.high && other.low <= high; }
    Span widened(double slack) const { return {low - slack, high + slack}; }
    Span scaled(double lowFactor, double highFactor) const {
        return {low * lowFactor, high * highFactor};
    }
};

std::string describe(const std::optional<Span>& span) {
    if (!span)
        return "unreadable";
    char text[96];
    std::snprintf(text, sizeof text, "[%.6g, %.6g]", span->low, span->high);
    return text;
}

// ---- The test's own reads of the machine ----

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One look at every source, as plain numbers by name (bytes, seconds, counts).
std::map<std::string, double> readMachine() {
    std::map<std::string, double> values;
    std::map<QByteArray, double> memory = meminfoBytes();
    values["MemTotal"] = memory["MemTotal"];
    values["AnonPages"] = memory["AnonPages"];
    values["app"] = appBytes(memory);
    values["Zswap"] = memory["Zswap"];
    values["wired"] = wiredBytes(memory);
    values["swap used"] = memory["SwapTotal"] - memory["SwapFree"];
    const std::array<double, 3> load = loadAverages();
    values["load 1"] = load[0];
    values["load 5"] = load[1];
    values["load 15"] = load[2];
    values["uptime"] = uptimeSeconds();
    values["processors"] = onlineProcessors();
    if (const auto root = volumeSpace("/")) {
        values["root size"] = root->size;
        values["root free"] = root->available;
        values["root used"] = root->used;
        values["root percent"] = root->usedPercent();
    }
    values["processes"] = processCount();
    return values;
}

using MachineReader = std::function<std::map<std::string, double>()>;

// Every value each source held while `run` ran: the sources are read before, after and
// continually in between.
std::map<std::string, Span> envelopeOf(const std::function<void()>& run,
                                       const MachineReader& reader = readMachine) {
    std::map<std::string, Span> seen;
    const auto take = [&seen](const std::map<std::string, double>& values) {
        for (const auto& [name, value] : values) {
            const auto known = seen.find(name);
            if (known == seen.end())
                seen[name] = {value, value};
            else
                known->second = {std::min(known->second.low, value),
                                 std::max(known->second.high, value)};
        }
    };
    take(reader());
    std::atomic<bool> done = false;
    std::map<std::string, Span> during;
    std::thread watcher([&] {
        std::map<std::string, Span> local;
        while (!done) {
            for (const auto& [name, value] : reader()) {
                auto& span = local.try_emplace(name, Span{value, value}).first->second;
                span = {std::min(span.low, value), std::max(span.high, value)};
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        during = std::move(local);
    });
    run();
    done = true;
    watcher.join();
    for (const auto& [name, span] : during) {
        take({{name, span.low}});
        take({{name, span.high}});
    }
    take(reader());
    return seen;
}

// ---- What the binary prints, as the values that print that way ----

// A number shown with `decimals` decimals.
Span roundedNumber(double value, int decimals) {
    const double half = 0.5 * std::pow(10.0, -decimals);
    return {value - half, value + half};
}

// A size or rate as the binary prints it ("24.6 GB", "512 B", "7.0 KB/s"): one decimal below
// 100 of a unit, whole units otherwise; `base` is 1024 or 1000.
std::optional<Span> shownAmount(const QString& text, double base) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(-?\d+)(\.(\d))? ([KMGTP]?)B(/s)?$)"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const QString units = QStringLiteral("KMGTP");
    const QString unit = match.captured(4);
    const double scale = unit.isEmpty() ? 1 : std::pow(base, units.indexOf(unit) + 1);
    const int decimals = match.captured(3).isEmpty() ? 0 : 1;
    const Span number = roundedNumber(
        match.captured(1).toDouble() + (decimals ? std::copysign(match.captured(3).toDouble() / 10,
                                                                 match.captured(1).toDouble())
                                                 : 0),
        decimals);
    return number.scaled(scale, scale);
}

// A span of time as the binary prints it ("2d 3h 4m"): whole minutes, the rest cut off.
std::optional<Span> shownDuration(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(R"(^(?:(\d+)d )?(?:(\d+)h )?(\d+)m$)"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const double minutes = match.captured(1).toDouble() * 1440 + match.captured(2).toDouble() * 60 +
                           match.captured(3).toDouble();
    return Span{minutes * 60, minutes * 60 + 60};
}

std::optional<Span> shownCount(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok ? std::optional<Span>(Span{value, value}) : std::nullopt;
}

// A whole number the binary rounded to.
std::optional<Span> shownWhole(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok ? std::optional<Span>(roundedNumber(value, 0)) : std::nullopt;
}

std::optional<Span> shownJsonNumber(const QJsonValue& value, int decimals) {
    return value.isDouble() ? std::optional<Span>(roundedNumber(value.toDouble(), decimals))
                            : std::nullopt;
}

// ---- One table of comparisons ----

struct Row {
    std::string what;
    Span truth;
    std::optional<Span> shown;
};

void checkTable(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        const bool agrees = row.shown && row.shown->meets(row.truth);
        std::printf("%-40s machine %-30s shown %-30s %s\n", row.what.c_str(),
                    describe(row.truth).c_str(), describe(row.shown).c_str(),
                    agrees ? "ok" : "DIFFERS");
        EXPECT_TRUE(agrees) << row.what << ": the machine says " << describe(row.truth)
                            << ", the binary shows " << describe(row.shown);
    }
    std::fflush(stdout);
}

// The first capture of `pattern` in the line of `lines` that begins with `tag`.
QString captured(const QStringList& lines, const QString& tag, const char* pattern, int group = 1) {
    for (const QString& line : lines) {
        if (line.startsWith(tag))
            return QRegularExpression(QString::fromUtf8(pattern)).match(line).captured(group);
    }
    return {};
}

QByteArray toolCall(int id, const char* tool) {
    return R"({"jsonrpc":"2.0","id":)" + QByteArray::number(id) +
           R"(,"method":"tools/call","params":{"name":")" + tool + R"("}})" + '\n';
}

const QByteArray initialize =
    R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":"2025-06-18"}})"
    "\n"
    R"({"jsonrpc":"2.0","method":"notifications/initialized"})"
    "\n";

// The answer object of the tool call with `id` among the server's reply lines.
QJsonObject answerOf(const QList<QByteArray>& replies, int id) {
    for (const QByteArray& line : replies) {
        const QJsonObject reply = QJsonDocument::fromJson(line).object();
        if (reply.value("id").toInt() != id)
            continue;
        const QJsonArray content = reply.value("result").toObject().value("content").toArray();
        return QJsonDocument::fromJson(content.at(0).toObject().value("text").toString().toUtf8())
            .object();
    }
    return {};
}

} // namespace

TEST(Truth, MachineReadingsOfTheReportAndTheAgentServer) {
    RunResult dump;
    RunResult agent;
    const std::map<std::string, Span> machine = envelopeOf([&] {
        dump = runMorvanex({QStringLiteral("--dump")}, localEnvironment());
        agent = runMorvanex({QStringLiteral("--mcp")}, localEnvironment(),
                            initialize + toolCall(2, "get_overview") + toolCall(3, "get_disks"));
    });
    ASSERT_EQ(dump.exitCode, 0) << dump.standardError.toStdString();
    ASSERT_EQ(agent.exitCode, 0) << agent.standardError.toStdString();
    const QStringList lines = QString::fromUtf8(dump.standardOutput).split(u'\n');
    const QList<QByteArray> replies = agent.standardOutput.split('\n');
    const QJsonObject overview = answerOf(replies, 2);
    const QJsonObject memory = overview.value("memory").toObject();
    const QJsonObject cpu = overview.value("cpu").toObject();
    QJsonObject startup;
    for (const QJsonValue volume : answerOf(replies, 3).value("volumes").toArray()) {
        if (volume.toObject().value("startup_disk").toBool())
            startup = volume.toObject();
    }

    const auto at = [&machine](const char* name) { return machine.at(name); };
    const QString memoryTag = QStringLiteral("Memory ");
    const char* memoryLine = R"(^Memory +used (.+)/(.+) app (.+) wired (.+) compressed (.+) )"
                             R"(pressure .* swap (.+)$)";
    const auto memoryPart = [&](int group) {
        return shownAmount(captured(lines, memoryTag, memoryLine, group), 1024);
    };
    // The kernel's own use is read from three fields at once, each moving on its own.
    const Span wired = at("wired").scaled(0.7, 1.3);
    const Span used{at("app").low + wired.low + at("Zswap").low,
                    at("app").high + wired.high + at("Zswap").high};
    const Span usedShare = used.scaled(100 / at("MemTotal").high, 100 / at("MemTotal").low);
    // Processes start and end between the reads of /proc's entries.
    const Span processes = at("processes").widened(10);
    // The boot time the binary counts from is kept in whole seconds.
    const Span uptime = at("uptime").widened(2);

    const QString cpuTag = QStringLiteral("CPU ");
    const QString loadText = captured(lines, cpuTag, R"(, load \[(.*)\], uptime)");
    QStringList dumpLoad;
    for (const QRegularExpressionMatch& number :
         QRegularExpression(QStringLiteral(R"(\d+\.\d\d)")).globalMatch(loadText))
        dumpLoad << number.captured(0);
    const QJsonArray agentLoad = cpu.value("load_average").toArray();
    const char* loadNames[] = {"load 1", "load 5", "load 15"};

    std::vector<Row> rows = {
        {"report: memory total (MemTotal)", at("MemTotal"), memoryPart(2)},
        {"report: app memory (AnonPages + Shmem)", at("app"), memoryPart(3)},
        {"report: kernel (three kernel fields, 30%)", wired, memoryPart(4)},
        {"report: compressed (Zswap)", at("Zswap"), memoryPart(5)},
        {"report: used (at most MemTotal)", {0, at("MemTotal").high}, memoryPart(1)},
        {"report: used (app + wired + compressed)", used, memoryPart(1)},
        {"report: swap used (SwapTotal - SwapFree)", at("swap used"), memoryPart(6)},
        {"agent: memory total (MemTotal)", at("MemTotal"),
         shownAmount(memory.value("total").toString(), 1024)},
        {"agent: memory used", used, shownAmount(memory.value("used").toString(), 1024)},
        {"agent: memory used percent", usedShare, shownJsonNumber(memory.value("used_percent"), 1)},
        {"agent: swap used (SwapTotal - SwapFree)", at("swap used"),
         shownAmount(memory.value("swap_used").toString(), 1024)},
        {"report: logical processors (online)", at("processors"),
         shownCount(captured(lines, cpuTag, R"(, cores (\d+) \[)"))},
        {"agent: logical processors (online)", at("processors"),
         shownJsonNumber(overview.value("mac").toObject().value("cores"), 0)},
        {"report: uptime (/proc/uptime)", uptime,
         shownDuration(captured(lines, cpuTag, R"(, uptime (.+)$)"))},
        {"agent: uptime (/proc/uptime)", uptime,
         shownDuration(overview.value("uptime").toString())},
        {"report: root volume free (statvfs)", at("root free"),
         shownAmount(captured(lines, QStringLiteral("Disk "),
                              R"(^Disk +.+: \d+% used, (.+) free, .*root=true$)"),
                     1000)},
        {"agent: root volume size (statvfs)", at("root size"),
         shownAmount(startup.value("total").toString(), 1000)},
        {"agent: root volume free (statvfs)", at("root free"),
         shownAmount(startup.value("free").toString(), 1000)},
        {"agent: root volume used (df's rule)", at("root used"),
         shownAmount(startup.value("used").toString(), 1000)},
        {"agent: root volume percent (df's rule)", at("root percent"),
         shownJsonNumber(startup.value("used_percent"), 1)},
        {"agent: overview system disk percent", at("root percent"),
         shownJsonNumber(overview.value("startup_disk").toObject().value("used_percent"), 1)},
        {"report: root volume percent (df's rule)", at("root percent"),
         shownWhole(
             captured(lines, QStringLiteral("Disk "), R"(^Disk +.+: (\d+)% used, .*root=true$)"))},
        {"report: visible processes (/proc)", processes,
         shownCount(captured(lines, QStringLiteral("Procs "), R"( \| visible (\d+)$)"))},
    };
    for (int i = 0; i < 3; ++i) {
        const Span load = at(loadNames[i]);
        rows.push_back({std::string("report: ") + loadNames[i] + " (/proc/loadavg)", load,
                        dumpLoad.size() == 3
                            ? std::optional<Span>(roundedNumber(dumpLoad[i].toDouble(), 2))
                            : std::nullopt});
        rows.push_back({std::string("agent: ") + loadNames[i] + " (/proc/loadavg)", load,
                        shownJsonNumber(agentLoad.at(i), 2)});
    }
    checkTable(rows);
}

namespace {

// The unshare options under which this test may build a network of its own (a veth pair) and
// see it in a sysfs of its own, or nothing where the machine allows neither.
std::optional<QStringList> privateNetwork(const QString& ip) {
    const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
    if (unshare.isEmpty() || ip.isEmpty())
        return std::nullopt;
    for (const QStringList& options :
         {QStringList{QStringLiteral("--net"), QStringLiteral("--mount")},
          QStringList{QStringLiteral("--net"), QStringLiteral("--mount"),
                      QStringLiteral("--map-root-user")}}) {
        QProcess probe;
        probe.start(unshare,
                    options + QStringList{QStringLiteral("--"), QStringLiteral("sh"),
                                          QStringLiteral("-c"),
                                          QStringLiteral("mount -t sysfs sysfs /sys && \"$0\" "
                                                         "link add eth7 type veth peer name mx1"),
                                          ip});
        if (probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0)
            return QStringList{unshare} + options + QStringList{QStringLiteral("--")};
    }
    return std::nullopt;
}

// Inside its own network: a veth pair whose one end, "eth7", carries a steady stream of pings
// to a neighbour that is only written down, never there, so every packet leaves eth7 and ends
// at the other end of the pair. The counters of every interface are written before and after
// the agent server runs on the script's standard input and output.
const char* const networkScript = R"sh(set -e
mount -t sysfs sysfs /sys
"$IP" link set lo up
"$IP" link add eth7 type veth peer name mx1
"$IP" addr add 10.77.0.1/24 dev eth7
"$IP" link set eth7 up
"$IP" link set mx1 up
"$IP" neigh replace 10.77.0.2 lladdr 02:00:00:00:00:02 dev eth7 nud permanent
"$PING" -q -n -i 0.2 -s 1400 10.77.0.2 >/dev/null 2>&1 &
pinger=$!
counters() {
    read now rest < /proc/uptime
    for device in /sys/class/net/*; do
        echo "${device##*/} $now $(cat "$device/statistics/rx_bytes") $(cat "$device/statistics/tx_bytes")"
    done
}
counters > "$OUT/before"
set +e
"$MORVANEX" --mcp
status=$?
counters > "$OUT/after"
kill "$pinger"
exit "$status"
)sh";

struct Counters {
    double time = 0;
    double rx = 0;
    double tx = 0;
};

std::map<QString, Counters> readCounters(const QString& path) {
    std::map<QString, Counters> counters;
    for (const QByteArray& line : readAll(path).split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 4)
            counters[QString::fromUtf8(fields[0])] = {fields[1].toDouble(), fields[2].toDouble(),
                                                      fields[3].toDouble()};
    }
    return counters;
}

} // namespace

TEST(Truth, InterfaceCountersOfANetworkOfTheTestsOwn) {
    const QStringList searched = {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                  QStringLiteral("/usr/bin"), QStringLiteral("/bin")};
    const QString ip = QStandardPaths::findExecutable(QStringLiteral("ip"), searched);
    const QString ping = QStandardPaths::findExecutable(QStringLiteral("ping"), searched);
    const auto prefix = privateNetwork(ip);
    if (!prefix || ping.isEmpty())
        GTEST_SKIP() << "no network namespace with a veth pair can be made here";

    QProcessEnvironment environment = localEnvironment();
    environment.insert(QStringLiteral("IP"), ip);
    environment.insert(QStringLiteral("PING"), ping);
    environment.insert(QStringLiteral("OUT"), scratchDir());
    environment.insert(QStringLiteral("MORVANEX"), QStringLiteral(MORVANEX_BINARY));
    QProcess server;
    server.setProcessEnvironment(environment);
    const QStringList command = *prefix + QStringList{QStringLiteral("sh"), QStringLiteral("-c"),
                                                      QString::fromUtf8(networkScript)};
    server.start(command.first(), command.mid(1));
    ASSERT_TRUE(server.waitForStarted(10000));
    server.write(initialize);

    // The first sample has no interval behind it; the server's second, a second later, gives
    // rates. Ask until the pinged interface shows one.
    QList<QByteArray> replies;
    QByteArray pending;
    int asked = 1;
    QJsonObject network;
    const auto interfaceNamed = [](const QJsonObject& answer, const char* name) {
        for (const QJsonValue entry : answer.value("interfaces").toArray()) {
            if (entry.toObject().value("bsd_name").toString() == QLatin1String(name))
                return entry.toObject();
        }
        return QJsonObject();
    };
    const bool rated = waitUntil([&] {
        pending += server.readAllStandardOutput();
        while (pending.contains('\n')) {
            const qsizetype end = pending.indexOf('\n');
            replies << pending.left(end);
            pending.remove(0, end + 1);
        }
        const QJsonObject answer = answerOf(replies, asked);
        if (asked > 1 && answer.isEmpty())
            return false; // the last question is still open
        if (asked > 1 &&
            interfaceNamed(answer, "eth7").value("upload_per_second").toString() != "0 B/s") {
            network = answer;
            return true;
        }
        server.write(toolCall(++asked, "get_network"));
        return false;
    });
    server.closeWriteChannel();
    ASSERT_TRUE(server.waitForFinished(60000));
    ASSERT_TRUE(rated) << "no rate on eth7 after " << asked - 1 << " questions";
    EXPECT_TRUE(exitedCleanly(server.exitCode(), server.readAllStandardError()));

    const auto before = readCounters(scratchDir() + "/before");
    const auto after = readCounters(scratchDir() + "/after");
    ASSERT_TRUE(before.contains("eth7") && after.contains("eth7"));
    const Counters& start = before.at("eth7");
    const Counters& end = after.at("eth7");
    const double window = end.time - start.time;
    ASSERT_GT(window, 0);
    // The pings go out at a steady pace, so a rate over any second of the run is near the
    // average over the whole run: within a packet or so each way.
    const Span sent =
        Span{(end.tx - start.tx) / window, (end.tx - start.tx) / window}.scaled(0.6, 1.4);
    // Little arrives on eth7 (the other end's own announcements): at most all of it within the
    // server's shortest interval, half a second.
    const Span received{0, (end.rx - start.rx) / 0.5};
    const QJsonObject eth7 = interfaceNamed(network, "eth7");

    QStringList listed;
    for (const QJsonValue entry : network.value("interfaces").toArray())
        listed << entry.toObject().value("bsd_name").toString();
    // Only eth7 holds an address beyond the link-local ones; lo is the loopback.
    EXPECT_EQ(listed, QStringList{QStringLiteral("eth7")});
    std::vector<Row> rows = {
        {"agent: eth7 sent per second (tx_bytes)", sent,
         shownAmount(eth7.value("upload_per_second").toString(), 1024)},
        {"agent: eth7 received per second (rx_bytes)", received,
         shownAmount(eth7.value("download_per_second").toString(), 1024)},
        {"agent: all sent per second (tx_bytes)", sent,
         shownAmount(network.value("upload_per_second").toString(), 1024)},
    };
    checkTable(rows);
}

// ---- Every mounted volume, by df's rule ----

namespace {

// A field of /proc/self/mounts: space, tab, newline and backslash are written as octal escapes.
QString mountField(const QByteArray& field) {
    QByteArray bytes;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                bytes.append(char(code));
                i += 3;
                continue;
            }
        }
        bytes.append(field[i]);
    }
    return QString::fromUtf8(bytes);
}

// Each mount point's space by df's rule: used (f_blocks - f_bfree), free (f_bavail) and the
// used share of the two together, named "<path> used", "<path> free", "<path> percent".
std::map<std::string, double> readVolumes() {
    std::map<std::string, double> values;
    for (const QByteArray& line : readAll(QStringLiteral("/proc/self/mounts")).split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 2)
            continue;
        const std::string path = mountField(fields[1]).toStdString();
        if (const auto space = volumeSpace(path.c_str())) {
            values[path + " used"] = space->used;
            values[path + " free"] = space->available;
            values[path + " percent"] = space->usedPercent();
        }
    }
    return values;
}

// What df itself says of a volume: bytes used and available, and its percent (rounded up).
struct DfFigures {
    double used = 0;
    double available = 0;
    double percent = 0;
};

std::optional<DfFigures> dfFigures(const QString& path) {
    QProcess df;
    df.start(QStringLiteral("df"),
             {QStringLiteral("-B1"), QStringLiteral("--output=used,avail,pcent"),
              QStringLiteral("--"), path});
    if (!df.waitForFinished(30000) || df.exitStatus() != QProcess::NormalExit || df.exitCode() != 0)
        return std::nullopt;
    const QList<QByteArray> lines = df.readAllStandardOutput().trimmed().split('\n');
    if (lines.size() != 2)
        return std::nullopt;
    const QList<QByteArray> fields = lines[1].simplified().split(' ');
    if (fields.size() != 3 || !fields[2].endsWith('%'))
        return std::nullopt;
    return DfFigures{fields[0].toDouble(), fields[1].toDouble(), fields[2].chopped(1).toDouble()};
}

} // namespace

// Linux counts a volume's blocks kept back for root as neither used nor free: df and every file
// manager show used = f_blocks - f_bfree, free = f_bavail and the share of the two together. On
// an ext4 volume with its default reserve, counting the reserve as used shows it fuller than it
// is (73 % where df says 31 % on the test machine).
TEST(Truth, EveryVolumeAgreesWithDf) {
    RunResult agent;
    const std::map<std::string, Span> machine = envelopeOf(
        [&] {
            agent = runMorvanex({QStringLiteral("--mcp")}, localEnvironment(),
                                initialize + toolCall(2, "get_disks"));
        },
        readVolumes);
    ASSERT_EQ(agent.exitCode, 0) << agent.standardError.toStdString();
    const QJsonArray volumes =
        answerOf(agent.standardOutput.split('\n'), 2).value("volumes").toArray();
    ASSERT_FALSE(volumes.isEmpty()) << agent.standardOutput.toStdString();

    std::vector<Row> rows;
    for (const QJsonValue entry : volumes) {
        const QJsonObject volume = entry.toObject();
        const std::string path = volume.value("path").toString().toStdString();
        const auto truth = [&](const char* figure) {
            const auto found = machine.find(path + " " + figure);
            return found != machine.end() ? found->second : Span{-1, -1};
        };
        rows.push_back({"agent: " + path + " used (f_blocks - f_bfree)", truth("used"),
                        shownAmount(volume.value("used").toString(), 1000)});
        rows.push_back({"agent: " + path + " free (f_bavail)", truth("free"),
                        shownAmount(volume.value("free").toString(), 1000)});
        rows.push_back({"agent: " + path + " percent (used of used + free)", truth("percent"),
                        shownJsonNumber(volume.value("used_percent"), 1)});

        // df, asked after the run, agrees with the test's own rule: its bytes lie among the ones
        // seen (give or take what the machine wrote since, 0.1 % or 1 MB) and its percent is
        // the rounded-up share.
        const auto df = dfFigures(QString::fromStdString(path));
        if (!df) {
            ADD_FAILURE() << "df gave no figures for " << path;
            continue;
        }
        const auto slack = [](const Span& span) {
            return span.widened(std::max(1e6, span.high * 0.001));
        };
        rows.push_back({"df: " + path + " used", slack(truth("used")), Span{df->used, df->used}});
        rows.push_back({"df: " + path + " available", slack(truth("free")),
                        Span{df->available, df->available}});
        rows.push_back({"agent: " + path + " percent against df (rounded up)",
                        Span{df->percent - 1, df->percent},
                        shownJsonNumber(volume.value("used_percent"), 1)});
    }
    checkTable(rows);
}

// ---- Paging ----

// "Page ins" and "Page outs" are memory moved to and from swap. A file written past the page
// cache (O_DIRECT) moves blocks, not memory: where no swap is in use both stay at 0, while the
// block counters those rows were once read from grow by the whole write. No output of the binary
// prints the two rates (only the memory panel draws them), so the monitor that panel reads is
// sampled here around the write, over the real /proc.
TEST(Truth, PagingRatesStayAtZeroDuringADirectWrite) {
    const std::map<QByteArray, double> memory = meminfoBytes();
    if (memory.count("SwapTotal") && memory.at("SwapTotal") - memory.at("SwapFree") > 0)
        GTEST_SKIP() << "swap is in use here: memory may really be paged during the write";
    const auto swappedIn = vmstatCounter("pswpin");
    const auto swappedOut = vmstatCounter("pswpout");
    const auto blocksOut = vmstatCounter("pgpgout");
    ASSERT_TRUE(swappedIn && swappedOut && blocksOut);

    morvanex::MemoryMonitor monitor;
    monitor.sample();
    constexpr int megabytes = 300;
    const QString file = scratchDir() + QStringLiteral("/direct-write");
    QProcess dd;
    dd.start(QStringLiteral("dd"),
             {QStringLiteral("if=/dev/zero"), QStringLiteral("of=") + file, QStringLiteral("bs=1M"),
              QStringLiteral("count=%1").arg(megabytes), QStringLiteral("oflag=direct"),
              QStringLiteral("conv=fsync")});
    ASSERT_TRUE(dd.waitForFinished(600000));
    monitor.sample();
    QFile::remove(file);
    if (dd.exitStatus() != QProcess::NormalExit || dd.exitCode() != 0)
        GTEST_SKIP() << "the scratch folder takes no direct writes: "
                     << dd.readAllStandardError().toStdString();
    if (vmstatCounter("pswpin") != swappedIn || vmstatCounter("pswpout") != swappedOut)
        GTEST_SKIP() << "the machine swapped during the write";
    // pgpgout counts KiB.
    const double written = (vmstatCounter("pgpgout").value_or(0) - *blocksOut) * 1024;
    EXPECT_GE(written, megabytes * 1048576.0) << "the write did not reach the block layer";

    checkTable({
        {"memory: page ins during a direct write (pswpin)", Span{0, 0},
         Span{monitor.pageInsRate, monitor.pageInsRate}},
        {"memory: page outs during a direct write (pswpout)", Span{0, 0},
         Span{monitor.pageOutsRate, monitor.pageOutsRate}},
    });
}

// ---- Shared and locked memory ----

namespace {

constexpr std::size_t gibibyte = std::size_t(1) << 30;

// Writes 1 GiB to `path` with system calls only (it runs in a forked child, see MemoryHolder);
// nothing on success, else why not.
const char* fillGibibyte(const char* path) {
    static const char zeros[1 << 20] = {};
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return "the file could not be made";
    for (std::size_t done = 0; done < gibibyte;) {
        const ssize_t n = ::write(fd, zeros, sizeof zeros);
        if (n <= 0) {
            ::close(fd);
            return "the file could not be filled";
        }
        done += std::size_t(n);
    }
    ::close(fd);
    return nullptr;
}

// A child process that holds memory until the test lets it go (its pipe closes), so nothing is
// left behind when the test ends, however it ends. `hold` runs in the child right after the
// fork and may use system calls only: another thread of the test may have held the allocator's
// lock at that moment. It returns nothing once the memory is held, else why not.
class MemoryHolder {
public:
    MemoryHolder(const char* (*hold)(const void*), const void* context) {
        int ready[2];
        int release[2];
        if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(release, O_CLOEXEC) != 0) {
            failure_ = "no pipe";
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            const char* why = hold(context);
            const char* answer = why ? why : "held";
            [[maybe_unused]] const ssize_t written = ::write(ready[1], answer, std::strlen(answer));
            ::close(ready[1]);
            char byte = 0;
            while (::read(release[0], &byte, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        release_ = release[1];
        if (pid_ < 0) {
            failure_ = "no child";
            ::close(ready[0]);
            return;
        }
        QByteArray answer;
        char chunk[256];
        for (ssize_t n; (n = ::read(ready[0], chunk, sizeof chunk)) > 0;)
            answer.append(chunk, n);
        ::close(ready[0]);
        if (answer != "held")
            failure_ = answer.isEmpty() ? std::string("the child ended") : answer.toStdString();
    }
    MemoryHolder(const MemoryHolder&) = delete;
    MemoryHolder& operator=(const MemoryHolder&) = delete;
    ~MemoryHolder() {
        if (release_ >= 0)
            ::close(release_);
        if (pid_ > 0)
            ::waitpid(pid_, nullptr, 0);
    }

    // Empty while the memory is held.
    const std::string& failure() const { return failure_; }

private:
    pid_t pid_ = -1;
    int release_ = -1;
    std::string failure_;
};

// A tmpfs of the test's own, in a mount namespace of the child's own, holding 1 GiB.
struct TmpfsPlan {
    QByteArray folder;
    QByteArray file;
};

const char* holdTmpfs(const void* context) {
    const auto* plan = static_cast<const TmpfsPlan*>(context);
    if (::unshare(CLONE_NEWNS) != 0)
        return "no mount namespace of its own";
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return "its mounts could not be made private";
    if (::mount("morvanex-truth", plan->folder.constData(), "tmpfs", 0, "size=1100m") != 0)
        return "no tmpfs could be mounted";
    return fillGibibyte(plan->file.constData());
}

// 1 GiB of anonymous memory, locked in RAM.
const char* holdLocked(const void*) {
    void* memory =
        ::mmap(nullptr, gibibyte, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return "no gibibyte to map";
    // The system call itself: a sanitizer build's mlock() only pretends, and locks nothing.
    if (::syscall(SYS_mlock, memory, gibibyte) != 0)
        return "mlock refused (the locked-memory limit)";
    volatile char* bytes = static_cast<char*>(memory);
    for (std::size_t i = 0; i < gibibyte; i += 4096)
        bytes[i] = 1;
    return nullptr;
}

// App memory, the kernel's and both together by /proc/meminfo, in a machine's envelope.
struct MemoryTruth {
    Span app;
    Span kernel; // three fields read at once, each moving on its own: 30 % either way
    Span used;
};

MemoryTruth memoryTruth(const std::map<std::string, Span>& machine) {
    const Span kernel = machine.at("wired").scaled(0.7, 1.3);
    return {machine.at("app"), kernel,
            Span{machine.at("app").low + kernel.low + machine.at("Zswap").low,
                 machine.at("app").high + kernel.high + machine.at("Zswap").high}};
}

// The memory figures of the report and the agent server against /proc/meminfo, read while they
// run. Other programs on the machine move gigabytes in the seconds the report takes, so the
// agent server's quick answer is asked again until it came in a window in which memory moved
// less than the half gigabyte a wrong count would be off by at the least.
std::vector<Row> memoryRows(const std::string& label) {
    RunResult dump;
    const std::map<std::string, Span> reportMachine =
        envelopeOf([&] { dump = runMorvanex({QStringLiteral("--dump")}, localEnvironment()); });
    EXPECT_EQ(dump.exitCode, 0) << dump.standardError.toStdString();
    const QStringList lines = QString::fromUtf8(dump.standardOutput).split(u'\n');
    const char* memoryLine = R"(^Memory +used (.+)/(.+) app (.+) wired (.+) compressed (.+) )"
                             R"(pressure .* swap (.+)$)";
    const auto memoryPart = [&](int group) {
        return shownAmount(captured(lines, QStringLiteral("Memory "), memoryLine, group), 1024);
    };
    const MemoryTruth report = memoryTruth(reportMachine);

    RunResult agent;
    std::map<std::string, Span> agentMachine;
    for (int attempt = 0; attempt < 10; ++attempt) {
        agentMachine = envelopeOf([&] {
            agent = runMorvanex({QStringLiteral("--mcp")}, localEnvironment(),
                                initialize + toolCall(2, "get_overview"));
        });
        const Span used = memoryTruth(agentMachine).used;
        if (used.high - used.low < 512.0 * 1048576)
            break;
        std::printf("memory moved %.0f MB during the answer: asked again\n",
                    (used.high - used.low) / 1e6);
    }
    EXPECT_EQ(agent.exitCode, 0) << agent.standardError.toStdString();
    const QJsonObject memory =
        answerOf(agent.standardOutput.split('\n'), 2).value("memory").toObject();
    return {
        {label + ": report app (AnonPages + Shmem)", report.app, memoryPart(3)},
        {label + ": report kernel (30%)", report.kernel, memoryPart(4)},
        {label + ": report used", report.used, memoryPart(1)},
        {label + ": agent used", memoryTruth(agentMachine).used,
         shownAmount(memory.value("used").toString(), 1024)},
    };
}

} // namespace

// Memory in a tmpfs is memory in use, not cache: nothing can reclaim it without swap. Locked
// memory belongs to its process and is counted once, not a second time as the kernel's.
TEST(Truth, SharedAndLockedMemoryAreCountedOnce) {
    {
        const QString folder = scratchDir() + QStringLiteral("/tmpfs");
        ASSERT_TRUE(QDir().mkpath(folder));
        const TmpfsPlan plan{QFile::encodeName(folder),
                             QFile::encodeName(folder + QStringLiteral("/gibibyte"))};
        std::optional<MemoryHolder> holder(std::in_place, holdTmpfs, &plan);
        // Where no tmpfs of its own can be mounted, the shared one in /dev/shm serves.
        const QByteArray shared = "/dev/shm/morvanex-truth-" + QByteArray::number(::getpid());
        struct Removed {
            QByteArray path;
            ~Removed() { ::unlink(path.constData()); }
        } removed{shared};
        std::string where = "a tmpfs of the test's own";
        if (!holder->failure().empty()) {
            std::printf("no tmpfs of the test's own (%s): /dev/shm instead\n",
                        holder->failure().c_str());
            holder.reset();
            if (const char* why = fillGibibyte(shared.constData()))
                GTEST_SKIP() << "no tmpfs at hand: " << why;
            where = "/dev/shm";
        }
        checkTable(memoryRows("1 GiB in " + where));
    }
    {
        const MemoryHolder locked(holdLocked, nullptr);
        if (!locked.failure().empty()) {
            std::printf("locked memory not checked: %s\n", locked.failure().c_str());
            return;
        }
        checkTable(memoryRows("1 GiB locked"));
    }
}

// ---- The first history point ----

namespace {

// The processor columns of every sample the one-second tier holds, oldest first; NULL as
// nothing.
std::vector<std::optional<double>> recordedProcessor(const QString& database) {
    std::vector<std::optional<double>> values;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(database.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT cpu_user + cpu_system FROM raw ORDER BY ts", -1,
                               &statement, nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW)
                values.push_back(sqlite3_column_type(statement, 0) == SQLITE_NULL
                                     ? std::nullopt
                                     : std::optional(sqlite3_column_double(statement, 0)));
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return values;
}

} // namespace

namespace {

// Every processor kept fully busy by a spinning thread for as long as this lives.
class FullLoad {
public:
    FullLoad() {
        const unsigned count = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < count; ++i)
            spinners_.emplace_back([this] {
                while (!stop_.load(std::memory_order_relaxed)) {
                }
            });
    }
    ~FullLoad() {
        stop_ = true;
        for (std::thread& spinner : spinners_)
            spinner.join();
    }
    FullLoad(const FullLoad&) = delete;
    FullLoad& operator=(const FullLoad&) = delete;

private:
    std::atomic<bool> stop_ = false;
    std::vector<std::thread> spinners_;
};

} // namespace

// The tray application records a sample every tick from its first. A rate needs two readings,
// so the first tick has none: it must not store a processor load of 0 % while every processor
// is busy (nor 0 B/s for the disks and the network), which would stand as that time's minimum.
TEST(Truth, TheFirstHistoryPointOfALoadedStartIsNotZero) {
    const QStringList missing = TrayScene::missingPrograms(TrayScene::Host::watcher);
    if (!missing.isEmpty())
        GTEST_SKIP() << "needs " << missing.join(QStringLiteral(", ")).toStdString();
    storeSettings(localConfig());

    // Every processor busy for the whole run.
    std::optional<FullLoad> load;
    load.emplace();
    const auto stopLoad = [&] { load.reset(); };

    TrayScene scene(TrayScene::Host::watcher);
    if (!scene.failure().isEmpty()) {
        stopLoad();
        FAIL() << scene.failure().toStdString();
    }
    if (!scene.startApp()) {
        stopLoad();
        FAIL() << "morvanex did not start";
    }
    // A few ticks, then SIGTERM, which writes what was recorded.
    waitUntil([&] { return !scene.registeredItems().isEmpty(); });
    std::this_thread::sleep_for(std::chrono::seconds(4));
    const std::optional<int> status = scene.terminateApp();
    stopLoad();
    EXPECT_TRUE(exitedCleanly(status, scene.appErrors()));

    const auto samples =
        recordedProcessor(scene.dataHome() + QStringLiteral("/Morvanex/history.sqlite"));
    ASSERT_GE(samples.size(), 2u);
    const auto first =
        std::find_if(samples.begin(), samples.end(),
                     [](const std::optional<double>& value) { return value.has_value(); });
    ASSERT_NE(first, samples.end()) << "no processor load recorded at all";
    std::vector<Row> rows = {
        {"history: first processor point of a loaded start", Span{1, 100}, Span{**first, **first}}};
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (samples[i])
            rows.push_back({"history: processor point " + std::to_string(i), Span{1, 100},
                            Span{*samples[i], *samples[i]}});
    }
    checkTable(rows);
}


TEST(Truth, AFreshAgentServerUnderFullLoadDoesNotClaimQuiet) {
    RunResult agent;
    {
        const FullLoad load;
        agent = runMorvanex({QStringLiteral("--mcp")}, localEnvironment(),
                            initialize + toolCall(2, "get_overview"));
    }
    ASSERT_EQ(agent.exitCode, 0) << agent.standardError.toStdString();
    const QJsonValue insight = answerOf(agent.standardOutput.split('\n'), 2).value("insight");
    std::printf("agent: insight at once under full load: %s\n",
                insight.toString().toUtf8().constData());
    ASSERT_TRUE(insight.isString());
    EXPECT_FALSE(insight.toString().isEmpty());
    // Nothing has held long enough to be named, and nothing may be called quiet either.
    EXPECT_NE(insight.toString().toStdString(), "All quiet.");
}
