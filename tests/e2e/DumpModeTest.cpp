#include "e2e/RunBinary.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImage>
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
    {'X', R"(^MenuBarWidth (percent|network|temperature): \[\d+(, \d+)*\] stable$)"},
};

// Every line in print order: the hot-key probe, then the report's fixed lines with the
// repeated and optional ones where they belong.
const char* const reportOrder = "^HIDCG*MK*ONF*W?SP*A*BRET?ZU*XXX$";

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

// Each module's item in the styles the renders show, dark then light.
QStringList expectedMenuBarFiles() {
    const char* const fullStyles[] = {"graphAndText", "graph", "text", "icon", "iconAndText"};
    const char* const shortStyles[] = {"iconAndText", "text", "icon"};
    QStringList names;
    for (const char* kind : {"combined", "cpu", "gpu", "memory", "disks", "network", "sensors",
                             "battery", "weather", "astronomy", "time"}) {
        const bool full = QStringList{"cpu", "gpu", "memory", "network"}.contains(kind);
        const auto addStyles = [&](const auto& styles) {
            for (const char* style : styles)
                for (const char* appearance : {"dark", "light"})
                    names.append(QStringLiteral("%1-%2-%3.png").arg(kind, style, appearance));
        };
        if (full)
            addStyles(fullStyles);
        else
            addStyles(shortStyles);
    }
    return names;
}

// Whether every pixel of the columns [from, to) is exactly `colour`.
bool columnsAre(const QImage& image, int from, int to, QRgb colour) {
    for (int x = from; x < to; ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(x, y) != colour)
                return false;
    return true;
}

TEST(DumpMode, RendersEveryMenuBarItemIntoANewNestedFolder) {
    const QString work = scratchDir() + QStringLiteral("/work");
    ASSERT_TRUE(QDir().mkpath(work));
    // A relative path whose parents do not exist yet, taken from the working directory.
    const RunResult result = runMorvanex({QStringLiteral("--dump"), QStringLiteral("out/renders")},
                                         localEnvironment(), {}, work);
    ASSERT_FALSE(result.crashed) << result.standardError.toStdString();
    EXPECT_EQ(result.exitCode, 0);
    const QString folder = work + QStringLiteral("/out/renders");
    const QStringList lines = linesOf(result.standardOutput);
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines.last(), QStringLiteral("Wrote menu bar and panel renders to ") + folder);
    for (int i = 2; i <= 4; ++i)
        EXPECT_TRUE(lines[lines.size() - i].startsWith("MenuBarWidth ")) << i;

    const QStringList expected = expectedMenuBarFiles();
    ASSERT_EQ(expected.size(), 82);
    QStringList written = QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files);
    written.sort();
    QStringList sortedExpected = expected;
    sortedExpected.sort();
    EXPECT_EQ(written, sortedExpected);

    for (const QString& name : expected) {
        if (!name.endsWith(QStringLiteral("-dark.png")))
            continue;
        const QImage dark(folder + u'/' + name);
        const QImage light(folder + u'/' + QString(name).replace("-dark.png", "-light.png"));
        ASSERT_FALSE(dark.isNull()) << name.toStdString();
        ASSERT_FALSE(light.isNull()) << name.toStdString();
        EXPECT_EQ(dark.height(), 44) << name.toStdString();
        EXPECT_EQ(dark.size(), light.size()) << name.toStdString();
        EXPECT_EQ(dark.width() % 2, 0) << name.toStdString();
        EXPECT_GE(dark.width(), 2 * (1 + 8)) << name.toStdString();
        // 4 points of pure background on either side of the item.
        const int w = dark.width();
        EXPECT_TRUE(columnsAre(dark, 0, 8, qRgb(0, 0, 0))) << name.toStdString();
        EXPECT_TRUE(columnsAre(dark, w - 8, w, qRgb(0, 0, 0))) << name.toStdString();
        EXPECT_TRUE(columnsAre(light, 0, 8, qRgb(255, 255, 255))) << name.toStdString();
        EXPECT_TRUE(columnsAre(light, w - 8, w, qRgb(255, 255, 255))) << name.toStdString();
        // Something is drawn between the margins.
        EXPECT_FALSE(columnsAre(dark, 8, w - 8, qRgb(0, 0, 0))) << name.toStdString();
    }

    // A second run into the same folder replaces the files.
    const QDateTime before = QFileInfo(folder + QStringLiteral("/cpu-text-dark.png")).lastModified();
    const RunResult again = runMorvanex({QStringLiteral("--dump"), QStringLiteral("out/renders")},
                                        localEnvironment(), {}, work);
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_GE(QFileInfo(folder + QStringLiteral("/cpu-text-dark.png")).lastModified(), before);
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files).size(), 82);
}

TEST(DumpMode, AFolderThatCannotBeMadeStillEndsWithTheClosingLine) {
    const QString blocker = scratchDir() + QStringLiteral("/occupied");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const RunResult result = runMorvanex({QStringLiteral("--dump"), blocker + QStringLiteral("/x")},
                                         localEnvironment());
    ASSERT_FALSE(result.crashed) << result.standardError.toStdString();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(linesOf(result.standardOutput).last(),
              QStringLiteral("Wrote menu bar and panel renders to ") + blocker +
                  QStringLiteral("/x"));
}

} // namespace
