#include "platform/linux/NetInterfaceKinds.h"
#include "platform/linux/Nl80211Attributes.h"
#include "platform/linux/Nl80211Elements.h"
#include "platform/linux/Nl80211Link.h"
#include "platform/linux/Nl80211Messages.h"
#include "platform/linux/Nl80211Socket.h"
#include "platform/linux/Nl80211WiFi.h"

#include <cstring>
#include <gtest/gtest.h>
#include <linux/nl80211.h>

using namespace morvanex::platform;
using namespace morvanex::platform::nl80211;

namespace {

// Netlink attributes as the kernel writes them: u16 length (header included), u16 type,
// payload, padding to four bytes. Nested attributes carry NLA_F_NESTED as the kernel sets it.
class Attrs {
public:
    Attrs& raw(int type, const QByteArray& payload) {
        const std::uint16_t length = std::uint16_t(4 + payload.size());
        const std::uint16_t kind = std::uint16_t(type);
        bytes_.append(reinterpret_cast<const char*>(&length), 2);
        bytes_.append(reinterpret_cast<const char*>(&kind), 2);
        bytes_.append(payload);
        while (bytes_.size() % 4)
            bytes_.append('\0');
        return *this;
    }
    template <typename T> Attrs& value(int type, T v) {
        return raw(type, QByteArray(reinterpret_cast<const char*>(&v), sizeof v));
    }
    Attrs& u8(int type, std::uint8_t v) { return value(type, v); }
    Attrs& u16(int type, std::uint16_t v) { return value(type, v); }
    Attrs& u32(int type, std::uint32_t v) { return value(type, v); }
    Attrs& s32(int type, std::int32_t v) { return value(type, v); }
    Attrs& flag(int type) { return raw(type, {}); }
    Attrs& string(int type, const QByteArray& text) { return raw(type, text + '\0'); }
    Attrs& nested(int type, const Attrs& inner) { return raw(type | 0x8000, inner.bytes()); }
    const QByteArray& bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

QByteArray element(std::uint8_t id, const QByteArray& data) {
    return QByteArray(1, char(id)) + QByteArray(1, char(data.size())) + data;
}

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

// RSN element bodies: version 1, CCMP group, one CCMP pairwise suite, then the key-management
// suites given as 00-0F-AC types.
QByteArray rsn(std::initializer_list<int> akms) {
    QByteArray body = hex("0100"
                          "000fac04"
                          "0100"
                          "000fac04");
    body += char(akms.size());
    body += '\0';
    for (const int akm : akms)
        body += hex("000fac") + char(akm);
    return element(48, body);
}

QByteArray wpa(std::initializer_list<int> akms) {
    QByteArray body = hex("0050f201"
                          "0100"
                          "0050f202"
                          "0100"
                          "0050f202");
    body += char(akms.size());
    body += '\0';
    for (const int akm : akms)
        body += hex("0050f2") + char(akm);
    return element(221, body);
}

const QByteArray bssid = hex("a4830e112233");

Interface associatedInterface() {
    Interface interface;
    interface.index = 3;
    interface.name = "wlan0";
    interface.type = NL80211_IFTYPE_STATION;
    interface.ssid = QByteArray("Home \xe2\x98\x95");
    interface.frequency = 5180;
    interface.channelWidth = NL80211_CHAN_WIDTH_80;
    return interface;
}

} // namespace

TEST(Nl80211Attributes, WalksPaddedAndNestedAttributes) {
    const QByteArray bytes = Attrs()
                                 .u8(1, 0xAB)
                                 .u16(2, 0x1234)
                                 .string(3, "wlan0")
                                 .nested(4, Attrs().u32(1, 7).s32(2, -5200))
                                 .u32(5, 1)
                                 .u32(5, 2) // a later attribute of a type replaces the earlier
                                 .u8(6, 0xC4)
                                 .bytes();
    const Attributes attributes(bytes);
    EXPECT_EQ(attributes.u8(1), 0xAB);
    EXPECT_EQ(attributes.u16(2), 0x1234);
    EXPECT_EQ(attributes.string(3), QByteArray("wlan0"));
    EXPECT_TRUE(attributes.has(4)); // the nested flag is not part of the type
    EXPECT_EQ(attributes.nested(4).u32(1), 7u);
    EXPECT_EQ(attributes.nested(4).s32(2), -5200);
    EXPECT_EQ(attributes.u32(5), 2u);
    EXPECT_EQ(attributes.s8(6), std::int8_t(-60));
    EXPECT_EQ(attributes.u32(1), std::nullopt); // one byte is no 32-bit value
    EXPECT_EQ(attributes.u8(9), std::nullopt);
    EXPECT_FALSE(attributes.nested(9).has(1));

    // A length running past the end stops the walk and keeps what came before.
    QByteArray broken = Attrs().u32(1, 9).bytes();
    broken += hex("40000200"
                  "01020304");
    const Attributes truncated(broken);
    EXPECT_EQ(truncated.u32(1), 9u);
    EXPECT_FALSE(truncated.has(2));
    EXPECT_FALSE(Attributes(hex("0200")).has(0));     // shorter than a header
    EXPECT_FALSE(Attributes(hex("02000100")).has(1)); // length below the header size
}

TEST(Nl80211Messages, InterfaceStationBssAndSurvey) {
    const auto interface =
        parseInterface(Attrs()
                           .u32(NL80211_ATTR_IFINDEX, 3)
                           .string(NL80211_ATTR_IFNAME, "wlan0")
                           .u32(NL80211_ATTR_IFTYPE, NL80211_IFTYPE_STATION)
                           .raw(NL80211_ATTR_SSID, "Home")
                           .u32(NL80211_ATTR_WIPHY_FREQ, 5180)
                           .u32(NL80211_ATTR_CHANNEL_WIDTH, NL80211_CHAN_WIDTH_80)
                           .bytes());
    ASSERT_TRUE(interface);
    EXPECT_EQ(interface->index, 3u);
    EXPECT_EQ(interface->name, "wlan0");
    EXPECT_EQ(interface->type, std::uint32_t(NL80211_IFTYPE_STATION));
    EXPECT_EQ(interface->ssid, QByteArray("Home"));
    EXPECT_EQ(interface->frequency, 5180u);
    EXPECT_EQ(interface->channelWidth, std::uint32_t(NL80211_CHAN_WIDTH_80));
    EXPECT_FALSE(parseInterface(Attrs().u32(NL80211_ATTR_IFINDEX, 3).bytes()));

    const auto station = parseStation(
        Attrs()
            .raw(NL80211_ATTR_MAC, bssid)
            .nested(NL80211_ATTR_STA_INFO, Attrs()
                                               .u8(NL80211_STA_INFO_SIGNAL, std::uint8_t(-52))
                                               .nested(NL80211_STA_INFO_TX_BITRATE,
                                                       Attrs()
                                                           .u16(NL80211_RATE_INFO_BITRATE, 8667)
                                                           .u32(NL80211_RATE_INFO_BITRATE32, 12010)
                                                           .u8(NL80211_RATE_INFO_HE_MCS, 11)))
            .bytes());
    ASSERT_TRUE(station);
    EXPECT_EQ(station->address, bssid);
    EXPECT_EQ(station->signal, -52);
    EXPECT_EQ(station->transmitRate, 1201.0); // the 32-bit rate wins
    EXPECT_EQ(station->generation, RateGeneration::He);

    struct RateRow {
        const char* name;
        Attrs rate;
        std::optional<double> mbps;
        std::optional<RateGeneration> generation;
    };
    const RateRow rates[] = {
        {"legacy", Attrs().u16(NL80211_RATE_INFO_BITRATE, 540), 54.0, RateGeneration::Legacy},
        {"HT", Attrs().u16(NL80211_RATE_INFO_BITRATE, 1300).u8(NL80211_RATE_INFO_MCS, 15), 130.0,
         RateGeneration::Ht},
        {"VHT", Attrs().u8(NL80211_RATE_INFO_VHT_MCS, 9), std::nullopt, RateGeneration::Vht},
        {"EHT", Attrs().u32(NL80211_RATE_INFO_BITRATE32, 28820).u8(NL80211_RATE_INFO_EHT_MCS, 13),
         2882.0, RateGeneration::Eht},
    };
    for (const RateRow& row : rates) {
        SCOPED_TRACE(row.name);
        const auto parsed =
            parseStation(Attrs()
                             .nested(NL80211_ATTR_STA_INFO,
                                     Attrs().nested(NL80211_STA_INFO_TX_BITRATE, row.rate))
                             .bytes());
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->transmitRate, row.mbps);
        EXPECT_EQ(parsed->generation, row.generation);
        EXPECT_EQ(parsed->signal, std::nullopt);
    }
    EXPECT_FALSE(parseStation(Attrs().raw(NL80211_ATTR_MAC, bssid).bytes()));

