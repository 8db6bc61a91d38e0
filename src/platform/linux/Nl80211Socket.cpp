#include "platform/linux/Nl80211Socket.h"

#include <chrono>
#include <linux/nl80211.h>
#include <netlink/genl/ctrl.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>
#include <sys/socket.h>

namespace morvanex::platform::nl80211 {

namespace {

// Far more than any wireless stack reports; bounds memory against a runaway dump.
constexpr std::size_t maxMessages = 4096;

struct DumpState {
    std::vector<QByteArray> messages;
    int status = 1; // 1 while running, 0 when done, a negative errno on error
};

int onValid(nl_msg* message, void* argument) {
    auto* state = static_cast<DumpState*>(argument);
    auto* header = static_cast<genlmsghdr*>(nlmsg_data(nlmsg_hdr(message)));
    if (state->messages.size() >= maxMessages)
        return NL_SKIP;
    state->messages.emplace_back(reinterpret_cast<const char*>(genlmsg_attrdata(header, 0)),
                                 genlmsg_attrlen(header, 0));
    return NL_OK;
}

int onFinish(nl_msg*, void* argument) {
    static_cast<DumpState*>(argument)->status = 0;
    return NL_SKIP;
}

int onAck(nl_msg*, void* argument) {
    static_cast<DumpState*>(argument)->status = 0;
    return NL_STOP;
}

int onError(sockaddr_nl*, nlmsgerr* error, void* argument) {
    static_cast<DumpState*>(argument)->status = error->error < 0 ? error->error : -1;
    return NL_STOP;
}

struct CallbackDeleter {
    void operator()(nl_cb* callbacks) const { nl_cb_put(callbacks); }
};

struct MessageDeleter {
    void operator()(nl_msg* message) const { nlmsg_free(message); }
};

} // namespace

void Socket::SocketDeleter::operator()(nl_sock* socket) const {
    nl_socket_free(socket);
}

Socket::Socket(std::unique_ptr<nl_sock, SocketDeleter> socket, int family)
    : socket_(std::move(socket)), family_(family) {}

Socket::~Socket() = default;

std::optional<Socket> Socket::open() {
    std::unique_ptr<nl_sock, SocketDeleter> socket(nl_socket_alloc());
    if (!socket || genl_connect(socket.get()) != 0)
        return std::nullopt;
    timeval timeout{1, 0};
    ::setsockopt(nl_socket_get_fd(socket.get()), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    nl_socket_enable_msg_peek(socket.get());
    const int family = genl_ctrl_resolve(socket.get(), NL80211_GENL_NAME);
    if (family < 0)
        return std::nullopt;
    return Socket(std::move(socket), family);
}

std::optional<std::vector<QByteArray>> Socket::dump(std::uint8_t command,
                                                    std::optional<std::uint32_t> interfaceIndex) {
    if (!socket_)
        return std::nullopt;
    const std::unique_ptr<nl_msg, MessageDeleter> message(nlmsg_alloc());
    const std::unique_ptr<nl_cb, CallbackDeleter> callbacks(nl_cb_alloc(NL_CB_DEFAULT));
    if (!message || !callbacks)
        return std::nullopt;
    if (!genlmsg_put(message.get(), NL_AUTO_PORT, NL_AUTO_SEQ, family_, 0, NLM_F_DUMP, command, 0))
        return std::nullopt;
    if (interfaceIndex && nla_put_u32(message.get(), NL80211_ATTR_IFINDEX, *interfaceIndex) < 0)
        return std::nullopt;
    DumpState state;
    nl_cb_set(callbacks.get(), NL_CB_VALID, NL_CB_CUSTOM, onValid, &state);
    nl_cb_set(callbacks.get(), NL_CB_FINISH, NL_CB_CUSTOM, onFinish, &state);
    nl_cb_set(callbacks.get(), NL_CB_ACK, NL_CB_CUSTOM, onAck, &state);
    nl_cb_err(callbacks.get(), NL_CB_CUSTOM, onError, &state);
    if (nl_send_auto(socket_.get(), message.get()) < 0)
        return std::nullopt;
    // Each receive waits at most a second; the whole dump gets a few seconds at most.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (state.status > 0) {
        if (nl_recvmsgs(socket_.get(), callbacks.get()) < 0 ||
            std::chrono::steady_clock::now() > deadline) {
            // A timed-out or broken exchange leaves the socket out of step: never reuse it.
            socket_.reset();
            return std::nullopt;
        }
    }
    if (state.status < 0)
        return std::nullopt;
    return std::move(state.messages);
}

} // namespace morvanex::platform::nl80211
