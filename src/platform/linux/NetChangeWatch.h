#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace morvanex::platform {

// Tells whether the kernel's interfaces, addresses or routes may have changed, from a netlink
// socket that receives the kernel's change messages for them. Asking costs one system call
// when nothing changed, where reading addresses and routes again costs a new socket, two dumps
// and two files. Main thread only.
class NetChangeWatch {
public:
    NetChangeWatch();
    NetChangeWatch(const NetChangeWatch&) = delete;
    NetChangeWatch& operator=(const NetChangeWatch&) = delete;
    ~NetChangeWatch();

    // A number that moves whenever a change may have happened since it was last asked: when
    // change messages arrived, when some were lost because the socket's buffer was full, and
    // on every ask when the socket could not be opened (so a reader reads every time).
    std::uint64_t generation();

    // Whether change messages reach this watch at all.
    bool watching() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    std::uint64_t generation_ = 0;
};

// `read`, called again only when `watch` reports a possible change since its last call.
template <typename Read> auto readOnChange(std::shared_ptr<NetChangeWatch> watch, Read read) {
    using Value = decltype(read());
    struct Cache {
        std::optional<std::uint64_t> generation;
        Value value{};
    };
    return [watch = std::move(watch), read = std::move(read),
            cache = std::make_shared<Cache>()]() -> Value {
        const std::uint64_t now = watch->generation();
        if (cache->generation != now) {
            cache->value = read();
            cache->generation = now;
        }
        return cache->value;
    };
}

} // namespace morvanex::platform