    const QByteArray elements = element(0, "Home") + rsn({2});
    const auto bss = parseBss(
        Attrs()
            .u32(NL80211_ATTR_IFINDEX, 3)
            .nested(NL80211_ATTR_BSS, Attrs()
                                          .raw(NL80211_BSS_BSSID, bssid)
                                          .u32(NL80211_BSS_FREQUENCY, 5180)
                                          .u16(NL80211_BSS_CAPABILITY, 0x1011)
                                          .raw(NL80211_BSS_INFORMATION_ELEMENTS, elements)
                                          .s32(NL80211_BSS_SIGNAL_MBM, -5200)
                                          .u32(NL80211_BSS_STATUS, NL80211_BSS_STATUS_ASSOCIATED))
            .bytes());
    ASSERT_TRUE(bss);
    EXPECT_EQ(bss->bssid, bssid);
    EXPECT_EQ(bss->frequency, 5180u);
    EXPECT_EQ(bss->capability, 0x1011);
    EXPECT_EQ(bss->elements, elements);
    EXPECT_EQ(bss->signal, -52);
    EXPECT_TRUE(bss->associated);
    const auto seen =
        parseBss(Attrs().nested(NL80211_ATTR_BSS, Attrs().raw(NL80211_BSS_BSSID, bssid)).bytes());
    ASSERT_TRUE(seen);
    EXPECT_FALSE(seen->associated);
    EXPECT_FALSE(parseBss(
        Attrs().nested(NL80211_ATTR_BSS, Attrs().raw(NL80211_BSS_BSSID, "short")).bytes()));

