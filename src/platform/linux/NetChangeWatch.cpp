#include "platform/linux/NetChangeWatch.h"

#include "platform/Log.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace morvanex::platform {

namespace {

void logUnavailable(int error) {
    qCWarning(log::platform).noquote()
        << "network: change messages unavailable (" << std::strerror(error)
        << "); addresses and routes are read on every sample";
}

} // namespace

NetChangeWatch::NetChangeWatch() {
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0) {
        logUnavailable(errno);
        return;
    }
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE |
                      RTMGRP_IPV6_ROUTE;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        logUnavailable(errno);
        ::close(fd);
        return;
    }
    fd_ = fd;
}

NetChangeWatch::~NetChangeWatch() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::uint64_t NetChangeWatch::generation() {
    if (fd_ < 0)
        return ++generation_;
    // Only whether something arrived matters, not what: a short buffer is enough, and a
    // message cut short is still a change.
    std::array<char, 4096> buffer{};
    bool changed = false;
    for (;;) {
        const ssize_t size = ::recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
        if (size >= 0) {
            changed = true;
            continue;
        }
        if (errno == EINTR)
            continue;
        // The kernel dropped messages it could not queue: anything may have changed.
        if (errno == ENOBUFS) {
            changed = true;
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            break;
        // A socket that fails otherwise may miss changes from now on: stop trusting it.
        logUnavailable(errno);
        ::close(fd_);
        fd_ = -1;
        return ++generation_;
    }
    if (changed)
        ++generation_;
    return generation_;
}

} // namespace morvanex::platform
