// The readings the real binary prints, each set beside the test's own read of the same Linux
// source on this machine. The machine keeps moving while the binary runs, so the test reads its
// sources over and over for the whole run and accepts anything between the smallest and the
// largest value it saw; what the binary prints is rounded, so it stands for every value that
// prints that way.

#include "e2e/RunBinary.h"
#include "support/MachineReads.h"
#include "support/TestEnv.h"
#include "support/Wait.h"

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
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <thread>
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
    }
    values["processes"] = processCount();
    return values;
}

// Every value each source held while `run` ran: the sources are read before, after and
// continually in between.
std::map<std::string, Span> envelopeOf(const std::function<void()>& run) {
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
    take(readMachine());
    std::atomic<bool> done = false;
    std::map<std::string, Span> during;
    std::thread reader([&] {
        std::map<std::string, Span> local;
        while (!done) {
            for (const auto& [name, value] : readMachine()) {
                auto& span = local.try_emplace(name, Span{value, value}).first->second;
                span = {std::min(span.low, value), std::max(span.high, value)};
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        during = std::move(local);
    });
    run();
    done = true;
    reader.join();
    for (const auto& [name, span] : during) {
        take({{name, span.low}});
        take({{name, span.high}});
    }
    take(readMachine());
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
    // The kernel's own use is read from four fields at once, each moving on its own.
    const Span wired = at("wired").scaled(0.7, 1.3);
    const Span used{at("AnonPages").low + wired.low + at("Zswap").low,
                    at("AnonPages").high + wired.high + at("Zswap").high};
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
        {"report: app memory (AnonPages)", at("AnonPages"), memoryPart(3)},
        {"report: wired (four kernel fields, 30%)", wired, memoryPart(4)},
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
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
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
    EXPECT_EQ(server.exitCode(), 0);

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
