#include "monitors/SMC.h"

#include "platform/linux/SmcKeyTable.h"

#include <QByteArray>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <memory>
#include <set>

using namespace morvanex;
using platform::SmcParam;

namespace {

std::vector<std::uint8_t> bytes(std::initializer_list<int> list) {
    std::vector<std::uint8_t> out;
    for (int b : list)
        out.push_back(std::uint8_t(b));
    return out;
}

std::optional<double> decode(const char* type, std::initializer_list<int> list) {
    return SMCValue{QStringLiteral("TEST"), QString::fromLatin1(type), bytes(list)}.doubleValue();
}

// A controller that records every request and answers from a table; keys listed in `failInfo`
// refuse their key information, those in `failRead` refuse reads.
struct RecordingTransport final : platform::SmcTransport {
    struct Entry {
        QByteArray type;
        QByteArray value;
    };
    std::map<QByteArray, Entry> keys;
    std::vector<SmcParam> requests;
    std::set<QByteArray> failInfo;
    std::set<QByteArray> failRead;
    int callResult = 0;

    int call(const SmcParam& request, SmcParam& reply) override {
        requests.push_back(request);
        reply = SmcParam{};
        if (callResult != 0)
            return callResult;
        reply.result = platform::smcKeyNotFound;
        if (request.command == platform::smcKeyAtIndex) {
            if (request.index < keys.size()) {
                auto it = keys.begin();
                std::advance(it, request.index);
                reply.key = platform::smcFourCC(it->first);
                reply.result = 0;
            }
            return 0;
        }
        for (const auto& [name, entry] : keys) {
            if (platform::smcFourCC(name) != request.key)
                continue;
            if (request.command == platform::smcKeyInfo && !failInfo.count(name)) {
                reply.dataSize = std::uint32_t(entry.value.size());
                reply.dataType = platform::smcFourCC(entry.type);
                reply.result = 0;
            } else if (request.command == platform::smcReadBytes && !failRead.count(name)) {
                std::memcpy(reply.bytes, entry.value.constData(), entry.value.size());
                reply.result = 0;
            }
        }
        return 0;
    }

    int count(std::uint8_t command, const char* key) const {
        return int(std::count_if(requests.begin(), requests.end(), [&](const SmcParam& r) {
            return r.command == command && r.key == platform::smcFourCC(key);
        }));
    }
};

struct Controller {
    RecordingTransport* transport;
    std::unique_ptr<SMC> smc;
};

Controller controller(std::map<QByteArray, RecordingTransport::Entry> keys) {
    auto transport = std::make_unique<RecordingTransport>();
    transport->keys = std::move(keys);
    RecordingTransport* raw = transport.get();
    return {raw, std::make_unique<SMC>(std::move(transport))};
}

} // namespace

TEST(SMCValue, DecodeTable) {
    EXPECT_EQ(decode("ui32", {0x00, 0x00, 0x04, 0xD2}), 1234.0);
    EXPECT_EQ(decode("sp78", {0x2F, 0x80}), 47.5);
    EXPECT_EQ(decode("sp78", {0xFF, 0x80}), -0.5);
    EXPECT_EQ(decode("fpe2", {0x1F, 0x40}), 2000.0);
    EXPECT_EQ(decode("flt ", {0x00, 0x00, 0x48, 0x42}), 50.0);
    EXPECT_EQ(decode("flt ", {0x00, 0x00, 0x48}), std::nullopt);
    EXPECT_EQ(decode("ui8 ", {}), 0.0);
    EXPECT_EQ(decode("si8 ", {}), std::nullopt);
    EXPECT_EQ(decode("si8 ", {0xFE}), -2.0);
    EXPECT_EQ(decode("ui16", {0x01, 0x02, 0x03}), 1.0 * 65536 + 2 * 256 + 3);
    EXPECT_EQ(decode("si16", {0xFF, 0xFE}), -2.0);
    EXPECT_EQ(decode("si16", {0xFF}), std::nullopt);
    EXPECT_EQ(decode("flag", {0x01}), 1.0);
    EXPECT_EQ(decode("flag", {}), std::nullopt);
    EXPECT_EQ(decode("spx8", {0x2F, 0x80}), 47.5); // only the prefix and last character count
    EXPECT_EQ(decode("sp7z", {0x2F, 0x80}), std::nullopt); // last character not hexadecimal
    EXPECT_EQ(decode("fpa6", {0x01, 0x00}), 4.0);          // 256 / 2^6
    EXPECT_EQ(decode("fp4a", {0x04, 0x00}), 1.0);          // 1024 / 2^10
    EXPECT_EQ(decode("fp5b", {0x08, 0x00}), 1.0);          // 2048 / 2^11
    EXPECT_EQ(decode("fp00", {0x80, 0x00}), 32768.0);      // unsigned
    EXPECT_EQ(decode("sp00", {0x80, 0x00}), -32768.0);     // signed
    EXPECT_EQ(decode("sp78", {0x2F}), std::nullopt);
    EXPECT_EQ(decode("ch8*", {0x41}), std::nullopt); // no row
    EXPECT_EQ(decode("ui8", {0x01}), std::nullopt);  // compared with its blank
    // Past eight bytes the highest bits fall off.
    EXPECT_EQ(decode("ui64", {0xFF, 0, 0, 0, 0, 0, 0, 0, 0x05}), 5.0);
}

