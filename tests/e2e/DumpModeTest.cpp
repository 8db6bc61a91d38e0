#include "e2e/RunBinary.h"
#include "support/TestEnv.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSettings>
#include <QUuid>
#include <gtest/gtest.h>
#include <map>
#include <sqlite3.h>
#include <sys/stat.h>

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
    {'C', R"(^CPU      .* — \d+% \(user \d+%, sys \d+%\), cores \d+ )"
          R"(\[(\d+P\+\d+E|no core classes)\], )"
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
    {'Q', R"(^PanelSize (cpu|network|sensors): reported \[(\d+(, \d+)*)?\] natural \d+ )"
          R"(\(frame 300, \d+ reports\)$)"},
    {'X', R"(^MenuBarWidth (percent|network|temperature): \[\d+(, \d+)*\] stable$)"},
};

// Every line in print order: the hot-key probe, then the report's fixed lines with the
// repeated and optional ones where they belong.
const char* const reportOrder = "^HIDCG*MK*ONF*W?SP*A*BRET?ZU*QQQXXX$";

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
    } else {
        // On the machine's own network every interface with an address beyond the link-local
        // ones has its line, and the loopback has none.
        EXPECT_TRUE(firstWith(lines, "  if     lo ").isEmpty());
        if (QDir(QStringLiteral("/sys/class/net/eth0")).exists()) {
            EXPECT_FALSE(firstWith(lines, "  if     eth0 ").isEmpty());
        }
    }
    const QString battery = firstWith(lines, "Battery  ");
    if (machineHasBattery()) {
        EXPECT_TRUE(battery.startsWith("Battery  present=true ")) << battery.toStdString();
    } else {
        EXPECT_TRUE(battery.startsWith("Battery  present=false 0% No battery remaining=- "
                                       "cycles=-1 health=- temp=- "))
            << battery.toStdString();
    }
    const QString sensors = firstWith(lines, "Sensors  ");
    EXPECT_TRUE(sensors.startsWith(machineHasSensorSources() ? "Sensors  available=true "
                                                             : "Sensors  available=false "))
        << sensors.toStdString();
    // Wi-Fi is asked of the binary's own network: a namespace of its own holds no wireless
    // interface, whatever the machine has.
    EXPECT_EQ(!firstWith(lines, "Wi-Fi    ").isEmpty(), machineHasWireless() && !networkIsolated());
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
    if (machineHasBattery()) {
        EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^Rule     Battery level = \d+\.\d$)"))
                        .match(rules[2])
                        .hasMatch())
            << rules[2].toStdString();
    } else {
        EXPECT_EQ(rules[2], "Rule     Battery level = n/a");
    }
    if (firstWith(lines, "Sensors  ").endsWith("cpuMax=—")) {
        EXPECT_EQ(rules[3], "Rule     CPU temperature = n/a");
    } else {
        EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^Rule     CPU temperature = -?\d+\.\d$)"))
                        .match(rules[3])
                        .hasMatch())
            << rules[3].toStdString();
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

const char* const panelNames[] = {"combined",
                                  "cpu",
                                  "gpu",
                                  "memory",
                                  "disks",
                                  "network",
                                  "sensors",
                                  "battery",
                                  "weather",
                                  "astronomy",
                                  "time",
                                  "sensors-detailed",
                                  "sensors-simple",
                                  "battery-apps",
                                  "battery-expanded",
                                  "network-expanded",
                                  "combined-detail-cpu",
                                  "combined-devices",
                                  "combined-device-detail",
                                  "combined-keepawake",
                                  "network-speedtest",
                                  "cpu-history-hour",
                                  "cpu-history-day",
                                  "cpu-history-week",
                                  "cpu-history-month",
                                  "network-history-day",
                                  "sensors-history-day",
                                  "combined-insight",
                                  "combined-reordered",
                                  "time-noaccess",
                                  "time-events",
                                  "combined-nextevent",
                                  "combined-trimmed",
                                  "combined-insight-cpu"};
const char* const settingsPanes[] = {"general", "menuBar", "overview", "shortcuts", "notifications",
                                     "weather", "time",    "agents",   "about"};

QStringList expectedPanelFiles() {
    QStringList names;
    for (const char* name : panelNames)
        for (const char* appearance : {"dark", "light"})
            names.append(QStringLiteral("panel-%1-%2.png").arg(name, appearance));
    return names;
}

QStringList expectedSettingsFiles() {
    QStringList names;
    for (const char* pane : settingsPanes)
        for (const char* appearance : {"dark", "light"})
            names.append(QStringLiteral("settings-%1-%2.png").arg(pane, appearance));
    return names;
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

// Within one step of 8 bits per channel, opaque.
bool near(QRgb pixel, double red, double green, double blue) {
    const auto close = [](int value, double wanted) {
        return std::abs(value - wanted * 255) <= 1.01;
    };
    return close(qRed(pixel), red) && close(qGreen(pixel), green) && close(qBlue(pixel), blue) &&
           qAlpha(pixel) == 255;
}

double meanLuminance(const QImage& image) {
    double sum = 0;
    long count = 0;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            const QRgb p = image.pixel(x, y);
            sum += 0.2126 * qRed(p) + 0.7152 * qGreen(p) + 0.0722 * qBlue(p);
            ++count;
        }
    }
    return count ? sum / double(count) : 0;
}

