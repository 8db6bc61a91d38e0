#include "platform/StandardDescriptors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace morvanex::platform {

void openMissingStandardDescriptors() {
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
            continue;
        // Inherited by child processes like any standard descriptor, so no O_CLOEXEC.
        const int opened = ::open("/dev/null", O_RDWR);
        if (opened < 0) {
            // Written with stdio: nothing else may exist yet to log through.
            std::fprintf(stderr, "Morvanex: cannot open /dev/null for descriptor %d: %s\n", fd,
                         std::strerror(errno));
            continue;
        }
        // The lowest free number is `fd` itself, as the lower ones are open by now; be sure.
        if (opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

} // namespace morvanex::platform