    const auto survey = parseSurvey(
        Attrs()
            .nested(NL80211_ATTR_SURVEY_INFO, Attrs()
                                                  .u32(NL80211_SURVEY_INFO_FREQUENCY, 5180)
                                                  .u8(NL80211_SURVEY_INFO_NOISE, std::uint8_t(-95))
                                                  .flag(NL80211_SURVEY_INFO_IN_USE))
            .bytes());
    ASSERT_TRUE(survey);
    EXPECT_EQ(survey->frequency, 5180u);
    EXPECT_EQ(survey->noise, -95);
    EXPECT_TRUE(survey->inUse);
    EXPECT_FALSE(parseSurvey(Attrs().u32(NL80211_ATTR_IFINDEX, 3).bytes()));
}

TEST(Nl80211Elements, SecurityKinds) {
    struct Row {
        const char* name;
        QByteArray elements;
        std::uint16_t capability;
        std::int64_t kind;
    };
    const Row rows[] = {
        {"open", element(0, "cafe"), 0x0001, security::none},
        {"privacy bit alone", element(0, "old"), 0x0011, security::wep},
        {"WPA personal", wpa({2}), 0x0011, security::wpaPersonal},
        {"WPA enterprise", wpa({1}), 0x0011, security::wpaEnterprise},
        {"WPA2 personal", rsn({2}), 0x0011, security::wpa2Personal},
        {"WPA2 personal, SHA-256 and FT", rsn({4, 6}), 0x0011, security::wpa2Personal},
        {"WPA and WPA2 personal", rsn({2}) + wpa({2}), 0x0011, security::wpaPersonalMixed},
        {"WPA3 personal", rsn({8}), 0x0011, security::wpa3Personal},
        {"WPA2/WPA3 transition", rsn({2, 8}), 0x0011, security::wpa3Transition},
        {"WPA2 enterprise", rsn({1}), 0x0011, security::wpa2Enterprise},
        {"WPA and WPA2 enterprise", rsn({1}) + wpa({1}), 0x0011, security::wpaEnterpriseMixed},
        {"WPA3 enterprise 192-bit", rsn({12}), 0x0011, security::wpa3Enterprise},
        {"enhanced open", rsn({18}), 0x0011, security::enhancedOpen},
        {"unknown key management", rsn({99}), 0x0011, security::otherProtected},
        {"vendor suite", element(48, hex("0100000fac040100000fac0401000011223302")), 0x0011,
         security::otherProtected},
        {"truncated RSN", element(48, hex("0100")), 0x0011, security::otherProtected},
        {"element running past the end", rsn({2}).left(10), 0x0001, security::none},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(securityKind(row.elements, row.capability), row.kind);
    }
}

