#pragma once

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct nl_sock;

namespace morvanex::platform::nl80211 {

// A generic netlink socket bound to the nl80211 family. Replies are awaited for at most one
// second each, so a silent kernel never holds the caller.
class Socket {
public:
    // Nothing when the kernel has no nl80211 family (no wireless stack) or the socket fails.
    static std::optional<Socket> open();

    Socket(Socket&&) noexcept = default;
    Socket& operator=(Socket&&) noexcept = default;
    ~Socket();

    // Sends a dump request for `command` (for one interface when `interfaceIndex` is set) and
    // returns the attribute bytes of every answer; nothing on any error.
    std::optional<std::vector<QByteArray>> dump(std::uint8_t command,
                                                std::optional<std::uint32_t> interfaceIndex);

private:
    struct SocketDeleter {
        void operator()(nl_sock* socket) const;
    };
    Socket(std::unique_ptr<nl_sock, SocketDeleter> socket, int family);

    std::unique_ptr<nl_sock, SocketDeleter> socket_;
    int family_ = 0;
};

} // namespace morvanex::platform::nl80211
