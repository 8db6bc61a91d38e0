#include "platform/linux/NetAddresses.h"

#include <arpa/inet.h>
#include <cstring>
#include <deque>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <netpacket/packet.h>

using namespace morvanex::platform;

namespace {

// A getifaddrs-shaped list built by hand; entries are linked in the order they are added.
class FakeList {
public:
    FakeList& ipv4(const char* name, const char* text) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        ::inet_pton(AF_INET, text, &address.sin_addr);
        return add(name, &address, sizeof address);
    }
    FakeList& ipv6(const char* name, const char* text, std::uint32_t scope = 0) {
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_scope_id = scope;
        ::inet_pton(AF_INET6, text, &address.sin6_addr);
        return add(name, &address, sizeof address);
    }
    FakeList& link(const char* name, std::vector<unsigned char> bytes) {
        sockaddr_ll address{};
        address.sll_family = AF_PACKET;
        address.sll_halen = static_cast<unsigned char>(bytes.size());
        std::memcpy(address.sll_addr, bytes.data(), std::min<std::size_t>(bytes.size(), 8));
        return add(name, &address, sizeof address);
    }
    FakeList& other(const char* name, sa_family_t family) {
        sockaddr address{};
        address.sa_family = family;
        return add(name, &address, sizeof address);
    }
    FakeList& withoutAddress(const char* name) { return add(name, nullptr, 0); }

    const ifaddrs* head() {
        for (std::size_t i = 0; i < entries_.size(); ++i)
            entries_[i].ifa_next = i + 1 < entries_.size() ? &entries_[i + 1] : nullptr;
        return entries_.empty() ? nullptr : &entries_.front();
    }

private:
    FakeList& add(const char* name, const void* address, std::size_t size) {
        names_.emplace_back(name);
        ifaddrs entry{};
        entry.ifa_name = names_.back().data();
        if (address != nullptr) {
            storage_.emplace_back();
            std::memcpy(&storage_.back(), address, size);
            entry.ifa_addr = reinterpret_cast<sockaddr*>(&storage_.back());
        }
        entries_.push_back(entry);
        return *this;
    }

    std::deque<std::string> names_;
    std::deque<sockaddr_storage> storage_;
    std::deque<ifaddrs> entries_;
};

} // namespace

TEST(NetAddresses, CollectsAddressesPerInterfaceInListOrder) {
    FakeList list;
    list.link("eth0", {0x02, 0xFC, 0x00, 0x00, 0x00, 0x01})
        .ipv4("eth0", "192.0.2.2")
        .ipv6("eth0", "fd00::2")
        .ipv6("eth0", "fe80::fc:ff:fe00:1", 2) // link-local: the scope suffix goes
        .ipv4("eth0", "192.0.2.3")
        .withoutAddress("ghost")               // skipped entirely
        .link("ib0", {1, 2, 3, 4, 5, 6, 7, 8}) // not a 6-byte address: no MAC
        .other("can0", AF_UNIX)                // unknown family: empty record
        .link("wlan0", {0xA4, 0x83, 0xE7, 0, 0x11, 0x22});
    const AddressMap addresses = collectAddresses(list.head());

    const AddressMap expected = {
        {"eth0",
         {{"192.0.2.2", "192.0.2.3"}, {"fd00::2", "fe80::fc:ff:fe00:1"}, "02:fc:00:00:00:01"}},
        {"ib0", {}},
        {"can0", {}},
        {"wlan0", {{}, {}, "a4:83:e7:00:11:22"}},
    };
    EXPECT_EQ(addresses, expected);
    EXPECT_TRUE(collectAddresses(nullptr).empty());
}

TEST(NetAddresses, NumericAddressTexts) {
    struct Row {
        const char* text;
        bool numeric;
    };
    const Row rows[] = {
        {"203.0.113.7", true},
        {"2001:db8::5", true},
        {"::ffff:192.0.2.1", true},
        {"", false},
        {"203.0.113", false}, // inet_aton would take it; a dotted quad is required
        {"203.0.113.256", false},
        {" 203.0.113.7", false}, // callers trim first
        {"[2001:db8::5]", false},
        {"fe80::1%eth0", false},
        {"<html>203.0.113.7</html>", false},
        {"example.com", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(isNumericAddress(QString::fromUtf8(row.text)), row.numeric);
    }
}

TEST(NetAddresses, ThisMachineListsLoopback) {
    const AddressMap addresses = readInterfaceAddresses();
    const auto lo = addresses.find("lo");
    ASSERT_NE(lo, addresses.end());
    EXPECT_TRUE(lo->second.v4.contains("127.0.0.1"));
}
