#include "platform/linux/ProcessHandle.h"

#include <cerrno>
#include <csignal>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace morvanex::platform {

ProcessHandle::ProcessHandle(std::int32_t pid) : id(pid) {
    if (pid < 1)
        return;
    // A pidfd is always close-on-exec.
    const long result = ::syscall(SYS_pidfd_open, pid, 0);
    if (result >= 0)
        fd = int(result);
    else if (errno == ENOSYS)
        bareId = ::kill(pid, 0) == 0 || errno == EPERM;
}

ProcessHandle::~ProcessHandle() {
    release();
}

ProcessHandle::ProcessHandle(ProcessHandle&& other) noexcept
    : id(other.id), fd(std::exchange(other.fd, -1)), bareId(std::exchange(other.bareId, false)) {}

ProcessHandle& ProcessHandle::operator=(ProcessHandle&& other) noexcept {
    if (this != &other) {
        release();
        id = other.id;
        fd = std::exchange(other.fd, -1);
        bareId = std::exchange(other.bareId, false);
    }
    return *this;
}

void ProcessHandle::release() {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool ProcessHandle::signal(int number) const {
    if (fd >= 0)
        return ::syscall(SYS_pidfd_send_signal, fd, number, nullptr, 0) == 0;
    if (bareId)
        return ::kill(id, number) == 0;
    return false;
}

} // namespace morvanex::platform
