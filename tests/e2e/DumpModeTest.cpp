#include "e2e/RunBinary.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QUuid>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::test;

namespace {

// One kind of report line: a letter for the order check and the template the line must match.
struct LineKind {
    char letter;
    const char* pattern;
};

#define BYTES "-?\\d+(\\.\\d)? [KMGTP]?B"
#define RATE "-?\\d+(\\.\\d)? [KMG]?B/s"
#define TIME "\\S.*"

const LineKind lineKinds[] = {
    {'H', R"(^HotKeys  refused: \[("[^"]*"(, "[^"]*")*)?\]$)"},
    {'I', R"(^Insight  .+ \[(memory|cpu|disk|network|battery|storage|quiet)\]$)"},
    {'D', R"(^Devices  available=(true|false) \[.*\]$)"},
    {'C', R"(^CPU      .* — \d+% \(user \d+%, sys \d+%\), cores \d+ \[\d+P\+\d+E\], )"
          R"(load \["\d+\.\d\d", "\d+\.\d\d", "\d+\.\d\d"\], uptime (\d+d )?(\d+h )?\d+m$)"},
    {'G', "^GPU      .+ cores=\\d+ util=\\d+% mem=(-|" BYTES ")$"},
    {'M', "^Memory   used " BYTES "/" BYTES " app " BYTES " wired " BYTES " compressed " BYTES
          " pressure \\d+% \\(level [124]\\) swap " BYTES "$"},
    {'K', "^Disk     .+: \\d+% used, " BYTES " free, purgeable " BYTES ", root=(true|false)$"},
    {'O', "^DiskIO   read " RATE " write " RATE "$"},
    {'N', "^Network  ↑" RATE " ↓" RATE " primary=\\S+ router=\\S+ dns=\\[.*\\] publicIP=\\S+ "
          "ping=(-|\\d+\\.\\d) vpn=\\[.*\\]$"},
    {'F', R"(^  if     \S+ .+ v4=\[.*\] v6=\d+ mac=\S+$)"},
    {'W', R"(^Wi-Fi    ssid=.+ rssi=-?\d+ noise=-?\d+ ch=\d+ .* tx=\S+ .+$)"},
    {'S', R"(^Sensors  available=(true|false) ready=(true|false) count=\d+ )"
          R"(cpuMax=(—|-?\d+\.\d(°| K))$)"},
    {'P', R"(^  (CPU     |GPU     |Memory  |Storage |Battery |Power   |System  |Other   ) )"
          R"(.+\[.+\]=-?\d+\.\d( … \+\d+)?$)"},
    {'A', R"(^  Fan \d+  \d+ rpm \(min \d+, max \d+\)$)"},
    {'B', R"(^Battery  present=(true|false) \d+% )"
          R"((No battery|Charged|Charging|Not charging|On battery) remaining=(-|\d+:\d\d) )"
          R"(cycles=-?\d+ health=(-|\d+%) temp=(-|-?\d+\.\d) V=\S+ A=\S+ adapter=\d+W )"
          R"(cells=\[.*\] bt=\[.*\]$)"},
    {'R', R"(^Procs    top CPU: .* \| top mem: .* \| visible \d+$)"},
    {'E', R"(^Weather  (loading=(true|false) error=.+|.+: -?\d+(°| K) .+ feels -?\d+(°| K) )"
          R"(days=\d+ dew=\S+ uv=\S+)$)"},
    {'T',
     "^Astro    sunrise " TIME " sunset " TIME " noon " TIME " moon [A-Za-z ]+ \\d+% rise " TIME
     " set " TIME " nextFull (-|\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\+0000)$"},
    {'Z', R"(^Fuzzy    (midnight|[a-z]+ o'clock|(five|ten|quarter|twenty|twenty five|half) )"
          R"((past|to) [a-z]+)$)"},
    {'U', R"(^Rule     .+ = (n/a|-?\d+\.\d)$)"},
};

// Every line in print order: the hot-key probe, then the report's fixed lines with the
// repeated and optional ones where they belong.
const char* const reportOrder = "^HIDCG*MK*ONF*W?SP*A*BRET?ZU*$";

char kindOf(const QString& line) {
    for (const LineKind& kind : lineKinds) {
        if (QRegularExpression(QString::fromUtf8(kind.pattern)).match(line).hasMatch())
            return kind.letter;
    }
    return '?';
}

bool sysfsHas(const QString& folder, const std::function<bool(const QDir&)>& test) {
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (test(QDir(dir.filePath(name))))
            return true;
    }
    return false;
}

bool machineHasBattery() {
    return sysfsHas(QStringLiteral("/sys/class/power_supply"), [](const QDir& supply) {
        QFile type(supply.filePath(QStringLiteral("type")));
        return type.open(QIODevice::ReadOnly) && type.readAll().trimmed() == "Battery";
    });
}

bool machineHasWireless() {
    return sysfsHas(QStringLiteral("/sys/class/net"), [](const QDir& net) {
        return net.exists(QStringLiteral("wireless")) || net.exists(QStringLiteral("phy80211"));
    });
}

bool machineHasSensorSources() {
    return !QDir(QStringLiteral("/sys/class/hwmon"))
                .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot) ||
           QDir(QStringLiteral("/sys/devices/platform/applesmc.768")).exists();
}

