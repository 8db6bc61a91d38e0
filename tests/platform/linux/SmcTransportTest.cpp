#include "platform/linux/SmcTransport.h"

#include "platform/linux/SmcApplesmcEmulator.h"
#include "platform/linux/SmcApplesmcTransport.h"
#include "platform/linux/SmcHwmonKeys.h"
#include "platform/linux/SmcKeyTable.h"
#include "platform/linux/SmcPowercap.h"
#include "support/FixtureTree.h"

#include <QDir>
#include <QFile>
#include <bit>
#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

using namespace morvanex::platform;
using morvanex::test::copyFixture;
using morvanex::test::writeFile;

namespace {

QString fixture(const char* name) {
    return QStringLiteral(MORVANEX_FIXTURES "/sensors/") + QLatin1String(name);
}

struct Reply {
    int status = -1;
    SmcParam param;
    bool ok() const { return status == 0 && param.result == 0; }
};

Reply ask(SmcTransport& transport, std::uint8_t command, const char* key = nullptr,
          std::uint32_t index = 0, std::uint32_t size = 0) {
    SmcParam request{};
    request.command = command;
    request.index = index;
    request.dataSize = size;
    if (key)
        request.key = smcFourCC(key);
    Reply reply;
    reply.status = transport.call(request, reply.param);
    return reply;
}

QByteArray keyName(const Reply& reply) {
    return smcString(reply.param.key).toLatin1();
}

float floatOf(const Reply& reply) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, reply.param.bytes, 4);
    return std::bit_cast<float>(bits);
}

std::map<QByteArray, QByteArray> typesOf(const std::vector<SmcTableKey>& keys) {
    std::map<QByteArray, QByteArray> out;
    for (const auto& key : keys)
        out[key.key] = key.type;
    return out;
}

} // namespace

TEST(SmcParam, RecordLayout) {
    EXPECT_EQ(sizeof(SmcParam), 80u);
    SmcParam p{};
    p.key = 0x01020304;
    p.dataSize = 0x11;
    p.dataType = 0x22;
    p.result = 0x33;
    p.command = 0x44;
    p.index = 0x55;
    p.bytes[0] = 0x66;
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&p);
    EXPECT_EQ(raw[0], 0x04);
    EXPECT_EQ(raw[3], 0x01);
    EXPECT_EQ(raw[28], 0x11);
    EXPECT_EQ(raw[32], 0x22);
    EXPECT_EQ(raw[40], 0x33);
    EXPECT_EQ(raw[42], 0x44);
    EXPECT_EQ(raw[44], 0x55);
    EXPECT_EQ(raw[48], 0x66);
    int nonZero = 0;
    for (std::size_t i = 0; i < sizeof p; ++i)
        nonZero += raw[i] != 0;
    EXPECT_EQ(nonZero, 10); // the four key bytes and the six fields set
}

TEST(SmcParam, KeyCodes) {
    EXPECT_EQ(smcFourCC("#KEY"), 0x234B4559u);
    EXPECT_EQ(smcString(0x234B4559u), QStringLiteral("#KEY"));
    EXPECT_EQ(smcString(0x80000000u), QString());
    EXPECT_EQ(smcFloatBytes(50.0), QByteArray::fromHex("00004842"));
    EXPECT_EQ(smcUnsignedBytes(1234, 4), QByteArray::fromHex("000004d2"));
    EXPECT_EQ(smcUnsignedBytes(2, 1), QByteArray::fromHex("02"));
}

TEST(SmcKeyTableTransport, AnswersTheThreeCommands) {
    int reads = 0;
    bool failing = false;
    SmcKeyTableTransport transport({
        {"#KEY", "ui32", 4, [] { return std::optional(smcUnsignedBytes(2, 4)); }},
        {"TB00", "flt ", 4,
         [&]() -> std::optional<QByteArray> {
             ++reads;
             if (failing)
                 return std::nullopt;
             return smcFloatBytes(30.5);
         }},
    });
    EXPECT_EQ(keyName(ask(transport, smcKeyAtIndex, nullptr, 1)), "TB00");
    EXPECT_FALSE(ask(transport, smcKeyAtIndex, nullptr, 2).ok());

    const Reply info = ask(transport, smcKeyInfo, "TB00");
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info.param.dataSize, 4u);
    EXPECT_EQ(info.param.dataType, smcFourCC("flt "));
    EXPECT_EQ(reads, 0); // key information reads no value

    const Reply value = ask(transport, smcReadBytes, "TB00", 0, 4);
    ASSERT_TRUE(value.ok());
    EXPECT_EQ(floatOf(value), 30.5f);
    ask(transport, smcReadBytes, "TB00", 0, 4);
    EXPECT_EQ(reads, 2); // every read reads again

    failing = true;
    EXPECT_FALSE(ask(transport, smcReadBytes, "TB00", 0, 4).ok());
    EXPECT_FALSE(ask(transport, smcKeyInfo, "TB01").ok());
    EXPECT_FALSE(ask(transport, smcReadBytes, "TB01", 0, 4).ok());
    EXPECT_FALSE(ask(transport, 2, "TB00").ok()); // unknown command
}

