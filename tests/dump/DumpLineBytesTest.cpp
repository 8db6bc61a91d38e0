#include "dump/DumpReport.h"
#include "dump/DumpValues.h"
#include "support/HubFixture.h"

#include <functional>
#include <gtest/gtest.h>

using namespace morvanex;

namespace {

// A process name that would retitle the terminal (OSC 0) when written raw.
const QString retitle = QStringLiteral("\x1b]0;PWN\x07");
const QString retitleShown = QStringLiteral("\\u{1b}]0;PWN\\u{7}");

// The first byte of `bytes` that a terminal takes as a command: a C0 control other than the
// final line end, DEL, or a C1 control (U+0080 to U+009F, two bytes in UTF-8). -1 when none.
qsizetype firstControl(const QByteArray& bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const bool lineEnd = byte == '\n' && i == bytes.size() - 1;
        const bool c1 = byte == 0xC2 && i + 1 < bytes.size() &&
                        static_cast<unsigned char>(bytes[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(bytes[i + 1]) <= 0x9F;
        if ((byte < 0x20 && !lineEnd) || byte == 0x7F || c1)
            return i;
    }
    return -1;
}

TEST(DumpLineBytes, ControlCharactersAreWrittenEscaped) {
    struct Row {
        const char* name;
        QString line;
        QByteArray bytes;
    };
    const Row rows[] = {
        {"plain", QStringLiteral("Procs    top CPU: bash 3%"), "Procs    top CPU: bash 3%\n"},
        {"terminal title", QStringLiteral("Procs    top CPU: ") + retitle + QStringLiteral(" 3%"),
         "Procs    top CPU: \\u{1b}]0;PWN\\u{7} 3%\n"},
        {"line ends and tabs", QStringLiteral("Disk     a\nProcs    b\r\tc"),
         "Disk     a\\nProcs    b\\r\\tc\n"},
        {"nul, DEL and C1 controls",
         QStringLiteral("x") + QChar(0) + QChar(0x7f) + QChar(0x9b) + QStringLiteral("2J"),
         "x\\0\\u{7f}\\u{9b}2J\n"},
        // What a list item already escaped stays as it is, and so does a backslash of a name.
        {"escaped list item",
         QStringLiteral("dns=") + dump::textList({QStringLiteral("esc\x1b")}) +
             QStringLiteral(" C:\\dir"),
         "dns=[\"esc\\u{1b}\"] C:\\dir\n"},
        {"beyond ASCII", QStringLiteral("Network  ↑0 B/s — Anna's iPhone 🌙"),
         QStringLiteral("Network  ↑0 B/s — Anna's iPhone 🌙\n").toUtf8()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(dump::lineBytes(row.line), row.bytes);
    }
}

// Each kind of text the machine names reaches its line as the system holds it (or escaped
// already, as a list item), and reaches the terminal escaped.
TEST(DumpLineBytes, EveryMachineTextOfTheReportIsWrittenEscaped) {
    struct Row {
        const char* name;
        std::function<void(Hub&)> plant;
    };
    const Row rows[] = {
        {"process",
         [](Hub& hub) {
             ProcessSample process;
             process.name = retitle;
             hub.processes.processes = {process};
         }},
        {"processor", [](Hub& hub) { hub.cpu.brand = retitle; }},
        {"graphics",
         [](Hub& hub) {
             hub.gpu.gpus.resize(1);
             hub.gpu.gpus[0].name = retitle;
         }},
        {"volume",
         [](Hub& hub) {
             DiskMonitor::Volume volume;
             volume.name = retitle;
             hub.disks.volumes = {volume};
         }},
        {"interface",
         [](Hub& hub) {
             InterfaceInfo interface;
             interface.bsdName = retitle;
             interface.displayName = retitle;
             hub.network.interfaces = {interface};
         }},
        {"primary interface", [](Hub& hub) { hub.network.primaryInterface = retitle; }},
        {"network name",
         [](Hub& hub) {
             WiFiInfo wifi;
             wifi.ssid = retitle;
             wifi.phyMode = retitle;
             hub.network.wifi = wifi;
         }},
        {"sensor",
         [](Hub& hub) {
             hub.sensors.sensors = {Sensor{QStringLiteral("TC0P"), retitle, SensorGroup::cpu,
                                           SensorKind::temperature, 50, 50}};
         }},
        {"bluetooth battery",
         [](Hub& hub) {
             BluetoothBattery battery;
             battery.name = retitle;
             hub.battery.bluetooth = {battery};
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::HubFixture f;
        row.plant(*f.hub);
        const QStringList lines = dump::reportLines(*f.hub, f.settings.config(), false, f.now);
        int carrying = 0;
        for (const QString& line : lines) {
            const QByteArray bytes = dump::lineBytes(line);
            EXPECT_EQ(firstControl(bytes), -1) << bytes.toStdString();
            if (line.contains(retitle) || line.contains(retitleShown)) {
                ++carrying;
                EXPECT_TRUE(QString::fromUtf8(bytes).contains(retitleShown)) << bytes.toStdString();
            }
        }
        EXPECT_GE(carrying, 1); // the text did reach the report
    }
}

} // namespace