TEST(SMC, KeyCodes) {
    EXPECT_EQ(SMC::fourCC(QStringLiteral("#KEY")), 0x234B4559u);
    EXPECT_EQ(SMC::string(0x54433050u), QStringLiteral("TC0P"));
    EXPECT_EQ(SMC::string(0x54C33050u), QString());
    EXPECT_EQ(SMC::string(0x54430050u), QString::fromLatin1("TC\0P", 4));
    // In the record the code is a plain little-endian integer.
    SmcParam request{};
    request.key = SMC::fourCC(QStringLiteral("#KEY"));
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&request);
    EXPECT_EQ(raw[0], 0x59);
    EXPECT_EQ(raw[1], 0x45);
    EXPECT_EQ(raw[2], 0x4B);
    EXPECT_EQ(raw[3], 0x23);
}

TEST(SMC, ReadsAndCountsKeys) {
    auto c = controller({{"#KEY", {"ui32", QByteArray::fromHex("000004d2")}},
                         {"TC0P", {"sp78", QByteArray::fromHex("2f80")}}});
    EXPECT_TRUE(c.smc->isOpen());
    EXPECT_EQ(c.smc->keyCount(), 1234);
    const auto value = c.smc->read(QStringLiteral("TC0P"));
    ASSERT_TRUE(value);
    EXPECT_EQ(value->key, QStringLiteral("TC0P"));
    EXPECT_EQ(value->type, QStringLiteral("sp78"));
    EXPECT_EQ(value->bytes, bytes({0x2F, 0x80}));
    EXPECT_EQ(value->doubleValue(), 47.5);
    EXPECT_EQ(c.smc->keyAt(1), QStringLiteral("TC0P"));
    EXPECT_EQ(c.smc->keyAt(2), std::nullopt);
    EXPECT_EQ(c.smc->keyAt(-1), std::nullopt);
    EXPECT_EQ(c.smc->keyAt(0x100000000LL), std::nullopt);

    // The read request carries the key, the size from the key information and command 5.
    const auto last = std::find_if(c.transport->requests.rbegin(), c.transport->requests.rend(),
                                   [](const SmcParam& r) { return r.command == 5; });
    ASSERT_NE(last, c.transport->requests.rend());
    EXPECT_EQ(last->key, SMC::fourCC(QStringLiteral("TC0P")));
    EXPECT_EQ(last->dataSize, 2u);
    EXPECT_EQ(last->dataType, 0u);
    EXPECT_EQ(last->index, 0u);
}

TEST(SMC, AsksKeyInformationOncePerKey) {
    auto c = controller({{"TC0P", {"sp78", QByteArray::fromHex("2f80")}},
                         {"TB0T", {"sp78", QByteArray::fromHex("1e00")}}});
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(c.smc->read(QStringLiteral("TC0P")));
        EXPECT_TRUE(c.smc->read(QStringLiteral("TB0T")));
    }
    EXPECT_EQ(c.transport->count(platform::smcKeyInfo, "TC0P"), 1);
    EXPECT_EQ(c.transport->count(platform::smcKeyInfo, "TB0T"), 1);
    EXPECT_EQ(c.transport->count(platform::smcReadBytes, "TC0P"), 3);
}

