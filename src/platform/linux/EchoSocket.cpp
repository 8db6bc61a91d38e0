#include "platform/linux/EchoSocket.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <netinet/ip_icmp.h>
#include <unistd.h>

namespace morvanex::platform {

namespace {

// The ping tool's default: 56 bytes after the 8-byte header.
constexpr std::size_t payloadBytes = 56;
constexpr std::size_t headerBytes = 8;

std::int64_t microsecondsBetween(const timespec& from, const timespec& to) {
    return (std::int64_t(to.tv_sec) - std::int64_t(from.tv_sec)) * 1'000'000 +
           (std::int64_t(to.tv_nsec) - std::int64_t(from.tv_nsec)) / 1000;
}

} // namespace

int openEchoSocket(int family) {
    const int protocol = family == AF_INET6 ? int(IPPROTO_ICMPV6) : int(IPPROTO_ICMP);
    const int fd = ::socket(family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
    if (fd < 0)
        return -1;
    // Replies carry the time the kernel received them, so a busy event loop that reads them
    // late does not lengthen the round trip.
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    return fd;
}

double echoMilliseconds(std::int64_t microseconds) {
    const std::int64_t us = std::max<std::int64_t>(microseconds, 0);
    if (us >= 100'000 - 50)
        return double((us + 500) / 1000);
    if (us >= 10'000 - 5)
        return double((us + 50) / 100) / 10;
    if (us >= 1000)
        return double((us + 5) / 10) / 100;
    return double(us) / 1000;
}

EchoSocket::EchoSocket(int fd, int family) : fd_(fd), family_(family) {}

EchoSocket::~EchoSocket() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool EchoSocket::send(const sockaddr* address, socklen_t length, std::uint16_t sequence) {
    std::array<unsigned char, headerBytes + payloadBytes> packet{};
    packet[0] = family_ == AF_INET6 ? ICMP6_ECHO_REQUEST : ICMP_ECHO;
    // Bytes 2-5 (checksum, identifier) are the kernel's to fill in.
    packet[6] = std::uint8_t(sequence >> 8);
    packet[7] = std::uint8_t(sequence & 0xff);
    for (std::size_t i = headerBytes; i < packet.size(); ++i)
        packet[i] = std::uint8_t(i);
    sequence_ = sequence;
    ::clock_gettime(CLOCK_REALTIME, &sentWall_);
    ::clock_gettime(CLOCK_MONOTONIC, &sentMonotonic_);
    ssize_t sent;
    do {
        sent = ::sendto(fd_, packet.data(), packet.size(), 0, address, length);
    } while (sent < 0 && errno == EINTR);
    return sent == ssize_t(packet.size());
}

std::optional<double> EchoSocket::readReply() {
    const unsigned char replyType = family_ == AF_INET6 ? ICMP6_ECHO_REPLY : ICMP_ECHOREPLY;
    std::optional<double> answer;
    for (;;) {
        std::array<unsigned char, 1500> datagram;
        alignas(cmsghdr) std::array<unsigned char, CMSG_SPACE(sizeof(timespec))> control;
        iovec vector{datagram.data(), datagram.size()};
        msghdr message{};
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        message.msg_control = control.data();
        message.msg_controllen = control.size();
        const ssize_t size = ::recvmsg(fd_, &message, 0);
        if (size < 0) {
            if (errno == EINTR)
                continue;
            return answer; // EAGAIN: nothing more waits
        }
        timespec received{};
        ::clock_gettime(CLOCK_MONOTONIC, &received);
        if (answer || size < ssize_t(headerBytes) || datagram[0] != replyType ||
            ((datagram[6] << 8) | datagram[7]) != sequence_)
            continue; // an answer to an earlier request, or something else: drained and dropped
        std::int64_t micros = microsecondsBetween(sentMonotonic_, received);
        for (cmsghdr* part = CMSG_FIRSTHDR(&message); part; part = CMSG_NXTHDR(&message, part)) {
            if (part->cmsg_level == SOL_SOCKET && part->cmsg_type == SCM_TIMESTAMPNS &&
                part->cmsg_len >= CMSG_LEN(sizeof(timespec))) {
                timespec stamped;
                std::memcpy(&stamped, CMSG_DATA(part), sizeof stamped);
                const std::int64_t byStamp = microsecondsBetween(sentWall_, stamped);
                // A wall clock set back or forward meanwhile makes the stamp useless.
                if (byStamp >= 0 && byStamp <= micros)
                    micros = byStamp;
            }
        }
        answer = echoMilliseconds(micros);
    }
}

} // namespace morvanex::platform