// Local settings with four rules that never fire, one of them disabled.
void writeSettings() {
    Config config = localConfig();
    const auto rule = [](int number, bool enabled, RuleMetric metric, Comparison comparison,
                         double threshold) {
        return Rule{
            QUuid(QStringLiteral("8E1F1B1A-0000-4000-8000-00000000000") + QString::number(number)),
            enabled,
            metric,
            comparison,
            threshold,
            60};
    };
    config.rules = {rule(1, true, RuleMetric::cpu, Comparison::above, 1000),
                    rule(2, true, RuleMetric::ping, Comparison::above, 1000000),
                    rule(3, false, RuleMetric::batteryLevel, Comparison::below, -1),
                    rule(4, true, RuleMetric::temperature, Comparison::above, 1000)};
    storeSettings(config);
}

QStringList linesOf(const QByteArray& output) {
    QStringList lines = QString::fromUtf8(output).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString firstWith(const QStringList& lines, const char* tag) {
    for (const QString& line : lines) {
        if (line.startsWith(QString::fromUtf8(tag)))
            return line;
    }
    return {};
}

TEST(DumpMode, ReportsTheWholeMachineWithoutADisplay) {
    writeSettings();
    const RunResult result = runMorvanex({QStringLiteral("--dump")}, localEnvironment());
    ASSERT_FALSE(result.crashed) << result.standardError.toStdString();
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    const QStringList lines = linesOf(result.standardOutput);

    std::string kinds;
    for (const QString& line : lines) {
        kinds += kindOf(line);
        EXPECT_NE(kinds.back(), '?') << "no template matches: " << line.toStdString();
    }
    EXPECT_TRUE(QRegularExpression(QString::fromLatin1(reportOrder))
                    .match(QString::fromStdString(kinds))
                    .hasMatch())
        << kinds << "\n"
        << result.standardOutput.toStdString();

    // No display: the probe's grabs are all refused.
    EXPECT_EQ(lines.value(0), "HotKeys  refused: [\"dropdown.cpu\", \"settings\"]");
    const QRegularExpression rootVolume(QStringLiteral("^Disk     .+ root=true$"));
    EXPECT_EQ(lines.filter(rootVolume).size(), 1) << "one line for the root volume";
    const QString network = firstWith(lines, "Network  ");
    if (networkIsolated()) {
        // The binary's own network holds a loopback alone (down), which the report leaves out:
        // no interface, no primary one, no public address, no ping time.
        EXPECT_TRUE(lines.filter(QRegularExpression(QStringLiteral("^  if     "))).isEmpty());
        EXPECT_TRUE(network.contains(" primary=- router=- ")) << network.toStdString();
        EXPECT_TRUE(network.contains(" publicIP=- ping=- ")) << network.toStdString();
    } else if (QDir(QStringLiteral("/sys/class/net/eth0")).exists()) {
        EXPECT_FALSE(firstWith(lines, "  if     eth0 ").isEmpty());
    }
    if (!machineHasBattery()) {
        EXPECT_TRUE(firstWith(lines, "Battery  ")
                        .startsWith("Battery  present=false 0% No battery remaining=- cycles=-1 "
                                    "health=- temp=- "));
    }
    if (!machineHasSensorSources()) {
        EXPECT_TRUE(firstWith(lines, "Sensors  ").startsWith("Sensors  available=false "));
    }
    if (!machineHasWireless()) {
        EXPECT_TRUE(firstWith(lines, "Wi-Fi    ").isEmpty());
    }
    // Sun and moon only once the weather has found its place, so only with a forecast.
    const bool forecast = !firstWith(lines, "Weather  ").startsWith("Weather  loading=");
    EXPECT_EQ(!firstWith(lines, "Astro    ").isEmpty(), forecast);

    // One line per configured rule, enabled or not, in order.
    const QStringList rules = lines.filter(QRegularExpression(QStringLiteral("^Rule     ")));
    ASSERT_EQ(rules.size(), 4);
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^Rule     CPU usage = \d+\.\d$)"))
                    .match(rules[0])
                    .hasMatch())
        << rules[0].toStdString();
    if (networkIsolated()) {
        EXPECT_EQ(rules[1], "Rule     Ping time = n/a"); // nothing answers there
    } else {
        // On the machine's own network the loopback address may well answer.
        EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^Rule     Ping time = (n/a|\d+\.\d)$)"))
                        .match(rules[1])
                        .hasMatch())
            << rules[1].toStdString();
    }
    if (!machineHasBattery()) {
        EXPECT_EQ(rules[2], "Rule     Battery level = n/a");
    }
    if (firstWith(lines, "Sensors  ").endsWith("cpuMax=—")) {
        EXPECT_EQ(rules[3], "Rule     CPU temperature = n/a");
    }
}

TEST(DumpMode, AnOutputDirectorySaysRendersAreMissingAndStillSucceeds) {
    const QString folder = scratchDir() + QStringLiteral("/renders");
    ASSERT_TRUE(QDir().mkpath(folder));
    const RunResult result = runMorvanex({QStringLiteral("--dump"), folder}, localEnvironment());
    ASSERT_FALSE(result.crashed) << result.standardError.toStdString();
    EXPECT_EQ(result.exitCode, 0);
    const QStringList lines = linesOf(result.standardOutput);
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines.first().startsWith("HotKeys  refused: "));
    // The default settings hold rules, so the report ends with them.
    EXPECT_TRUE(lines.last().startsWith("Rule     ") || lines.last().startsWith("Fuzzy    "))
        << lines.last().toStdString();
    EXPECT_TRUE(result.standardError.contains("renders are not available in this build"))
        << result.standardError.toStdString();
    EXPECT_TRUE(QDir(folder).isEmpty());
}

} // namespace