TEST(SMC, AsksFailedKeyInformationAgain) {
    auto c = controller({{"TC0P", {"sp78", QByteArray::fromHex("2f80")}}});
    c.transport->failInfo.insert("TC0P");
    EXPECT_FALSE(c.smc->read(QStringLiteral("TC0P")));
    EXPECT_FALSE(c.smc->read(QStringLiteral("TC0P")));
    EXPECT_EQ(c.transport->count(platform::smcKeyInfo, "TC0P"), 2);
    EXPECT_EQ(c.transport->count(platform::smcReadBytes, "TC0P"), 0);
    c.transport->failInfo.clear();
    EXPECT_TRUE(c.smc->read(QStringLiteral("TC0P")));
    EXPECT_TRUE(c.smc->read(QStringLiteral("TC0P")));
    EXPECT_EQ(c.transport->count(platform::smcKeyInfo, "TC0P"), 3);

    // A failing read is absent, and nothing about it is cached beyond the key information.
    c.transport->failRead.insert("TC0P");
    EXPECT_FALSE(c.smc->read(QStringLiteral("TC0P")));
    EXPECT_EQ(c.transport->count(platform::smcKeyInfo, "TC0P"), 3);
}

TEST(SMC, FailedExchangeIsAbsent) {
    auto c = controller({{"TC0P", {"sp78", QByteArray::fromHex("2f80")}}});
    c.transport->callResult = 0x2C7; // an I/O Kit error
    EXPECT_FALSE(c.smc->read(QStringLiteral("TC0P")));
    EXPECT_FALSE(c.smc->keyAt(0));
    EXPECT_EQ(c.smc->keyCount(), 0);
}

TEST(SMC, NeverSendsKeysThatAreNotFourBytes) {
    auto c = controller({{"F10A", {"fpe2", QByteArray::fromHex("1f40")}}});
    EXPECT_FALSE(c.smc->read(QStringLiteral("F10Ac")));
    EXPECT_FALSE(c.smc->read(QStringLiteral("TC0")));
    EXPECT_FALSE(c.smc->read(QStringLiteral("TCé"))); // three characters, four UTF-8 bytes
    EXPECT_FALSE(c.smc->read(QString()));
    // "TCé" is four bytes in UTF-8 and may be sent; the others never are.
    for (const SmcParam& request : c.transport->requests)
        EXPECT_EQ(request.key, SMC::fourCC(QStringLiteral("TCé")));
}

TEST(SMC, ClosedControllerHasNoKeys) {
    SMC closed(nullptr);
    EXPECT_FALSE(closed.isOpen());
    EXPECT_EQ(closed.keyCount(), 0);
    EXPECT_EQ(closed.keyAt(0), std::nullopt);
    EXPECT_EQ(closed.read(QStringLiteral("#KEY")), std::nullopt);
}

TEST(SMC, CountsThatAreNotIntegersGiveZero) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(smcCount(std::nullopt), 0);
    EXPECT_EQ(smcCount(nan), 0);
    EXPECT_EQ(smcCount(inf), 0);
    EXPECT_EQ(smcCount(-inf), 0);
    EXPECT_EQ(smcCount(-3.0), 0);
    EXPECT_EQ(smcCount(1e300), 0);
    EXPECT_EQ(smcCount(9223372036854775808.0), 0);
    EXPECT_EQ(smcCount(12.9), 12);
    EXPECT_EQ(smcCount(4294967295.0), 4294967295LL);

    // "#KEY" as a float that is not a number.
    auto c = controller({{"#KEY", {"flt ", QByteArray::fromHex("0000c07f")}}});
    EXPECT_EQ(c.smc->keyCount(), 0);
    auto huge = controller({{"#KEY", {"flt ", QByteArray::fromHex("ffff7f7f")}}});
    EXPECT_EQ(huge.smc->keyCount(), 0);
}

TEST(SMC, SharedIsOneInstance) {
    EXPECT_EQ(&SMC::shared(), &SMC::shared());
}