QVariant storedValue(const QString& key) {
    return QSettings(storedSettingsFile(), QSettings::IniFormat).value(key);
}

// The panel and settings renders run the event loop between renders and draw 168 images: a
// run under the sanitizers takes a good while on a busy machine.
constexpr std::chrono::milliseconds renderPatience(240000);

TEST(DumpMode, RendersEveryItemPanelAndPaneIntoANewNestedFolder) {
    writeSettings();
    {
        QSettings stored(storedSettingsFile(), QSettings::IniFormat);
        stored.setValue(QStringLiteral("settings.pane"), QStringLiteral("weather"));
    }
    const QString work = scratchDir() + QStringLiteral("/work");
    const QString tmp = scratchDir() + QStringLiteral("/tmp");
    ASSERT_TRUE(QDir().mkpath(work) && QDir().mkpath(tmp));
    // The synthetic history goes to a temporary folder of this test's own.
    QProcessEnvironment environment = localEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), tmp);
    // A relative path whose parents do not exist yet, taken from the working directory.
    const RunResult result = runMorvanex({QStringLiteral("--dump"), QStringLiteral("out/renders")},
                                         environment, {}, work, renderPatience);
    ASSERT_FALSE(result.crashed) << result.standardError.toStdString();
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    const QString folder = work + QStringLiteral("/out/renders");
    const QStringList lines = linesOf(result.standardOutput);
    ASSERT_GE(lines.size(), 8);
    EXPECT_EQ(lines.last(), QStringLiteral("Wrote menu bar and panel renders to ") + folder);
    // The keep-awake check during the renders, then the closing line.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^KeepAwake (assertion NOT found|.*Morvanex Keep "
                                                  "Awake.*)$"))
                    .match(lines[lines.size() - 2])
                    .hasMatch())
        << lines[lines.size() - 2].toStdString();
    for (int i = 3; i <= 5; ++i)
        EXPECT_TRUE(lines[lines.size() - i].startsWith("MenuBarWidth ")) << i;

    // The panel heights, before the widths: what the shell last reported is what the panel
    // needs. The network panel's rows may still change with a late reading, so only processor
    // and sensors are held to it.
    const QRegularExpression sizeLine(QStringLiteral(
        R"(^PanelSize (cpu|network|sensors): reported \[(\d+(?:, \d+)*)?\] natural (\d+) )"
        R"(\(frame 300, (\d+) reports\)$)"));
    QStringList kinds;
    for (int i = 6; i <= 8; ++i) {
        const QString line = lines[lines.size() - i];
        const auto match = sizeLine.match(line);
        ASSERT_TRUE(match.hasMatch()) << line.toStdString();
        kinds.prepend(match.captured(1));
        const QStringList reported =
            match.captured(2).split(QStringLiteral(", "), Qt::SkipEmptyParts);
        EXPECT_EQ(QString::number(reported.size()), match.captured(4)) << line.toStdString();
        ASSERT_FALSE(reported.isEmpty()) << line.toStdString();
        if (match.captured(1) != QLatin1String("network")) {
            EXPECT_EQ(reported.last(), match.captured(3)) << line.toStdString();
        }
    }
    EXPECT_EQ(kinds, (QStringList{"cpu", "network", "sensors"}));

    const QStringList menuBar = expectedMenuBarFiles();
    const QStringList panels = expectedPanelFiles();
    const QStringList panes = expectedSettingsFiles();
    ASSERT_EQ(menuBar.size(), 82);
    ASSERT_EQ(panels.size(), 68);
    ASSERT_EQ(panes.size(), 18);
    const QStringList all = menuBar + panels + panes;
    EXPECT_EQ(sorted(QDir(folder).entryList(QDir::Files)), sorted(all));

    for (const QString& name : menuBar) {
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

    std::map<QString, int> heights;
    for (const QString& name : panels) {
        SCOPED_TRACE(name.toStdString());
        const QImage image(folder + u'/' + name);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.width(), (340 + 40) * 2);
        EXPECT_EQ(image.height() % 2, 0);
        // The shortest, a GPU panel without a GPU and without footer links, is about 98 high.
        EXPECT_GT(image.height(), 2 * (40 + 80)) << "a panel with something in it";
        heights[name] = image.height();
        const bool dark = name.endsWith(QStringLiteral("-dark.png"));
        // The backdrop in the corner and inside the padding; the card left of the panel's rows.
        const double backdrop[3] = {dark ? 0.08 : 0.73, dark ? 0.10 : 0.80, dark ? 0.15 : 0.89};
        const double card = dark ? 0.17 : 0.96;
        for (const QPoint at : {QPoint(0, 0), QPoint(image.width() - 1, image.height() - 1),
                                QPoint(2 * 10, image.height() / 2)})
            EXPECT_TRUE(near(image.pixel(at), backdrop[0], backdrop[1], backdrop[2]))
                << at.x() << "," << at.y();
        EXPECT_TRUE(near(image.pixel(2 * 24, image.height() / 2), card, card, card));
    }
    for (const QString& name : panes) {
        const QImage image(folder + u'/' + name);
        EXPECT_EQ(image.size(), QSize(1680, 1160)) << name.toStdString();
    }
    // Dark and light of one render have one size, and the dark one is the darker.
    for (const QString& name : all) {
        if (!name.endsWith(QStringLiteral("-dark.png")))
            continue;
        SCOPED_TRACE(name.toStdString());
        const QImage dark(folder + u'/' + name);
        const QImage light(folder + u'/' + QString(name).replace("-dark.png", "-light.png"));
        EXPECT_EQ(dark.size(), light.size());
        EXPECT_LT(meanLuminance(dark), meanLuminance(light));
    }
    // What the sample data and overrides add or take away shows in the heights.
    const auto height = [&](const char* name) {
        return heights[QStringLiteral("panel-%1-dark.png").arg(name)];
    };
    EXPECT_GT(height("combined-devices"), height("combined")) << "two devices listed";
    // With or without the speed-test tool here, the render shows the card with its samples.
    EXPECT_GT(height("network-speedtest"), height("network-expanded")) << "the speed-test card";
    EXPECT_LT(height("combined-trimmed"), height("combined-keepawake"));
    if (firstWith(lines, "Battery  ").startsWith("Battery  present=true")) {
        EXPECT_GT(height("battery-expanded"), height("battery"));
    }

    // The pane the settings window opens on is what it was before the run.
    EXPECT_EQ(storedValue(QStringLiteral("settings.pane")), QStringLiteral("weather"));
    // The graphs' month of history was made in the temporary folder given, with the seven
    // metrics the dump records and no other.
    {
        sqlite3* db = nullptr;
        const QByteArray path =
            QFile::encodeName(tmp + QStringLiteral("/morvanex-dump-history.sqlite"));
        ASSERT_EQ(sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        const auto count = [db](const char* sql) {
            sqlite3_stmt* statement = nullptr;
            std::int64_t value = -1;
            if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
                sqlite3_step(statement) == SQLITE_ROW)
                value = sqlite3_column_int64(statement, 0);
            sqlite3_finalize(statement);
            return value;
        };
        const std::int64_t rows = count("SELECT COUNT(*) FROM raw");
        EXPECT_GT(rows, 0);
        EXPECT_EQ(count("SELECT COUNT(cpu_user) FROM raw"), rows);
        EXPECT_EQ(count("SELECT COUNT(power) FROM raw"), rows);
        EXPECT_EQ(count("SELECT COUNT(gpu) FROM raw"), 0);
        EXPECT_EQ(count("SELECT COUNT(battery) FROM raw"), 0);
        sqlite3_close(db);
    }

    // A second run into the same folder writes every file again.
    // Each file is dated an hour back first, so a file written again is newer whatever the
    // resolution of the file system's clock.
    std::map<QString, QDateTime> before;
    for (const QString& name : all) {
        QFile file(folder + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << name.toStdString();
        const QDateTime earlier = QFileInfo(file).lastModified().addSecs(-3600);
        ASSERT_TRUE(file.setFileTime(earlier, QFileDevice::FileModificationTime));
        file.close();
        before[name] = QFileInfo(folder + u'/' + name).lastModified();
    }
    // Under two of the names then stand a link to a file outside the folder and a FIFO: both
    // are replaced, neither written through nor waited on.
    const QString victim = scratchDir() + QStringLiteral("/victim");
    {
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("precious");
    }
    const QString linked = QStringLiteral("cpu-graphAndText-dark.png");
    const QString piped = QStringLiteral("panel-cpu-light.png");
    ASSERT_TRUE(QFile::remove(folder + u'/' + linked) && QFile::remove(folder + u'/' + piped));
    ASSERT_TRUE(QFile::link(QStringLiteral("../../../victim"), folder + u'/' + linked));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + u'/' + piped).constData(), 0644), 0);
    const RunResult again = runMorvanex({QStringLiteral("--dump"), QStringLiteral("out/renders")},
                                        environment, {}, work, renderPatience);
    EXPECT_EQ(again.exitCode, 0) << again.standardError.toStdString();
    // Every render and nothing else, no temporary left behind.
    EXPECT_EQ(sorted(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                            QDir::NoDotAndDotDot)),
              sorted(all));
    for (const QString& name : all) {
        if (name == linked || name == piped)
            continue;
        EXPECT_GT(QFileInfo(folder + u'/' + name).lastModified(), before[name])
            << name.toStdString();
    }
    QFile victimFile(victim);
    ASSERT_TRUE(victimFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(victimFile.readAll(), "precious");
    for (const QString& name : {linked, piped}) {
        const QFileInfo replaced(folder + u'/' + name);
        EXPECT_FALSE(replaced.isSymLink()) << name.toStdString();
        EXPECT_TRUE(replaced.isFile()) << name.toStdString();
        EXPECT_FALSE(QImage(replaced.filePath()).isNull()) << name.toStdString();
    }
    EXPECT_EQ(storedValue(QStringLiteral("settings.pane")), QStringLiteral("weather"));
}

} // namespace
