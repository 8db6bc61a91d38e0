#include "platform/linux/Nl80211Elements.h"

#include <set>
#include <vector>

namespace morvanex::platform::nl80211 {

namespace {

constexpr std::uint8_t elementSupportedRates = 1;
constexpr std::uint8_t elementCountry = 7;
constexpr std::uint8_t elementRsn = 48;
constexpr std::uint8_t elementExtendedRates = 50;
constexpr std::uint8_t elementVendor = 221;
constexpr std::uint16_t capabilityPrivacy = 0x0010;

struct Element {
    std::uint8_t id;
    QByteArray data;
};

std::vector<Element> elementsOf(const QByteArray& bytes) {
    std::vector<Element> out;
    qsizetype offset = 0;
    while (offset + 2 <= bytes.size()) {
        const auto id = std::uint8_t(bytes[offset]);
        const auto length = std::uint8_t(bytes[offset + 1]);
        if (offset + 2 + length > bytes.size())
            break;
        out.push_back({id, bytes.mid(offset + 2, length)});
        offset += 2 + length;
    }
    return out;
}

std::uint16_t le16(const QByteArray& data, qsizetype at) {
    return std::uint16_t(std::uint8_t(data[at]) | (std::uint8_t(data[at + 1]) << 8));
}

// The key-management suites of an RSN or WPA body (after the OUI and type for WPA):
// version, group cipher, pairwise suites, key-management suites. Suites whose OUI differs
// from `oui` are kept as 0x100 + type so they never match a known kind.
std::set<int> keyManagement(const QByteArray& body, const QByteArray& oui) {
    std::set<int> suites;
    qsizetype at = 2 + 4; // version, group cipher
    if (at + 2 > body.size())
        return suites;
    const int pairwise = le16(body, at);
    at += 2 + 4 * qsizetype(pairwise);
    if (at + 2 > body.size())
        return suites;
    const int count = le16(body, at);
    at += 2;
    for (int i = 0; i < count && at + 4 <= body.size(); ++i, at += 4) {
        const int type = std::uint8_t(body[at + 3]);
        suites.insert(body.mid(at, 3) == oui ? type : 0x100 + type);
    }
    return suites;
}

bool any(const std::set<int>& suites, std::initializer_list<int> kinds) {
    for (const int kind : kinds)
        if (suites.count(kind))
            return true;
    return false;
}

} // namespace

std::int64_t securityKind(const QByteArray& elements, std::uint16_t capability) {
    static const QByteArray rsnOui("\x00\x0f\xac", 3);
    static const QByteArray wpaOui("\x00\x50\xf2", 3);
    std::optional<std::set<int>> rsn;
    std::optional<std::set<int>> wpa;
    for (const Element& element : elementsOf(elements)) {
        if (element.id == elementRsn && !rsn)
            rsn = keyManagement(element.data, rsnOui);
        else if (element.id == elementVendor && !wpa && element.data.size() >= 4 &&
                 element.data.left(3) == wpaOui && element.data[3] == 1)
            wpa = keyManagement(element.data.mid(4), wpaOui);
    }
    if (rsn) {
        const bool sae = any(*rsn, {8, 9, 24, 25});
        const bool psk = any(*rsn, {2, 4, 6, 19, 20});
        if (any(*rsn, {18}))
            return security::enhancedOpen;
        if (sae && psk)
            return security::wpa3Transition;
        if (sae)
            return security::wpa3Personal;
        if (any(*rsn, {12, 13}))
            return security::wpa3Enterprise;
        if (any(*rsn, {1, 3, 5, 11, 14, 15, 16, 17, 22, 23}))
            return wpa ? security::wpaEnterpriseMixed : security::wpa2Enterprise;
        if (psk)
            return wpa ? security::wpaPersonalMixed : security::wpa2Personal;
        return security::otherProtected;
    }
    if (wpa) {
        if (any(*wpa, {2}))
            return security::wpaPersonal;
        if (any(*wpa, {1}))
            return security::wpaEnterprise;
        return security::otherProtected;
    }
    return (capability & capabilityPrivacy) ? security::wep : security::none;
}

std::optional<QString> countryCode(const QByteArray& elements) {
    for (const Element& element : elementsOf(elements)) {
        if (element.id != elementCountry || element.data.size() < 2)
            continue;
        const char first = element.data[0];
        const char second = element.data[1];
        const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
        if (!letter(first) || !letter(second))
            return std::nullopt;
        return QString::fromLatin1(element.data.left(2)).toUpper();
    }
    return std::nullopt;
}

bool onlyDsssRates(const QByteArray& elements) {
    bool anyRate = false;
    for (const Element& element : elementsOf(elements)) {
        if (element.id != elementSupportedRates && element.id != elementExtendedRates)
            continue;
        for (const char byte : element.data) {
            const int halfMbit = std::uint8_t(byte) & 0x7F;
            // Values above 54 Mbit/s are membership selectors (HT, VHT, SAE ...), not rates.
            if (halfMbit > 108)
                continue;
            anyRate = true;
            const bool dsss = halfMbit == 2 || halfMbit == 4 || halfMbit == 11 || halfMbit == 22;
            if (!dsss)
                return false;
        }
    }
    return anyRate;
}

} // namespace morvanex::platform::nl80211