TEST(SmcApplesmcTransport, ServesTheDriversKeyInterface) {
    auto state = std::make_shared<morvanex::test::ApplesmcState>();
    state->keys = morvanex::test::loadApplesmcKeys(fixture("applesmc") + "/keys.txt");
    ASSERT_EQ(state->keys.size(), 15u);
    SmcApplesmcTransport transport(std::make_unique<morvanex::test::ApplesmcEmulator>(state));

    // Asked for a key it has not listed yet, the transport walks the positions up to it.
    const Reply info = ask(transport, smcKeyInfo, "FNum");
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info.param.dataType, smcFourCC("ui8 ")); // the type keeps its blank
    EXPECT_EQ(info.param.dataSize, 1u);
    EXPECT_EQ(state->reads["key_at_index_name"], 2); // #KEY, FNum

    const Reply count = ask(transport, smcReadBytes, "#KEY", 0, 4);
    ASSERT_TRUE(count.ok());
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(count.param.bytes), 4),
              QByteArray::fromHex("0000000f"));

    const Reply last = ask(transport, smcKeyAtIndex, nullptr, 14);
    ASSERT_TRUE(last.ok());
    EXPECT_EQ(keyName(last), "Th1H");
    EXPECT_FALSE(ask(transport, smcKeyAtIndex, nullptr, 15).ok());

    const Reply fan = ask(transport, smcReadBytes, "F0Ac", 0, 2);
    ASSERT_TRUE(fan.ok());
    EXPECT_EQ(fan.param.bytes[0], 0x21);
    EXPECT_EQ(fan.param.bytes[1], 0xC0);

    // A key the controller does not have: every position has been looked at once, no more.
    const int before = state->reads["key_at_index_name"];
    EXPECT_FALSE(ask(transport, smcKeyInfo, "XXXX").ok());
    EXPECT_FALSE(ask(transport, smcReadBytes, "XXXX", 0, 2).ok());
    EXPECT_LE(state->reads["key_at_index_name"], before + 15);
    const int after = state->reads["key_at_index_name"];
    ask(transport, smcKeyInfo, "XXXX");
    EXPECT_EQ(state->reads["key_at_index_name"], after);

    // Without the right to pick a position, nothing reads.
    state->writable = false;
    EXPECT_FALSE(ask(transport, smcReadBytes, "F0Ac", 0, 2).ok());
}

TEST(SmcApplesmcTransport, FoundOnlyWhenTheIndexCanBeWritten) {
    const QString root = copyFixture("sensors/vm");
    const QString folder = root + "/sys/devices/platform/applesmc.768";
    EXPECT_FALSE(findApplesmcKeyInterface(Roots::under(root)));
    writeFile(root, "sys/devices/platform/applesmc.768/key_count", "411\n");
    writeFile(root, "sys/devices/platform/applesmc.768/key_at_index", "0\n");
    writeFile(root, "sys/devices/platform/applesmc.768/key_at_index_name", "#KEY\n");
    ASSERT_EQ(findApplesmcKeyInterface(Roots::under(root)), folder);

    auto transport = openSmcTransport(Roots::under(root));
    ASSERT_TRUE(transport);
    const Reply first = ask(*transport, smcKeyAtIndex, nullptr, 0);
    EXPECT_TRUE(first.ok());
    EXPECT_EQ(keyName(first), "#KEY");

    QFile::setPermissions(folder + "/key_at_index", QFile::ReadOwner | QFile::ReadGroup);
    if (::geteuid() != 0) { // root may write anyway, as the kernel lets it
        EXPECT_FALSE(findApplesmcKeyInterface(Roots::under(root)));
    }
}

TEST(SmcHwmonKeys, KeyTableOfTheIntelLaptop) {
    const auto keys = hwmonKeyTable(Roots::under(fixture("intel-laptop")));
    std::vector<QByteArray> names;
    for (const auto& key : keys)
        names.push_back(key.key);
    const std::vector<QByteArray> expected{"#KEY", "FNum", "F0Ac", "F1Ac", "TB00", "TZ00", "TCD0",
                                           "Tp00", "Tp01", "Tp02", "Tp03", "Te00", "Te01", "Te02",
                                           "Te03", "Te04", "Te05", "Te06", "Te07", "TW00", "TH00",
                                           "TP00", "TZ01", "TZ02", "TZ03", "PCPC", "PC0C"};
    EXPECT_EQ(names, expected);
    const auto types = typesOf(keys);
    EXPECT_EQ(types.at("#KEY"), "ui32");
    EXPECT_EQ(types.at("FNum"), "ui8 ");
    EXPECT_EQ(types.at("TCD0"), "flt ");

    SmcKeyTableTransport transport(hwmonKeyTable(Roots::under(fixture("intel-laptop"))));
    const Reply count = ask(transport, smcReadBytes, "#KEY", 0, 4);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(count.param.bytes), 4),
              smcUnsignedBytes(expected.size(), 4));
    EXPECT_EQ(ask(transport, smcReadBytes, "FNum", 0, 1).param.bytes[0], 2);
    EXPECT_FLOAT_EQ(floatOf(ask(transport, smcReadBytes, "TCD0", 0, 4)), 61.0f);
    EXPECT_FLOAT_EQ(floatOf(ask(transport, smcReadBytes, "F0Ac", 0, 4)), 2460.0f);
    EXPECT_FALSE(ask(transport, smcKeyInfo, "F0Mn").ok()); // thinkpad fans have no minimum
}

