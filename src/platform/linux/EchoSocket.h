#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <sys/socket.h>

namespace morvanex::platform {

// Opens a non-blocking ICMP echo socket of `family` (AF_INET or AF_INET6): a datagram socket
// of the ICMP protocol, which Linux lets any process open whose group lies within
// net.ipv4.ping_group_range (IPv6 follows the same range), with no privilege and no helper
// program. The kernel fills in each request's identifier and checksum and hands the socket
// only the echo replies to its own requests. Returns the descriptor, or -1 with errno set when
// the system refuses such sockets.
int openEchoSocket(int family);

// The round-trip time in milliseconds as the ping tool prints it from microseconds: three
// decimals below 1 ms, two below 10 ms, one below 100 ms, whole milliseconds from there on,
// each rounded half up.
double echoMilliseconds(std::int64_t microseconds);

// One echo socket, closed with the object; one request at a time.
class EchoSocket {
public:
    // Takes ownership of `fd`, a socket from openEchoSocket.
    EchoSocket(int fd, int family);
    EchoSocket(const EchoSocket&) = delete;
    EchoSocket& operator=(const EchoSocket&) = delete;
    ~EchoSocket();

    int descriptor() const { return fd_; }

    // Sends echo request number `sequence` to `address`. False, with errno set, when the
    // kernel refuses it at once (no route to that network, for example).
    bool send(const sockaddr* address, socklen_t length, std::uint16_t sequence);

    // Reads every datagram waiting on the socket. The round-trip time of the reply to the
    // request last sent, in milliseconds as the tool shows it, once that reply is among them.
    std::optional<double> readReply();

private:
    int fd_;
    int family_;
    std::uint16_t sequence_ = 0;
    timespec sentWall_{};      // the kernel stamps replies with the wall clock
    timespec sentMonotonic_{}; // used when a reply comes without a usable stamp
};

} // namespace morvanex::platform