TEST(Nl80211Elements, CountryAndRates) {
    EXPECT_EQ(countryCode(element(0, "x") + element(7, "DE \x01\x0d\x14")), "DE");
    EXPECT_EQ(countryCode(element(7, "us\x04")), "US");
    EXPECT_EQ(countryCode(element(7, "0A")), std::nullopt);
    EXPECT_EQ(countryCode(element(7, "D")), std::nullopt);
    EXPECT_EQ(countryCode(element(0, "x")), std::nullopt);

    EXPECT_TRUE(onlyDsssRates(element(1, hex("82848b96"))));
    EXPECT_FALSE(onlyDsssRates(element(1, hex("82848b96")) + element(50, hex("0c1218"))));
    EXPECT_TRUE(onlyDsssRates(element(1, hex("82848b96ff")))); // a selector is no rate
    EXPECT_FALSE(onlyDsssRates(element(0, "x")));
}

TEST(Nl80211Link, ChannelsBandsAndWidths) {
    struct Row {
        std::uint32_t frequency;
        int channel;
        int band;
    };
    const Row rows[] = {
        {2412, 1, 1}, {2437, 6, 1}, {2484, 14, 1}, {5180, 36, 2},  {5825, 165, 2}, {4920, 184, 2},
        {5935, 2, 3}, {5955, 1, 3}, {6115, 33, 3}, {7115, 233, 3}, {60480, 2, 0},  {900, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.frequency);
        EXPECT_EQ(channelNumber(row.frequency), row.channel);
        EXPECT_EQ(bandOf(row.frequency), row.band);
    }
    EXPECT_EQ(widthOf(NL80211_CHAN_WIDTH_20_NOHT), 1);
    EXPECT_EQ(widthOf(NL80211_CHAN_WIDTH_20), 1);
    EXPECT_EQ(widthOf(NL80211_CHAN_WIDTH_40), 2);
    EXPECT_EQ(widthOf(NL80211_CHAN_WIDTH_80), 3);
    EXPECT_EQ(widthOf(NL80211_CHAN_WIDTH_80P80), 4);
    EXPECT_EQ(widthOf(NL80211_CHAN_WIDTH_160), 4);
    EXPECT_EQ(widthOf(NL80211_CHAN_WIDTH_320), 0);
    EXPECT_EQ(widthOf(NL80211_CHAN_WIDTH_5), 0);
}

TEST(Nl80211Link, AssociatedLink) {
    Station station;
    station.address = bssid;
    station.signal = -52;
    station.transmitRate = 866.7;
    station.generation = RateGeneration::Vht;
    Bss bss;
    bss.bssid = bssid;
    bss.frequency = 5180;
    bss.capability = 0x0011;
    bss.elements = element(0, "Home") + element(7, "DE ") + rsn({2, 8});
    bss.signal = -55;
    bss.associated = true;
    const std::vector<Survey> surveys = {{5170, -90, false}, {5180, -95, true}};

    const WiFiLink link = assembleLink(associatedInterface(), true, station, bss, surveys);
    WiFiLink expected;
    expected.interfaceName = "wlan0";
    expected.powerOn = true;
    expected.ssid = QString::fromUtf8("Home \xe2\x98\x95");
    expected.bssid = "a4:83:0e:11:22:33";
    expected.rssi = -52;
    expected.noise = -95;
    expected.channel = WiFiChannel{36, 2, 3};
    expected.transmitRate = 866.7;
    expected.phyMode = 5;
    expected.security = security::wpa3Transition;
    expected.countryCode = "DE";
    EXPECT_EQ(link, expected);

    // Without the station's figures the scan's signal stands in; without an in-use survey,
    // the survey of the operating frequency gives the noise.
    const WiFiLink fromScan =
        assembleLink(associatedInterface(), true, std::nullopt, bss, {{5180, -93, false}});
    EXPECT_EQ(fromScan.rssi, -55);
    EXPECT_EQ(fromScan.noise, -93);
    EXPECT_EQ(fromScan.phyMode, 0);
    EXPECT_EQ(fromScan.transmitRate, 0);
}