TEST(SmcHwmonKeys, ValuesAreReadAgainAndFailuresFail) {
    const QString root = copyFixture("sensors/amd-desktop");
    SmcKeyTableTransport transport(hwmonKeyTable(Roots::under(root)));
    EXPECT_FLOAT_EQ(floatOf(ask(transport, smcReadBytes, "PG0R", 0, 4)), 35.0f);
    EXPECT_FLOAT_EQ(floatOf(ask(transport, smcReadBytes, "F0Mx", 0, 4)), 3300.0f);
    EXPECT_FLOAT_EQ(floatOf(ask(transport, smcReadBytes, "Tg01", 0, 4)), 44.0f);

    writeFile(root, "sys/class/hwmon/hwmon2/temp2_input", "51500\n");
    EXPECT_FLOAT_EQ(floatOf(ask(transport, smcReadBytes, "Tg01", 0, 4)), 51.5f);
    writeFile(root, "sys/class/hwmon/hwmon2/temp2_input", "");
    EXPECT_FALSE(ask(transport, smcReadBytes, "Tg01", 0, 4).ok());
    QFile::remove(root + "/sys/class/hwmon/hwmon2/temp2_input");
    EXPECT_FALSE(ask(transport, smcReadBytes, "Tg01", 0, 4).ok());
    EXPECT_TRUE(ask(transport, smcKeyInfo, "Tg01").ok()); // the key stays in the table
}

TEST(SmcHwmonKeys, KeysFollowChipNamesNotHwmonNumbers) {
    const QString root = copyFixture("sensors/amd-desktop");
    const auto before = hwmonKeyTable(Roots::under(root));
    // The same chips enumerated in another order after a reboot.
    QDir(root + "/sys/class/hwmon").rename("hwmon0", "hwmon9");
    QDir(root + "/sys/class/hwmon").rename("hwmon2", "hwmon0");
    const auto after = hwmonKeyTable(Roots::under(root));
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(before[i].key, after[i].key);
}

TEST(SmcHwmonKeys, NoChannelsNoController) {
    EXPECT_TRUE(hwmonKeyTable(Roots::under(fixture("vm"))).empty());
    EXPECT_FALSE(openSmcTransport(Roots::under(fixture("vm"))));
    EXPECT_TRUE(openSmcTransport(Roots::under(fixture("amd-desktop"))));
}

TEST(SmcHwmonKeys, ManyFansStopAtTen) {
    const QString root = copyFixture("sensors/vm");
    for (int i = 1; i <= 12; ++i)
        writeFile(root, QString("sys/class/hwmon/hwmon0/fan%1_input").arg(i), "1000\n");
    writeFile(root, "sys/class/hwmon/hwmon0/name", "nct6798\n");
    const auto keys = hwmonKeyTable(Roots::under(root));
    const auto types = typesOf(keys);
    EXPECT_TRUE(types.count("F9Ac"));
    EXPECT_EQ(keys.size(), 2u + 10u);
    SmcKeyTableTransport transport(hwmonKeyTable(Roots::under(root)));
    EXPECT_EQ(ask(transport, smcReadBytes, "FNum", 0, 1).param.bytes[0], 10);
}

TEST(SmcPowercap, ZonesAndWatts) {
    const QString root = copyFixture("sensors/intel-laptop");
    const PowercapZones zones = readPowercapZones(Roots::under(root));
    ASSERT_EQ(zones.packages.size(), 1u);
    ASSERT_EQ(zones.cores.size(), 1u);
    EXPECT_TRUE(zones.platform.empty());

    double now = 100;
    Clock clock;
    clock.monotonic = [&now] { return now; };
    PowercapMeter meter(zones.packages, clock);
    EXPECT_EQ(meter.watts(), 0.0); // no interval yet
    writeFile(root, "sys/class/powercap/intel-rapl:0/energy_uj", "133456789\n");
    now = 102;
    EXPECT_DOUBLE_EQ(*meter.watts(), 5.0); // 10 J over 2 s
    now = 102.1;
    writeFile(root, "sys/class/powercap/intel-rapl:0/energy_uj", "999999999\n");
    EXPECT_DOUBLE_EQ(*meter.watts(), 5.0); // too soon: the previous figure
    // The counter wraps at its range.
    writeFile(root, "sys/class/powercap/intel-rapl:0/energy_uj", "3456789\n");
    now = 104;
    EXPECT_NEAR(*meter.watts(), (262143328850.0 - 133456789 + 3456789) / 1e6 / 2, 1e-6);
    writeFile(root, "sys/class/powercap/intel-rapl:0/energy_uj", "x\n");
    EXPECT_EQ(meter.watts(), std::nullopt);
}