TEST(Nl80211Link, UnassociatedAndLegacyLinks) {
    Interface idle = associatedInterface();
    idle.ssid.reset();
    idle.frequency.reset();
    idle.channelWidth.reset();
    const WiFiLink link = assembleLink(idle, true, std::nullopt, std::nullopt, {});
    EXPECT_EQ(link.interfaceName, "wlan0");
    EXPECT_TRUE(link.powerOn);
    EXPECT_EQ(link.ssid, std::nullopt);
    EXPECT_EQ(link.bssid, std::nullopt);
    EXPECT_EQ(link.rssi, 0);
    EXPECT_EQ(link.noise, 0);
    EXPECT_EQ(link.channel, std::nullopt);
    EXPECT_EQ(link.phyMode, 0);
    EXPECT_EQ(link.security, security::unknown);
    EXPECT_EQ(link.countryCode, std::nullopt);

    struct Row {
        const char* name;
        std::uint32_t frequency;
        QByteArray rates;
        std::int64_t phyMode;
    };
    const Row rows[] = {
        {"2.4 GHz with OFDM rates", 2437, element(1, hex("82848b960c121824")), 3},
        {"2.4 GHz with 11b rates only", 2437, element(1, hex("82848b96")), 2},
        {"5 GHz", 5180, element(1, hex("8c129824")), 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Interface interface = associatedInterface();
        interface.frequency = row.frequency;
        interface.channelWidth = NL80211_CHAN_WIDTH_20_NOHT;
        Station station;
        station.signal = -70;
        station.transmitRate = 11;
        station.generation = RateGeneration::Legacy;
        Bss bss;
        bss.bssid = bssid;
        bss.elements = row.rates;
        bss.associated = true;
        EXPECT_EQ(assembleLink(interface, true, station, bss, {}).phyMode, row.phyMode);
    }
}

TEST(Nl80211WiFi, ChoosesTheInterfaceInUse) {
    const auto named = [](const char* name, std::uint32_t type, bool associated) {
        Interface interface;
        interface.name = name;
        interface.type = type;
        if (associated)
            interface.ssid = QByteArray("net");
        return interface;
    };
    const auto upSet = [](std::initializer_list<const char*> names) {
        QStringList list;
        for (const char* name : names)
            list << name;
        return [list](const QString& name) { return list.contains(name); };
    };
    const Interface ap = named("ap0", NL80211_IFTYPE_AP, true);
    const Interface wlan0 = named("wlan0", NL80211_IFTYPE_STATION, false);
    const Interface wlan1 = named("wlan1", NL80211_IFTYPE_STATION, false);
    const Interface wlx = named("wlx00c0ca", NL80211_IFTYPE_STATION, true);

    EXPECT_EQ(chooseWiFiInterface({wlan1, wlan0, wlx, ap}, upSet({"wlan0"}))->name, "wlx00c0ca");
    EXPECT_EQ(chooseWiFiInterface({wlan0, wlan1}, upSet({"wlan1"}))->name, "wlan1");
    EXPECT_EQ(chooseWiFiInterface({wlan1, wlan0}, upSet({}))->name, "wlan0");
    EXPECT_FALSE(chooseWiFiInterface({ap}, upSet({"ap0"})));
    EXPECT_FALSE(chooseWiFiInterface({}, upSet({})));
}

TEST(Nl80211WiFi, ThisMachine) {
    QStringList wireless;
    for (const auto& [name, kind] : readInterfaceKinds(Roots::system()))
        if (kind.wireless)
            wireless << name;
    const auto link = readWiFiLink(Roots::system());
    auto socket = Socket::open();
    if (!socket) {
        // Without the kernel's wireless stack no interface is wireless, and there is no link.
        EXPECT_TRUE(wireless.isEmpty()) << wireless.join(' ').toStdString();
        EXPECT_FALSE(link);
        return;
    }

    // The kernel's own list of interfaces reads back whole; the link is on one of its
    // stations, and there is none without one.
    const auto messages = socket->dump(NL80211_CMD_GET_INTERFACE, std::nullopt);
    ASSERT_TRUE(messages);
    QStringList stations;
    for (const QByteArray& message : *messages) {
        const auto interface = parseInterface(message);
        ASSERT_TRUE(interface);
        if (interface->type == NL80211_IFTYPE_STATION)
            stations << interface->name;
    }
    if (wireless.isEmpty() || stations.isEmpty()) {
        EXPECT_FALSE(link) << "no wireless station, no link";
    } else {
        ASSERT_TRUE(link);
        EXPECT_TRUE(stations.contains(link->interfaceName)) << link->interfaceName.toStdString();
    }
}
